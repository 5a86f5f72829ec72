// Linear PCM: formats of 8 (unsigned) or 16 (signed) bits; streams change the sample width.
#include <cstring>

#include "platform/codecs/BlockStream.h"
#include "platform/codecs/Drivers.h"

namespace aurx::codecs {
namespace {

constexpr std::uint32_t kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};

class PcmDriver : public Driver {
  public:
    std::uint16_t tag() const override { return kTagPcm; }
    std::string tagName() const override { return "PCM"; }

    bool accepts(const WaveFormat& f, std::span<const std::uint8_t>) const override {
        return (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.channels >= 1 &&
               f.samplesPerSec > 0 && f.blockAlign == f.channels * f.bitsPerSample / 8;
    }

    std::optional<WaveFormat> suggestPcm(const WaveFormat& f) const override {
        return WaveFormat::pcm(f.samplesPerSec, f.channels, f.bitsPerSample);
    }

    std::string describe(const WaveFormat& f) const override {
        return rateText(f.samplesPerSec) + ", " + std::to_string(f.bitsPerSample) + " Bit, " +
               channelText(f.channels);
    }

    std::vector<FormatBlock> formats() const override {
        std::vector<FormatBlock> out;
        for (auto rate : kRates)
            for (std::uint16_t bits : {8, 16})
                for (std::uint16_t ch : {1, 2})
                    out.push_back(WaveFormat::pcm(rate, ch, bits).toBlock());
        return out;
    }

    std::unique_ptr<Stream> open(const FormatBlock& fromBlock,
                                 const FormatBlock& toBlock) const override {
        const auto from = WaveFormat::parse(fromBlock);
        const auto to = WaveFormat::parse(toBlock);
        if (from.samplesPerSec != to.samplesPerSec || from.channels != to.channels) return nullptr;
        const std::size_t ch = from.channels;
        if (from.bitsPerSample == to.bitsPerSample)
            return std::make_unique<BlockStream>(
                from.blockAlign, to.blockAlign,
                [n = std::size_t{from.blockAlign}](const std::uint8_t* s, std::uint8_t* d) {
                    std::memcpy(d, s, n);
                });
        if (from.bitsPerSample == 8)
            return std::make_unique<BlockStream>(
                ch, 2 * ch, [ch](const std::uint8_t* s, std::uint8_t* d) {
                    for (std::size_t i = 0; i < ch; ++i) {
                        const auto v = static_cast<std::int16_t>((s[i] - 128) * 256);
                        d[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
                        d[2 * i + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
                    }
                });
        return std::make_unique<BlockStream>(
            2 * ch, ch, [ch](const std::uint8_t* s, std::uint8_t* d) {
                for (std::size_t i = 0; i < ch; ++i) {
                    const auto v = static_cast<std::int16_t>(s[2 * i] | s[2 * i + 1] << 8);
                    d[i] = static_cast<std::uint8_t>((v >> 8) + 128);
                }
            });
    }
};

}  // namespace

std::unique_ptr<Driver> makePcmDriver() {
    return std::make_unique<PcmDriver>();
}

}  // namespace aurx::codecs
