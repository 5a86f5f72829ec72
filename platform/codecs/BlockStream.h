// A conversion stream for codecs that turn fixed-size source blocks into fixed-size
// destination blocks (PCM, G.711, GSM 6.10): only whole blocks are converted, the rest of the
// source is left to the caller, and with the end flag a trailing partial block can be padded.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/codecs/CodecManager.h"

namespace aurx::codecs {

class BlockStream : public Stream {
  public:
    using Convert = std::function<void(const std::uint8_t* source, std::uint8_t* destination)>;
    using Restart = std::function<void()>;

    BlockStream(std::size_t sourceBlock, std::size_t destinationBlock, Convert convert,
                Restart restart = {}, bool padFinalBlock = false);

    std::size_t destinationSize(std::size_t sourceBytes) const override;
    std::size_t sourceSize(std::size_t destinationBytes) const override;
    std::optional<Conversion> convert(std::span<const std::uint8_t> source,
                                      std::span<std::uint8_t> destination, unsigned flags) override;

  private:
    std::size_t sourceBlock_;
    std::size_t destinationBlock_;
    Convert convert_;
    Restart restart_;
    bool padFinalBlock_;
    std::vector<std::uint8_t> pad_;
};

}  // namespace aurx::codecs
