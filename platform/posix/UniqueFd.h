// A file descriptor that closes itself: the one owner type for descriptors outside Qt's own.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace aurx::posix {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.fd_, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    // Closes now so that a failing close (a full disk over NFS) is seen: 0, or the errno.
    int close() {
        if (fd_ < 0) return 0;
        return ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno;
    }

  private:
    int fd_ = -1;
};

}  // namespace aurx::posix
