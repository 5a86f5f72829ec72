#include "recorder/store/Mp3Header.h"

namespace aurx::store {
namespace {

constexpr int kBad = -1;
// Bit rates in kbit/s by index; 0 is free format, kBad is forbidden.
constexpr int kV1L1[16] = {0,   32,  64,  96,  128, 160, 192, 224,
                           256, 288, 320, 352, 384, 416, 448, kBad};
constexpr int kV1L2[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, kBad};
constexpr int kV1L3[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, kBad};
constexpr int kV2L1[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, kBad};
constexpr int kV2L23[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, kBad};

int bitrate(unsigned version, unsigned layer, unsigned index) {
    if (version == 3) return layer == 3 ? kV1L1[index] : layer == 2 ? kV1L2[index] : kV1L3[index];
    return layer == 3 ? kV2L1[index] : kV2L23[index];
}

unsigned sampleRate(unsigned version, unsigned index) {
    static constexpr unsigned kRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    return index < 3 ? kRates[version][index] : 0;
}

}  // namespace

std::optional<MpegHeader> findMpegHeader(std::span<const std::uint8_t> b) {
    for (std::size_t p = 0; p + 4 <= b.size(); ++p) {
        if (b[p] != 0xFF || b[p + 1] <= 0xDF) continue;
        const unsigned version = (b[p + 1] >> 3) & 3;
        const unsigned layer = (b[p + 1] >> 1) & 3;
        if (version == 1 || layer == 0) continue;
        const int kbps = bitrate(version, layer, b[p + 2] >> 4);
        const unsigned rate = sampleRate(version, (b[p + 2] >> 2) & 3);
        if (kbps == kBad || rate == 0) continue;
        return MpegHeader{p,
                          version,
                          layer,
                          static_cast<unsigned>(kbps),
                          rate,
                          ((b[p + 2] >> 1) & 1) != 0,
                          static_cast<unsigned>(b[p + 3] >> 6)};
    }
    return std::nullopt;
}

codecs::FormatBlock mpegLayer3Format(const MpegHeader& h) {
    const std::uint16_t channels = h.channelMode == 3 ? 1 : 2;
    const std::uint32_t factor = h.version == 3 ? 144000 : 72000;
    std::uint8_t extra[12] = {};
    codecs::writeLe16(extra, 0, 1);                    // MPEG
    codecs::writeLe32(extra, 2, h.padding ? 1u : 2u);  // padding on / off
    codecs::writeLe16(extra, 6, static_cast<std::uint16_t>(h.bitrateKbps * factor / h.sampleRate));
    codecs::writeLe16(extra, 8, 1);      // frames per block
    codecs::writeLe16(extra, 10, 1393);  // codec delay
    const codecs::WaveFormat f{
        codecs::kTagMpegLayer3, channels, h.sampleRate, h.bitrateKbps * 1000 / 8, 1, 0, 12};
    return f.toBlock(extra);
}

}  // namespace aurx::store
