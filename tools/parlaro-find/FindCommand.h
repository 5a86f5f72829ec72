// parlaro-find: the call search of the Find dialog from the shell. Each call found is one line
// of tab-separated fields: user, date (dd-mmm-yyyy), time, duration (hh:mm:ss), note, full
// path of the recording. Exit status 0 (also when nothing matched), 1 when a folder could not
// be read (after the calls found before), 2 for a command line that cannot be understood.
#pragma once

#include "app/common/CallRecord.h"
#include "app/startup/StartupEnvironment.h"
#include "platform/registry/RegistryStore.h"

#include <ostream>
#include <vector>

namespace findtool {

int run(const std::vector<QByteArray>& args, registry::RegistryStore& store,
        const parlaro::StartupEnvironment& env, std::ostream& out, std::ostream& err);

// One call as a line of the output, with its line break.
QByteArray callLine(const parlaro::CallRecord& call);

}  // namespace findtool
