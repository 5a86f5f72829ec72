#include "platform/shell/Launch.h"

#include "platform/posix/FdIo.h"
#include "platform/posix/UniqueFd.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace aurx::shell {

bool launchDetached(const std::vector<std::string>& argv) {
    return launchHolding(argv, -1);
}

bool launchHolding(const std::vector<std::string>& argv, int heldFd) {
    if (argv.empty() || argv[0].empty()) return false;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const posix::UniqueFd reportRead(report[0]);
    posix::UniqueFd reportWrite(report[1]);
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            if (heldFd >= 0) ::fcntl(heldFd, F_SETFD, 0);
            ::execvp(args[0], args.data());
            const int err = errno;
            [[maybe_unused]] auto r = ::write(report[1], &err, sizeof err);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    reportWrite.reset();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    const ssize_t got = posix::readFully(reportRead.get(), &err, sizeof err);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

}  // namespace aurx::shell
