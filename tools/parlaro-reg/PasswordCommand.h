// parlaro-reg's options password commands, for administrators who preset it:
//
//   parlaro-reg set-password   KEYPATH    password on standard input (one line); stores PW
//   parlaro-reg check-password KEYPATH    password on standard input; exit 0 match, 1 no match
//
// The password is read from standard input only, without its line end, and never echoed (a
// terminal's echo is off while it is typed, and given back when the program is interrupted,
// ended or stopped at the prompt) nor written anywhere but enciphered into PW, as the program's
// password change dialog writes it. No more is read than the longest password and its line end.
#pragma once

#include "services/registry/RegistryStore.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace regtool {

bool isPasswordCommand(const QByteArray& command);

// args as run() takes them ("set-password" or "check-password", KEYPATH); the key path has been
// checked. The exit status.
// The password is read from the descriptor `in`.
int runPasswordCommand(const std::vector<QByteArray>& args, parlaro::registry::Root root,
                       const QString& subKey, parlaro::registry::RegistryStore& store, int in,
                       std::ostream& out, std::ostream& err);

struct PasswordLine {
    std::optional<QByteArray> text;  // without its line end ("\n" or "\r\n")
    std::string problem;             // why there is none
};

// One line of at most `longest` bytes, read a byte at a time so that nothing after it is taken.
// None when the input ends before any byte, cannot be read, or holds a longer line (read no
// further than `longest` bytes and a line end).
PasswordLine readPasswordLine(int in, qsizetype longest);

}  // namespace regtool
