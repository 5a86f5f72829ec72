// parlaro-find: the call search of the Find dialog from the shell. Each call found is one line
// of tab-separated fields: user, date (dd-mmm-yyyy), time, duration (hh:mm:ss), note, full
// path of the recording. In every field a backslash, a tab, a line feed and a carriage return
// are written as \\, \t, \n and \r, other control bytes as \xHH, so that a line is always one
// call of six fields; a name that is not UTF-8 is written byte for byte. Exit status 0 (also
// when nothing matched), 1 when the folder could not be searched or a folder below it was
// passed over (each one that could not be read named on standard error, one that vanished
// while the search ran passed over silently; the calls of the others are printed), 2 for a
// command line that cannot be understood.
#pragma once

#include "core/calls/CallRecord.h"
#include "core/settings/StartupEnvironment.h"
#include "services/registry/RegistryStore.h"

#include <ostream>
#include <vector>

namespace findtool {

int run(const std::vector<QByteArray>& args, parlaro::registry::RegistryStore& store,
        const parlaro::StartupEnvironment& env, std::ostream& out, std::ostream& err);

// One call as a line of the output, with its line break.
QByteArray callLine(const parlaro::CallRecord& call);

}  // namespace findtool
