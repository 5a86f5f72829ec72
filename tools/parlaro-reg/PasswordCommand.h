// parlaro-reg's options password commands, for administrators who preset it:
//
//   parlaro-reg set-password   KEYPATH    password on standard input (one line); stores PW
//   parlaro-reg check-password KEYPATH    password on standard input; exit 0 match, 1 no match
//
// The password is read from standard input only, without its line end, and never echoed (a
// terminal's echo is off while it is typed) nor written anywhere but enciphered into PW, as the
// program's password change dialog writes it.
#pragma once

#include "platform/registry/RegistryStore.h"

#include <istream>
#include <optional>
#include <ostream>
#include <vector>

namespace regtool {

bool isPasswordCommand(const QByteArray& command);

// args as run() takes them ("set-password" or "check-password", KEYPATH); the key path has been
// checked. The exit status.
int runPasswordCommand(const std::vector<QByteArray>& args, registry::Root root,
                       const QString& subKey, registry::RegistryStore& store, std::istream& in,
                       std::ostream& out, std::ostream& err);

// One line without its line end ("\n" or "\r\n"); nothing when the input ends before any byte.
std::optional<QByteArray> readPasswordLine(std::istream& in);

}  // namespace regtool
