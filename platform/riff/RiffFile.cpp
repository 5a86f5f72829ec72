#include "platform/riff/RiffFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

namespace aurx::riff {
namespace {

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool isContainer(FourCC id) {
    return id == fourcc("RIFF") || id == fourcc("LIST");
}

}  // namespace

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)), pos_(other.pos_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        pos_ = other.pos_;
    }
    return *this;
}

File::~File() {
    close();
}

std::optional<File> File::open(const std::string& path, Mode mode) {
    // Only regular files: opening a FIFO blocks, a device reads without end (or is turned into
    // a file by an edit), and neither has the fixed length a RIFF file needs. The path is
    // checked before the open, so that no device is opened at all, and the open file again.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return std::nullopt;
    }
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY;
            break;
        case Mode::ReadWrite:
            flags |= O_RDWR;
            break;
        case Mode::Create:
            flags |= O_RDWR | O_CREAT | O_TRUNC;
            break;
    }
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return std::nullopt;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int cause = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        errno = cause;
        return std::nullopt;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return File(fd);
}

void File::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pos_ = 0;
}

std::size_t File::read(void* buffer, std::size_t n) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (fd_ >= 0 && done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(pos_ + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    pos_ += done;
    return done;
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (fd_ >= 0 && done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t File::write(const void* buffer, std::size_t n) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (fd_ >= 0 && done < n) {
        const ssize_t put = ::pwrite(fd_, in + done, n - done, static_cast<off_t>(pos_ + done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<std::size_t>(put);
    }
    pos_ += done;
    return done;
}

bool File::seek(std::uint64_t offset) {
    if (fd_ < 0 || offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return false;
    pos_ = offset;
    return true;
}

std::optional<std::uint64_t> File::length() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool File::flush() {
    return fd_ >= 0 && ::fsync(fd_) == 0;
}

void File::startWriteback() {
    if (fd_ >= 0) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool File::createChunk(Chunk& ck) {
    unsigned char header[12];
    putLe32(header, ck.id);
    putLe32(header + 4, ck.size);
    std::size_t n = 8;
    if (isContainer(ck.id)) {
        putLe32(header + 8, ck.formType);
        n = 12;
    }
    const std::uint64_t start = pos_;
    if (!writeExact(header, n)) return false;
    ck.dataOffset = start + 8;
    ck.dirty = true;
    return true;
}

bool File::descend(Chunk& ck, const Chunk* parent, FourCC id, FourCC formType) {
    const std::uint64_t limit = parent ? parent->end() : std::numeric_limits<std::uint64_t>::max();
    std::uint64_t at = pos_;
    while (at + 8 <= limit) {
        unsigned char header[12];
        if (!seek(at) || !readExact(header, 8)) return false;
        const FourCC foundId = le32(header);
        const std::uint32_t size = le32(header + 4);
        if (foundId == id) {
            if (!isContainer(id)) {
                ck = Chunk{foundId, size, 0, at + 8, false};
                return true;
            }
            // The form type is read even when the size is too small to hold it: an unfinished
            // file (its sizes still 0) is still recognised.
            if (readExact(header + 8, 4) && (formType == 0 || le32(header + 8) == formType)) {
                ck = Chunk{foundId, size, le32(header + 8), at + 8, false};
                return true;
            }
        }
        at += 8 + static_cast<std::uint64_t>(size) + (size & 1u);
    }
    return false;
}

bool File::ascend(Chunk& ck) {
    if (ck.dirty) {
        if (pos_ < ck.dataOffset) return false;
        const std::uint64_t size = pos_ - ck.dataOffset;
        if (size > std::numeric_limits<std::uint32_t>::max()) return false;
        const std::uint64_t end = pos_;
        if ((size & 1u) != 0) {
            const unsigned char pad = 0;
            if (!writeExact(&pad, 1)) return false;
        }
        if (size != ck.size) {
            unsigned char field[4];
            putLe32(field, static_cast<std::uint32_t>(size));
            if (!seek(ck.dataOffset - 4) || !writeExact(field, 4)) return false;
            ck.size = static_cast<std::uint32_t>(size);
        }
        ck.dirty = false;
        return seek(end + (size & 1u));
    }
    return seek(ck.endWithPad());
}

}  // namespace aurx::riff
