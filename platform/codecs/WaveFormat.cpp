#include "platform/codecs/WaveFormat.h"

namespace aurx::codecs {

std::uint16_t readLe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint16_t v = 0;
    for (std::size_t i = 0; i < 2; ++i)
        if (offset + i < bytes.size())
            v |= static_cast<std::uint16_t>(bytes[offset + i] << (8 * i));
    return v;
}

std::uint32_t readLe32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        if (offset + i < bytes.size())
            v |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    return v;
}

void writeLe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    for (std::size_t i = 0; i < 2; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void writeLe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

WaveFormat WaveFormat::parse(std::span<const std::uint8_t> b) {
    return WaveFormat{readLe16(b, 0),  readLe16(b, 2),  readLe32(b, 4), readLe32(b, 8),
                      readLe16(b, 12), readLe16(b, 14), readLe16(b, 16)};
}

FormatBlock WaveFormat::toBlock(std::span<const std::uint8_t> extra) const {
    FormatBlock out(kWaveFormatSize + extra.size());
    writeLe16(out, 0, tag);
    writeLe16(out, 2, channels);
    writeLe32(out, 4, samplesPerSec);
    writeLe32(out, 8, avgBytesPerSec);
    writeLe16(out, 12, blockAlign);
    writeLe16(out, 14, bitsPerSample);
    writeLe16(out, 16, static_cast<std::uint16_t>(extra.size()));
    for (std::size_t i = 0; i < extra.size(); ++i)
        out[kWaveFormatSize + i] = extra[i];
    return out;
}

WaveFormat WaveFormat::pcm(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return WaveFormat{kTagPcm, channels, rate, rate * align, align, bits, 0};
}

}  // namespace aurx::codecs
