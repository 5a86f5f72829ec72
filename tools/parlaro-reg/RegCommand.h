// The parlaro-reg command line: get, set, delete and list values of the settings store, and
// set or check the options password (PasswordCommand.h).
//
//   parlaro-reg get    KEYPATH NAME                 prints the value; exit 1 if missing
//   parlaro-reg set    KEYPATH NAME string TEXT
//   parlaro-reg set    KEYPATH NAME dword  N
//   parlaro-reg delete KEYPATH [NAME]
//   parlaro-reg list   KEYPATH                      NAME (REG_SZ|REG_DWORD) = VALUE per line
//   parlaro-reg set-password   KEYPATH              password on standard input
//   parlaro-reg check-password KEYPATH              exit 0 when it matches, 1 when not
//
// Exit status 0 on success, 1 when the key or value is missing, the file cannot be read or the
// scope cannot be written, 2 for a command line that cannot be understood.
#pragma once

#include "services/registry/RegistryStore.h"

#include <ostream>
#include <vector>

namespace regtool {

int run(const std::vector<QByteArray>& args, parlaro::registry::RegistryStore& store,
        std::ostream& out, std::ostream& err);

// A string value as one line of a listing: bytes that would break the line are escaped.
QByteArray listingText(const QByteArray& bytes);

}  // namespace regtool
