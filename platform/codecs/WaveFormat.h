// The sound-format record every codec and device speaks: the WAVEFORMATEX layout (18 bytes,
// little-endian) followed by codec-specific extra bytes. `FormatBlock` holds the raw bytes,
// `WaveFormat` the decoded fixed fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace aurx::codecs {

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagALaw = 6;
constexpr std::uint16_t kTagMuLaw = 7;
constexpr std::uint16_t kTagGsm610 = 49;
constexpr std::uint16_t kTagMpegLayer3 = 85;

constexpr std::size_t kWaveFormatSize = 18;

using FormatBlock = std::vector<std::uint8_t>;

struct WaveFormat {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    // Reads the fixed fields; bytes missing from a short block read as zero.
    static WaveFormat parse(std::span<const std::uint8_t> bytes);
    // 18 bytes with these fields, followed by `extra` (extraSize is set to its length).
    FormatBlock toBlock(std::span<const std::uint8_t> extra = {}) const;

    static WaveFormat pcm(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits);

    bool operator==(const WaveFormat&) const = default;
};

std::uint16_t readLe16(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint32_t readLe32(std::span<const std::uint8_t> bytes, std::size_t offset);
void writeLe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value);
void writeLe32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value);

}  // namespace aurx::codecs
