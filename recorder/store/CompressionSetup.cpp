#include "recorder/store/CompressionSetup.h"

namespace store {
namespace {

std::size_t roundUp(std::size_t n, std::size_t unit) {
    return (n + unit - 1) / unit * unit;
}

}  // namespace

std::optional<CompressedInfo> setUpCompression(std::span<const std::uint8_t> block,
                                               const codecs::WaveFormat& partner, bool playOnly,
                                               const codecs::Manager& codecs) {
    if (block.size() < codecs::kWaveFormatSize) return std::nullopt;
    codecs::WaveFormat wave = codecs::WaveFormat::parse(block);
    CompressedInfo info;
    if (wave.tag == codecs::kTagPcm) {
        wave.extraSize = 0;
        if (wave.channels == 0 || wave.samplesPerSec == 0) return std::nullopt;
        wave.bitsPerSample = static_cast<std::uint16_t>(wave.avgBytesPerSec /
                                                        (wave.channels * wave.samplesPerSec) * 8);
        info.format = wave.toBlock();
    } else {
        const std::size_t size = codecs::kWaveFormatSize + wave.extraSize;
        if (size > block.size()) return std::nullopt;
        info.format.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
    }
    if (wave.avgBytesPerSec == 0 || wave.blockAlign == 0 || partner.blockAlign == 0)
        return std::nullopt;

    const auto partnerBlock = partner.toBlock();
    const auto decoder = codecs.open(info.format, partnerBlock);
    if (!decoder) return std::nullopt;
    std::unique_ptr<codecs::Stream> encoder;
    if (!playOnly) {
        encoder = codecs.open(partnerBlock, info.format);
        if (!encoder) return std::nullopt;
    }
    info.partner = partner;
    info.pcmBufferBytes = partner.avgBytesPerSec / 10 / partner.blockAlign * partner.blockAlign;
    if (info.pcmBufferBytes == 0) return std::nullopt;
    if (encoder)
        info.encoderOutputBytes =
            roundUp(encoder->destinationSize(info.pcmBufferBytes), wave.blockAlign);
    info.decoderInputBytes = roundUp(decoder->sourceSize(info.pcmBufferBytes), wave.blockAlign);
    info.samplesPerBlock =
        static_cast<double>(wave.samplesPerSec) / wave.avgBytesPerSec * wave.blockAlign;
    return info;
}

}  // namespace store
