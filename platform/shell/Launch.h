// Starting programs without a shell and without waiting for them.
#pragma once

#include <string>
#include <vector>

namespace aurx::shell {

// Starts argv[0] (looked up on PATH) with the given arguments, detached: the program is not
// waited for and leaves no zombie behind. True when it was executed.
bool launchDetached(const std::vector<std::string>& argv);
// As launchDetached; the program holds `heldFd`, the write end of a pipe, open until it ends, so
// that the caller sees the end on the read end without waiting for it.
bool launchHolding(const std::vector<std::string>& argv, int heldFd);

}  // namespace aurx::shell
