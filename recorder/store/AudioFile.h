// The control's open audio file: a WAV file (PCM, A-law, µ-law or a codec format), a
// header-less data file or a raw MPEG Layer III stream. It knows the file's formats, where
// its sample data lies, the frame counters (length, position, recorded-since-open) and the
// byte arithmetic between frames and bytes; it writes at the write point, reads data, keeps
// the header's sizes up with what reached the file while it is written to, patches them after
// a recording and brings the header up to date when it is closed.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/codecs/WaveFormat.h"
#include "platform/riff/RiffFile.h"

namespace aurx::store {

enum class Encoding { Pcm, ALaw, MuLaw, Compressed };

// What the compression set-up established for a codec-format file.
struct CompressedInfo {
    codecs::FormatBlock format;      // the file's compressed format record
    codecs::WaveFormat partner;      // the linear PCM format the devices use
    double samplesPerBlock = 0;      // frames per compressed block
    std::size_t pcmBufferBytes = 0;  // 0.1 s of partner audio, whole partner blocks
    std::size_t encoderOutputBytes = 0;
    std::size_t decoderInputBytes = 0;

    codecs::WaveFormat wave() const { return codecs::WaveFormat::parse(format); }
};

// Everything an opener found or made; the file takes it over.
struct FileLayout {
    std::string name;
    riff::File handle;
    Encoding encoding = Encoding::Pcm;
    std::int16_t dataOnly = 0;  // 0: WAV
    bool playOnly = false;
    bool created = false;         // made by this open rather than found
    codecs::WaveFormat format{};  // PCM/G.711: the file's record; compressed: the codec format
    std::optional<CompressedInfo> compressed;
    bool fact = false;
    std::uint64_t factOffset = 0;  // where the sample count lives
    riff::Chunk riff{};
    riff::Chunk data{};
    std::uint64_t dataOffset = 0;
    std::uint64_t dataSize = 0;
    std::int32_t numSamples = 0;
    bool unfinished = false;  // a WAV header never patched: the recording was cut off
};

class AudioFile {
  public:
    explicit AudioFile(FileLayout layout);
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;
    ~AudioFile();

    const std::string& name() const { return layout_.name; }
    Encoding encoding() const { return layout_.encoding; }
    bool isCompressed() const { return layout_.encoding == Encoding::Compressed; }
    bool isDataOnly() const { return layout_.dataOnly != 0; }
    bool playOnly() const { return layout_.playOnly; }
    bool created() const { return layout_.created; }
    const codecs::WaveFormat& fileFormat() const { return layout_.format; }
    // The format the sound devices exchange: the file's own for PCM and G.711, the partner
    // for a codec format.
    const codecs::WaveFormat& deviceFormat() const;
    const CompressedInfo* compressed() const;
    std::uint32_t sampleRate() const { return layout_.format.samplesPerSec; }
    std::uint64_t dataOffset() const { return layout_.dataOffset; }
    std::uint64_t dataSize() const { return dataSize_.load(); }

    std::int32_t numSamples() const { return numSamples_.load(); }
    std::int32_t position() const { return position_.load(); }
    std::int32_t limitCounter() const { return limitCounter_.load(); }
    double readPosition() const { return readPosition_.load(); }
    void setReadPosition(double frames) { readPosition_.store(frames); }
    // Moves the read position by `frames` (never below 0), safe against the worker's updates.
    void moveReadPosition(double frames);

    // Sets the position: a negative value or one beyond the end means the end; codec files
    // round down to whole blocks. Moves the read position by the same amount and makes the
    // next write recompute its byte offset.
    void setPosition(std::int32_t frames);

    // Byte offset within the data of a frame, and the frames that a number of data bytes hold.
    std::uint64_t byteOfFrame(std::int64_t frame) const;
    std::int32_t framesOfBytes(std::uint64_t bytes) const;

    // Writes at the write point (recomputed from the position when unset) and advances the
    // position, the length and, for captured audio, the recorded-since-open counter by
    // `frames`. Consecutive writes are gathered up to about half a second of data before they
    // go to the file; a short write is a failure, reported by the write that finds it.
    bool write(std::span<const std::uint8_t> bytes, std::int32_t frames, bool capturedAudio);
    // Reads data bytes starting `offset` bytes into the data; the count read, or −1 on failure.
    std::int64_t read(std::uint64_t offset, std::span<std::uint8_t> out);
    // Writes what consecutive writes gathered; false when not all of it reached the file.
    bool flushWrites() { return flushPending(); }
    // Puts the write point at `offset` bytes into the data and the position at the frame
    // there.
    void moveWritePoint(std::uint64_t offset);
    // The position at the end of the file, as an open leaves it (no rounding to blocks).
    void positionAtEnd();
    // Playback's advance of the position by the frames heard, up to the end.
    void advancePosition(std::int32_t frames);
    void setWriteOffset(std::int64_t absolute) { writeOffset_.store(absolute); }

    // After a recording: the data size (and for WAV files the RIFF size) from the length,
    // then back to the position.
    bool finaliseAfterRecording();
    // Brings the header up to date (sizes, the sample count of the fact chunk) and closes.
    bool close();

    // Removes `frames` frames at the position (whole blocks for codec files); the data behind
    // moves down, the sizes are patched, the file keeps its length on disk. The file is
    // rebuilt beside itself and replaced in one step, so a failure leaves it as it was.
    bool deleteFrames(std::int32_t frames);

    // Insert-mode recording: from beginInsert() on, writes go to a separate insert file and
    // the position and length grow by what is written; finishInsert() puts that audio into
    // the data at the position where it began (rebuilding the file beside itself) and removes
    // the insert file. On failure the file stays as it was and the inserted audio is dropped.
    bool beginInsert();
    bool finishInsert();
    bool inserting() const { return insert_.isOpen(); }
    // Where the file's content ends: the end of the RIFF chunk, or of a data-only file's data.
    std::uint64_t logicalEnd() const;

    riff::File& handle() { return layout_.handle; }

  private:
    bool patchSizes();
    // Writes the data size (with its pad byte), the RIFF size and the sample count that a data
    // chunk of `dataSize` bytes gives into `f`, which holds this file's header.
    bool writeHeaderSizes(riff::File& f, std::uint64_t dataSize) const;
    // Opens the file again after it was replaced, and finds its chunks again.
    bool reopen();
    bool appendInsert(std::span<const std::uint8_t> bytes);
    // Writes what consecutive writes gathered; on a short write the file's length falls back
    // to what reached it. What did reach it is then described by the header.
    bool flushPending();
    // Brings the header's sizes up to what reached the file, so that after a crash every
    // program reads it (less what was still gathered), and starts its way to the disk.
    void headerFollowsData();
    std::size_t gatherLimit() const;
    std::int32_t framesOfWholeBytes(std::uint64_t bytes) const;

    FileLayout layout_;
    std::atomic<std::uint64_t> dataSize_;
    std::atomic<std::int32_t> numSamples_;
    std::atomic<std::int32_t> position_{0};
    std::atomic<std::int32_t> limitCounter_{0};
    std::atomic<std::int64_t> writeOffset_{-1};
    std::atomic<double> readPosition_{0};
    bool modified_ = false;  // written to since it was opened: the header needs updating
    riff::File insert_;      // the insert file while an insert recording runs
    std::string insertPath_;
    std::uint64_t insertAt_ = 0;  // data byte where the inserted audio goes
    std::uint64_t insertedBytes_ = 0;
    std::int32_t insertPosition_ = 0;
    std::vector<std::uint8_t> pending_;  // gathered writes, from pendingAt_ on
    std::uint64_t pendingAt_ = 0;
    std::uint64_t headerDataSize_;  // the data size the header on disk gives
    std::chrono::steady_clock::time_point lastWriteback_{};
};

// Frames as a count the counters can hold.
std::int32_t clampFrames(double frames);

}  // namespace aurx::store
