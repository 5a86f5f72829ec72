#include "platform/posix/FdIo.h"

#include <unistd.h>

#include <array>
#include <cerrno>

namespace aurx::posix {

namespace {

// Calls `readAt(buffer, wanted)` until `size` bytes, the end, or (with stopWhenShort) a
// short read; signals are retried. The bytes read, or -1 with errno set.
template <class Read>
ssize_t readLoop(void* buffer, std::size_t size, bool stopWhenShort, Read readAt) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const std::size_t wanted = size - got;
        const ssize_t n = readAt(bytes + got, wanted);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
        if (stopWhenShort && static_cast<std::size_t>(n) < wanted) break;
    }
    return static_cast<ssize_t>(got);
}

}  // namespace

ssize_t readFully(int fd, void* buffer, std::size_t size) {
    return readLoop(buffer, size, false,
                    [fd](char* to, std::size_t n) { return ::read(fd, to, n); });
}

ssize_t readRegularFile(int fd, void* buffer, std::size_t size) {
    return readLoop(buffer, size, true,
                    [fd](char* to, std::size_t n) { return ::read(fd, to, n); });
}

int writeAll(int fd, const void* buffer, std::size_t size) {
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        // Never for a file or a pipe; looping on it would never end.
        if (n == 0) return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int copyAll(int from, int to) {
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (const int error = writeAll(to, buffer.data(), static_cast<std::size_t>(got)))
            return error;
    }
}

int pollRetrying(pollfd* fds, nfds_t count, int timeoutMs) {
    for (;;) {
        const int r = ::poll(fds, count, timeoutMs);
        if (r >= 0 || errno != EINTR) return r;
    }
}

}  // namespace aurx::posix
