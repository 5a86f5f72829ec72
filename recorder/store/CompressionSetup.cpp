#include "recorder/store/CompressionSetup.h"

#include <cstdint>

namespace aurx::store {
namespace {

// The highest rate any of our devices records or plays.
constexpr std::uint32_t kHighestRate = 192000;

std::size_t roundUp(std::size_t n, std::size_t unit) {
    return (n + unit - 1) / unit * unit;
}

// The linear format the devices exchange must be one they could take: its buffers are sized
// from it, and the control's SampleRate and NumChannels are set from it.
bool usablePartner(const codecs::WaveFormat& p) {
    return p.tag == codecs::kTagPcm && (p.channels == 1 || p.channels == 2) &&
           (p.bitsPerSample == 8 || p.bitsPerSample == 16) && p.samplesPerSec > 0 &&
           p.samplesPerSec <= kHighestRate && p.blockAlign == p.channels * p.bitsPerSample / 8 &&
           p.avgBytesPerSec == std::uint64_t{p.samplesPerSec} * p.blockAlign;
}

}  // namespace

std::optional<CompressedInfo> setUpCompression(std::span<const std::uint8_t> block,
                                               const codecs::WaveFormat& partner, bool playOnly,
                                               const codecs::Manager& codecs) {
    if (block.size() < codecs::kWaveFormatSize) return std::nullopt;
    if (!usablePartner(partner)) return std::nullopt;
    codecs::WaveFormat wave = codecs::WaveFormat::parse(block);
    CompressedInfo info;
    if (wave.tag == codecs::kTagPcm) {
        wave.extraSize = 0;
        // In 64 bits: channels × rate of a hostile block can wrap to 0 in 32.
        const std::uint64_t perSecond = std::uint64_t{wave.channels} * wave.samplesPerSec;
        if (perSecond == 0) return std::nullopt;
        const std::uint64_t bits = wave.avgBytesPerSec / perSecond * 8;
        if (bits > UINT16_MAX) return std::nullopt;
        wave.bitsPerSample = static_cast<std::uint16_t>(bits);
        info.format = wave.toBlock();
    } else {
        const std::size_t size = codecs::kWaveFormatSize + wave.extraSize;
        if (size > block.size()) return std::nullopt;
        info.format.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
    }
    if (wave.avgBytesPerSec == 0 || wave.blockAlign == 0 || wave.samplesPerSec == 0)
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

}  // namespace aurx::store
