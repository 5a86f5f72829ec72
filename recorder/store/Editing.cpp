// Deleting frames in place.
#include <cmath>
#include <vector>

#include "recorder/store/AudioFile.h"

namespace store {
namespace {

constexpr std::size_t kPiece = 65536;

}  // namespace

std::uint64_t AudioFile::logicalEnd() const {
    if (isDataOnly()) return layout_.dataOffset + dataSize();
    return layout_.riff.end();
}

bool AudioFile::deleteFrames(std::int32_t frames) {
    std::int64_t n = frames;
    const auto* c = compressed();
    if (c)
        n = clampFrames(
            std::floor(std::floor(n / c->samplesPerBlock + 0.5) * c->samplesPerBlock + 0.5));
    const std::int32_t pos = position();
    const std::int32_t length = numSamples();
    if (n <= 0) return true;
    if (!flushPending()) return false;
    bool ok = true;
    modified_ = true;
    if (n < static_cast<std::int64_t>(length) - pos) {
        riff::File& f = layout_.handle;
        const std::uint64_t to = layout_.dataOffset + byteOfFrame(pos);
        const std::uint64_t from = layout_.dataOffset + byteOfFrame(pos + n);
        const std::uint64_t end = layout_.dataOffset + byteOfFrame(length);
        std::vector<std::uint8_t> piece(kPiece);
        for (std::uint64_t done = 0; ok && from + done < end;) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, end - from - done));
            ok = f.seek(from + done) && f.readExact(piece.data(), want) && f.seek(to + done) &&
                 f.writeExact(piece.data(), want);
            done += want;
        }
        std::int32_t remaining = static_cast<std::int32_t>(length - n);
        if (c)
            remaining = clampFrames(std::floor(
                std::floor(remaining / c->samplesPerBlock + 0.5) * c->samplesPerBlock + 0.5));
        numSamples_.store(remaining);
    } else {
        numSamples_.store(pos);
    }
    ok = patchSizes() && ok;
    if (position() > numSamples()) position_.store(numSamples());
    writeOffset_.store(-1);
    return layout_.handle.seek(layout_.dataOffset + byteOfFrame(position())) && ok;
}

}  // namespace store
