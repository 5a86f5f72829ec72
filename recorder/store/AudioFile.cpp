#include "recorder/store/AudioFile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace aurx::store {

std::int32_t clampFrames(double frames) {
    if (!(frames > 0)) return 0;
    if (frames >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(frames);
}

AudioFile::AudioFile(FileLayout layout)
    : layout_(std::move(layout)),
      dataSize_(layout_.dataSize),
      numSamples_(layout_.numSamples),
      headerDataSize_(layout_.data.size) {
    // A recording cut off before its header was patched is finished when it is closed, so
    // that every other program reads it whole from then on.
    if (layout_.unfinished && !layout_.playOnly && !isDataOnly()) {
        layout_.data.dirty = true;
        layout_.riff.dirty = true;
        modified_ = true;
    }
}

AudioFile::~AudioFile() = default;

const codecs::WaveFormat& AudioFile::deviceFormat() const {
    return layout_.compressed ? layout_.compressed->partner : layout_.format;
}

const CompressedInfo* AudioFile::compressed() const {
    return layout_.compressed ? &*layout_.compressed : nullptr;
}

void AudioFile::moveReadPosition(double frames) {
    double current = readPosition_.load();
    double next = 0;
    do {
        next = current + frames;
        if (next < 0) next = 0;
    } while (!readPosition_.compare_exchange_weak(current, next));
}

void AudioFile::setPosition(std::int32_t frames) {
    const std::int32_t length = numSamples();
    std::int32_t n = frames;
    if (n < 0 || n > length) n = length;
    if (const auto* c = compressed()) {
        const double s = c->samplesPerBlock;
        n = clampFrames(std::floor(n / s) * s + 0.5);
    }
    if (n < 0) n = 0;
    if (n > length) n = length;
    const std::int32_t old = position_.exchange(n);
    moveReadPosition(static_cast<double>(n) - old);
    writeOffset_.store(-1);
}

std::uint64_t AudioFile::byteOfFrame(std::int64_t frame) const {
    if (frame <= 0) return 0;
    if (const auto* c = compressed()) {
        const double blocks = std::floor(static_cast<double>(frame) / c->samplesPerBlock + 0.5);
        return static_cast<std::uint64_t>(blocks) * c->wave().blockAlign;
    }
    return static_cast<std::uint64_t>(frame) * layout_.format.blockAlign;
}

std::int32_t AudioFile::framesOfBytes(std::uint64_t bytes) const {
    if (const auto* c = compressed())
        return clampFrames(std::floor(
            static_cast<double>(bytes) * c->samplesPerBlock / c->wave().blockAlign + 0.5));
    return clampFrames(static_cast<double>(bytes / layout_.format.blockAlign));
}

void AudioFile::moveWritePoint(std::uint64_t offset) {
    position_.store(std::min(framesOfBytes(offset), numSamples()));
    writeOffset_.store(static_cast<std::int64_t>(layout_.dataOffset + offset));
}

void AudioFile::positionAtEnd() {
    position_.store(numSamples());
    readPosition_.store(numSamples());
    writeOffset_.store(-1);
}

void AudioFile::advancePosition(std::int32_t frames) {
    const std::int64_t next = static_cast<std::int64_t>(position_.load()) + frames;
    position_.store(static_cast<std::int32_t>(std::min<std::int64_t>(next, numSamples())));
}

bool AudioFile::write(std::span<const std::uint8_t> bytes, std::int32_t frames,
                      bool capturedAudio) {
    std::int64_t at = writeOffset_.load();
    if (at < 0) at = static_cast<std::int64_t>(layout_.dataOffset + byteOfFrame(position()));
    if (inserting()) {
        if (!appendInsert(bytes)) return false;
        position_.store(position_.load() + frames);
        numSamples_.store(numSamples_.load() + frames);
        if (capturedAudio) limitCounter_.store(limitCounter_.load() + frames);
        modified_ = true;
        return true;
    }
    const auto from = static_cast<std::uint64_t>(at);
    // RIFF sizes are 32 bits: a write that would carry the file past them fails like a full disk.
    constexpr std::uint64_t kRiffLimit = std::numeric_limits<std::uint32_t>::max() - 1;
    if (!isDataOnly() && from + bytes.size() > kRiffLimit) return flushPending() && false;
    // Writes that follow each other gather into one; anything else writes what was gathered.
    if (!pending_.empty() && from != pendingAt_ + pending_.size() && !flushPending()) return false;
    if (pending_.empty()) pendingAt_ = from;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    writeOffset_.store(static_cast<std::int64_t>(from + bytes.size()));
    layout_.data.dirty = true;
    layout_.riff.dirty = true;
    modified_ = true;
    const std::uint64_t end = from + bytes.size() - layout_.dataOffset;
    if (end > dataSize_.load()) dataSize_.store(end);
    const std::int32_t pos = position_.load() + frames;
    position_.store(pos);
    if (pos > numSamples_.load()) numSamples_.store(pos);
    if (capturedAudio) limitCounter_.store(limitCounter_.load() + frames);
    return pending_.size() < gatherLimit() || flushPending();
}

std::size_t AudioFile::gatherLimit() const {
    // About a second of the file's data: the disk is then at most as far behind after a crash
    // as after a power cut (write-back starts once a second), and a recording that runs all
    // day touches its file, header and all, once a second rather than twice.
    const auto perSecond = static_cast<std::size_t>(layout_.format.avgBytesPerSec);
    return std::clamp<std::size_t>(perSecond, 1, 65536);
}

bool AudioFile::flushPending() {
    if (pending_.empty()) return true;
    std::size_t written = 0;
    if (layout_.handle.seek(pendingAt_))
        written = layout_.handle.write(pending_.data(), pending_.size());
    const bool complete = written == pending_.size();
    if (!complete) {
        // What did not reach the file is not part of it: the length ends at the last whole
        // frame (or block) written, and the next write starts there.
        const std::uint64_t reached = pendingAt_ + written - layout_.dataOffset;
        if (reached < dataSize_.load()) {
            const std::int32_t frames = framesOfWholeBytes(reached);
            if (numSamples_.load() > frames) numSamples_.store(frames);
            if (position_.load() > frames) position_.store(frames);
            dataSize_.store(byteOfFrame(numSamples_.load()));
        }
        writeOffset_.store(-1);
    }
    pending_.clear();
    headerFollowsData();
    return complete;
}

void AudioFile::headerFollowsData() {
    if (isDataOnly() || playOnly()) return;
    const std::uint64_t size = dataSize_.load();
    if (size != headerDataSize_ && writeHeaderSizes(layout_.handle, size)) headerDataSize_ = size;
    // Without waiting for it: a power cut then loses about the last second, not the last
    // half minute the system may keep in memory.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastWriteback_ >= std::chrono::seconds(1)) {
        layout_.handle.startWriteback();
        lastWriteback_ = now;
    }
}

std::int32_t AudioFile::framesOfWholeBytes(std::uint64_t bytes) const {
    const std::uint16_t block =
        compressed() ? compressed()->wave().blockAlign : layout_.format.blockAlign;
    return framesOfBytes(bytes / block * block);
}

std::int64_t AudioFile::read(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (!flushPending()) return -1;
    const std::uint64_t size = dataSize();
    if (offset >= size) return 0;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), size - offset));
    if (!layout_.handle.seek(layout_.dataOffset + offset)) return -1;
    const std::size_t got = layout_.handle.read(out.data(), want);
    if (got == 0 && want > 0) return -1;
    return static_cast<std::int64_t>(got);
}

bool AudioFile::patchSizes() {
    const bool flushed = flushPending();
    const std::uint64_t end = layout_.dataOffset + byteOfFrame(numSamples());
    if (!layout_.handle.seek(end)) return false;
    dataSize_.store(end - layout_.dataOffset);
    if (isDataOnly()) return flushed;
    layout_.data.dirty = true;
    layout_.riff.dirty = true;
    return layout_.handle.ascend(layout_.data) && layout_.handle.ascend(layout_.riff) && flushed;
}

bool AudioFile::finaliseAfterRecording() {
    const bool ok = patchSizes();
    layout_.handle.flush();
    writeOffset_.store(-1);
    return ok;
}

bool AudioFile::close() {
    if (!layout_.handle.isOpen()) return true;
    bool ok = flushPending();
    if (!isDataOnly() && !playOnly()) {
        if (layout_.data.dirty) ok = patchSizes();
        // A file nobody changed keeps its header as it was, sample count included.
        if (layout_.fact && modified_) {
            std::uint8_t count[4];
            codecs::writeLe32(count, 0, static_cast<std::uint32_t>(numSamples()));
            ok = layout_.handle.seek(layout_.factOffset) && layout_.handle.writeExact(count, 4) &&
                 ok;
        }
        if (layout_.riff.dirty) {
            ok = layout_.handle.seek(layout_.data.endWithPad()) &&
                 layout_.handle.ascend(layout_.riff) && ok;
        }
        layout_.handle.flush();
    }
    layout_.handle.close();
    return ok;
}

}  // namespace aurx::store
