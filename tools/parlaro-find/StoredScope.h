// Where and as whom parlaro-find searches: the folder and the subfolders from the command line
// or the stored settings, the play rights and the user name as the window has them. Reading
// writes nothing: a missing value is taken as its default, not created.
#pragma once

#include "core/search/CallSearch.h"
#include "core/settings/StartupEnvironment.h"
#include "services/registry/RegistryStore.h"
#include "tools/parlaro-find/FindArguments.h"

namespace findtool {

parlaro::SearchScope storedScope(const FindArguments& args, parlaro::registry::RegistryStore& store,
                                 const parlaro::StartupEnvironment& env,
                                 parlaro::Prompter& prompter);

}  // namespace findtool
