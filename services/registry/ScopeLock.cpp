#include "services/registry/ScopeLock.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <thread>

namespace parlaro::registry {

ScopeLock::ScopeLock(const QString& file) : lock_(file + ".lock") {}

std::optional<FileProblem> ScopeLock::acquire(std::chrono::milliseconds patience) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + patience;
    // QLockFile's own wait doubles its sleep up to five seconds, so a writer that is unlucky a
    // few times sleeps while others take turn after turn. Random steps of at most 100 ms keep
    // turns fair without many waiters taking the processor from the one that holds the lock.
    std::minstd_rand jitter(static_cast<unsigned>(::getpid()));
    int longestStepMs = 4;
    for (;;) {
        if (lock_.tryLock(0)) return std::nullopt;
        switch (lock_.error()) {
            case QLockFile::LockFailedError:
                break;
            case QLockFile::PermissionError:
                return FileProblem{EACCES, "its lock file cannot be made: Permission denied"};
            default:
                return FileProblem{EIO, "its lock file cannot be made"};
        }
        if (Clock::now() >= deadline) {
            return FileProblem{EBUSY, QString("another program kept it locked for %1 seconds")
                                          .arg(patience.count() / 1000)};
        }
        std::uniform_int_distribution<int> stepMs(1, longestStepMs);
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs(jitter)));
        longestStepMs = std::min(longestStepMs * 2, 100);
    }
}

}  // namespace parlaro::registry
