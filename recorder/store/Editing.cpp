// Editing the file in place: deleting frames and inserting a recording. Each rebuilds the
// file beside itself and replaces it in one step.
#include <unistd.h>

#include <cmath>
#include <vector>

#include "recorder/store/AudioFile.h"
#include "recorder/store/FileOpener.h"
#include "recorder/store/FileReplacement.h"

namespace aurx::store {
namespace {

std::int32_t wholeBlocks(std::int64_t frames, double samplesPerBlock) {
    return clampFrames(
        std::floor(std::floor(frames / samplesPerBlock + 0.5) * samplesPerBlock + 0.5));
}

}  // namespace

std::uint64_t AudioFile::logicalEnd() const {
    if (isDataOnly()) return layout_.dataOffset + dataSize();
    return layout_.riff.end();
}

bool AudioFile::writeHeaderSizes(riff::File& f, std::uint64_t dataSize) const {
    if (isDataOnly()) return true;
    std::uint8_t field[4];
    const auto put = [&](std::uint64_t at, std::uint64_t value) {
        codecs::writeLe32(field, 0, static_cast<std::uint32_t>(value));
        return f.seek(at) && f.writeExact(field, 4);
    };
    const std::uint64_t dataEnd = layout_.dataOffset + dataSize;
    bool ok = put(layout_.dataOffset - 4, dataSize) && put(4, dataEnd + (dataSize & 1u) - 8);
    if (dataSize & 1u) {
        const std::uint8_t pad = 0;
        ok = ok && f.seek(dataEnd) && f.writeExact(&pad, 1);
    }
    if (layout_.fact) ok = ok && put(layout_.factOffset, static_cast<std::uint32_t>(numSamples()));
    return ok;
}

bool AudioFile::reopen() {
    auto handle = riff::File::open(layout_.name, riff::Mode::ReadWrite);
    if (!handle) return false;
    layout_.handle = std::move(*handle);
    if (isDataOnly()) return true;
    riff::File& f = layout_.handle;
    const auto length = f.length().value_or(0);
    if (!f.seek(0) || !f.descend(layout_.riff, nullptr, riff::fourcc("RIFF"), riff::fourcc("WAVE")))
        return false;
    riff::Chunk bound = layout_.riff;
    if (bound.end() > length) bound.size = static_cast<std::uint32_t>(length - bound.dataOffset);
    return f.seek(layout_.riff.dataOffset + 4) &&
           f.descend(layout_.data, &bound, riff::fourcc("data"));
}

bool AudioFile::deleteFrames(std::int32_t frames) {
    const auto* c = compressed();
    const std::int64_t n = c ? wholeBlocks(frames, c->samplesPerBlock) : frames;
    const std::int32_t pos = position();
    const std::int32_t length = numSamples();
    if (n <= 0) return true;
    if (!flushPending()) return false;
    // Beyond the frames behind the position the file is cut at the position.
    const std::int64_t cut = std::min<std::int64_t>(n, static_cast<std::int64_t>(length) - pos);
    // At the end there is nothing to delete, and nothing is rewritten.
    if (cut <= 0) return true;
    const std::uint64_t to = byteOfFrame(pos);
    const std::uint64_t from = byteOfFrame(pos + cut);
    const std::uint64_t end = byteOfFrame(length);
    std::int32_t remaining = cut < n ? pos : static_cast<std::int32_t>(length - n);
    if (c && cut == n) remaining = wholeBlocks(remaining, c->samplesPerBlock);
    const std::uint64_t newSize = cut < n ? to : to + (end - from);
    const std::int32_t oldLength = numSamples_.exchange(remaining);

    // The new file has the old one's length on disk: the bytes after the data stay as spare
    // space until a re-pack.
    const std::uint64_t fileLength = layout_.handle.length().value_or(0);
    riff::File& in = layout_.handle;
    const std::uint64_t base = layout_.dataOffset;
    const bool replaced = replaceFile(layout_.name, [&](riff::File& out) {
        return copyRange(in, 0, out, 0, fileLength) &&
               copyRange(in, base + from, out, base + to, end - from) &&
               writeHeaderSizes(out, newSize);
    });
    if (!replaced || !reopen()) {
        numSamples_.store(oldLength);
        return false;
    }
    modified_ = true;
    dataSize_.store(newSize);
    if (position() > numSamples()) position_.store(numSamples());
    writeOffset_.store(-1);
    return true;
}

bool AudioFile::beginInsert() {
    insertPath_ = makeUniqueFile(temporaryDirectory());
    if (insertPath_.empty()) return false;
    auto f = riff::File::open(insertPath_, riff::Mode::Create);
    if (!f) {
        ::unlink(insertPath_.c_str());
        return false;
    }
    insert_ = std::move(*f);
    insertedBytes_ = 0;
    insertPosition_ = position();
    insertAt_ = byteOfFrame(insertPosition_);
    return true;
}

bool AudioFile::appendInsert(std::span<const std::uint8_t> bytes) {
    // Only whole writes count: a short one is a failure and its bytes are not merged.
    if (!insert_.seek(insertedBytes_) || !insert_.writeExact(bytes.data(), bytes.size()))
        return false;
    insertedBytes_ += bytes.size();
    return true;
}

bool AudioFile::finishInsert() {
    if (!inserting()) return true;
    const std::uint64_t inserted = insertedBytes_;
    bool ok = true;
    if (inserted > 0 && flushPending()) {
        const std::uint64_t end = dataSize();
        const std::uint64_t newSize = end + inserted;
        riff::File& in = layout_.handle;
        const std::uint64_t base = layout_.dataOffset;
        ok = replaceFile(layout_.name,
                         [&](riff::File& out) {
                             return copyRange(in, 0, out, 0, base + insertAt_) &&
                                    copyRange(insert_, 0, out, base + insertAt_, inserted) &&
                                    copyRange(in, base + insertAt_, out,
                                              base + insertAt_ + inserted, end - insertAt_) &&
                                    writeHeaderSizes(out, newSize);
                         }) &&
             reopen();
        if (ok) {
            dataSize_.store(newSize);
            modified_ = true;
        }
    } else if (inserted > 0) {
        ok = false;
    }
    if (!ok) {
        // The file is as it was: so are its length and position.
        numSamples_.store(numSamples_.load() - (position_.load() - insertPosition_));
        position_.store(insertPosition_);
    }
    insert_.close();
    ::unlink(insertPath_.c_str());
    insertPath_.clear();
    writeOffset_.store(-1);
    return ok;
}

}  // namespace aurx::store
