// Reading and writing descriptors whole: short transfers continued and EINTR retried, so no
// caller loses bytes to a signal or a pipe that takes less than it was given.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace aurx::posix {

// Reads until `size` bytes or the end of the file: the number read, or -1 with errno set.
ssize_t readFully(int fd, void* buffer, std::size_t size);

// As readFully, but a short read ends it, as it does for a regular file: one call reads a
// small file whole, where readFully would spend a second call finding the end.
ssize_t readRegularFile(int fd, void* buffer, std::size_t size);

// Writes all `size` bytes: 0, or the errno of the write that failed.
int writeAll(int fd, const void* buffer, std::size_t size);

// Copies from `from` to `to` until the end of `from`: 0, or the errno of the failure.
int copyAll(int from, int to);

// poll(2) again after a signal, with the full timeout each time: the callers' timeouts bound
// a wait for a notification, not a deadline.
int pollRetrying(pollfd* fds, nfds_t count, int timeoutMs);

}  // namespace aurx::posix
