#include "platform/codecs/BlockStream.h"

#include <algorithm>
#include <cstring>

namespace aurx::codecs {

BlockStream::BlockStream(std::size_t sourceBlock, std::size_t destinationBlock, Convert convert,
                         Restart restart, bool padFinalBlock)
    : sourceBlock_(sourceBlock),
      destinationBlock_(destinationBlock),
      convert_(std::move(convert)),
      restart_(std::move(restart)),
      padFinalBlock_(padFinalBlock),
      pad_(sourceBlock) {}

std::size_t BlockStream::destinationSize(std::size_t sourceBytes) const {
    return (sourceBytes + sourceBlock_ - 1) / sourceBlock_ * destinationBlock_;
}

std::size_t BlockStream::sourceSize(std::size_t destinationBytes) const {
    return (destinationBytes + destinationBlock_ - 1) / destinationBlock_ * sourceBlock_;
}

std::optional<Conversion> BlockStream::convert(std::span<const std::uint8_t> source,
                                               std::span<std::uint8_t> destination,
                                               unsigned flags) {
    if ((flags & kConvertStart) && restart_) restart_();
    const std::size_t whole = source.size() / sourceBlock_;
    const std::size_t room = destination.size() / destinationBlock_;
    const std::size_t blocks = std::min(whole, room);
    for (std::size_t i = 0; i < blocks; ++i)
        convert_(source.data() + i * sourceBlock_, destination.data() + i * destinationBlock_);
    Conversion done{blocks * sourceBlock_, blocks * destinationBlock_};

    const std::size_t rest = source.size() - done.sourceUsed;
    if ((flags & kConvertEnd) && padFinalBlock_ && blocks == whole && rest > 0 && room > blocks) {
        std::fill(pad_.begin(), pad_.end(), std::uint8_t{0});
        std::memcpy(pad_.data(), source.data() + done.sourceUsed, rest);
        convert_(pad_.data(), destination.data() + done.destUsed);
        done.sourceUsed += rest;
        done.destUsed += destinationBlock_;
    }
    return done;
}

}  // namespace aurx::codecs
