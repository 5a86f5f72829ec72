// RIFF file access in the manner of the classic multimedia-file layer: a file handle with
// read/write/seek and chunk create/descend/ascend, including the pad-byte rule (odd-sized
// chunks are followed by a zero byte) and the dirty-size rule (ascending a chunk marked dirty
// rewrites its size from the current position).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace aurx::riff {

using FourCC = std::uint32_t;

constexpr FourCC fourcc(const char (&s)[5]) {
    return static_cast<FourCC>(static_cast<unsigned char>(s[0])) |
           static_cast<FourCC>(static_cast<unsigned char>(s[1])) << 8 |
           static_cast<FourCC>(static_cast<unsigned char>(s[2])) << 16 |
           static_cast<FourCC>(static_cast<unsigned char>(s[3])) << 24;
}

struct Chunk {
    FourCC id = 0;
    std::uint32_t size = 0;
    FourCC formType = 0;           // "RIFF" and "LIST" chunks only
    std::uint64_t dataOffset = 0;  // first byte after the 8-byte header (the form type for RIFF)
    bool dirty = false;            // ascending rewrites the size from the current position

    std::uint64_t end() const { return dataOffset + size; }
    std::uint64_t endWithPad() const { return end() + (size & 1u); }
};

enum class Mode { Read, ReadWrite, Create };  // Create truncates or makes the file, read/write

class File {
  public:
    File() = default;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Opens `path`, which must be a regular file (or, for Create, not exist yet); on failure
    // returns nothing and leaves errno set (EISDIR for a folder, EINVAL for anything else that
    // is not a regular file).
    static std::optional<File> open(const std::string& path, Mode mode);

    bool isOpen() const { return fd_ >= 0; }
    void close();

    // Reads or writes at the current position and advances it; returns the bytes moved.
    std::size_t read(void* buffer, std::size_t n);
    std::size_t write(const void* buffer, std::size_t n);
    bool readExact(void* buffer, std::size_t n) { return read(buffer, n) == n; }
    bool writeExact(const void* buffer, std::size_t n) { return write(buffer, n) == n; }

    // Reads at `offset` without moving the position; safe from several threads at once.
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
    bool seek(std::uint64_t offset);
    std::uint64_t tell() const { return pos_; }
    std::optional<std::uint64_t> length() const;
    bool flush();  // to stable storage
    // Starts writing what the system holds of the file to stable storage, without waiting.
    void startWriteback();

    // Writes a chunk header at the current position (size field from `ck.size`, form type for
    // RIFF/LIST) and marks the chunk dirty; the position is then at the chunk's data.
    bool createChunk(Chunk& ck);
    // Searches forward from the current position, within `parent` when given, for a chunk whose
    // id is `id` (and whose form type is `formType` when that is non-zero). On success the
    // position is just after the header (after the form type for RIFF/LIST).
    bool descend(Chunk& ck, const Chunk* parent, FourCC id, FourCC formType = 0);
    // Leaves the chunk: a dirty chunk gets its size rewritten from the current position and a
    // zero pad byte when that size is odd; then the position moves past the chunk and its pad.
    bool ascend(Chunk& ck);

  private:
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
    std::uint64_t pos_ = 0;
};

}  // namespace aurx::riff
