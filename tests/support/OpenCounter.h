// Counts how often each file of a folder is opened, by anyone, while it watches (inotify): a
// way to see what a search reads without asking the search.
#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <map>
#include <stdexcept>
#include <string>

namespace testsupport {

class OpenCounter {
  public:
    explicit OpenCounter(const std::string& folder)
        : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (fd_ < 0 || ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN) < 0)
            throw std::runtime_error("inotify: cannot watch " + folder);
    }
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;
    ~OpenCounter() { ::close(fd_); }

    // The opens of each file name since the last call (the folder itself not counted).
    std::map<std::string, int> take() {
        std::map<std::string, int> opens;
        alignas(inotify_event) char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (e->len > 0 && !(e->mask & IN_ISDIR)) ++opens[e->name];
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return opens;
    }

  private:
    int fd_;
};

}  // namespace testsupport
