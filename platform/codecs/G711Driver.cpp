// G.711 A-law (tag 6) and µ-law (tag 7), one byte per sample, to and from 16-bit PCM.
#include "platform/codecs/BlockStream.h"
#include "platform/codecs/Drivers.h"
#include "platform/codecs/G711.h"

namespace aurx::codecs {
namespace {

constexpr std::uint32_t kRates[] = {8000, 11025, 22050, 44100};

class G711Driver : public Driver {
  public:
    explicit G711Driver(std::uint16_t tag) : tag_(tag) {}

    std::uint16_t tag() const override { return tag_; }
    std::string tagName() const override {
        return tag_ == kTagALaw ? "CCITT A-Law" : "CCITT u-Law";
    }

    bool accepts(const WaveFormat& f, std::span<const std::uint8_t>) const override {
        return f.bitsPerSample == 8 && f.channels >= 1 && f.blockAlign == f.channels &&
               f.samplesPerSec > 0;
    }

    std::optional<WaveFormat> suggestPcm(const WaveFormat& f) const override {
        return WaveFormat::pcm(f.samplesPerSec, f.channels, 16);
    }

    std::string describe(const WaveFormat& f) const override {
        return rateText(f.samplesPerSec) + ", 8 Bit, " + channelText(f.channels);
    }

    std::vector<FormatBlock> formats() const override {
        std::vector<FormatBlock> out;
        for (auto rate : kRates)
            for (std::uint16_t ch : {1, 2})
                out.push_back(WaveFormat{tag_, ch, rate, rate * ch, ch, 8, 0}.toBlock());
        return out;
    }

    std::unique_ptr<Stream> open(const FormatBlock& fromBlock,
                                 const FormatBlock& toBlock) const override {
        const auto from = WaveFormat::parse(fromBlock);
        const auto to = WaveFormat::parse(toBlock);
        const bool alaw = tag_ == kTagALaw;
        if (from.tag == tag_ && isPcm16(to, from.samplesPerSec, from.channels)) {
            return std::make_unique<BlockStream>(
                1, 2, [alaw](const std::uint8_t* s, std::uint8_t* d) {
                    const std::int16_t v = alaw ? g711::aLawToLinear(*s) : g711::muLawToLinear(*s);
                    d[0] = static_cast<std::uint8_t>(v & 0xFF);
                    d[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
                });
        }
        if (to.tag == tag_ && isPcm16(from, to.samplesPerSec, to.channels)) {
            return std::make_unique<BlockStream>(
                2, 1, [alaw](const std::uint8_t* s, std::uint8_t* d) {
                    const auto v = static_cast<std::int16_t>(s[0] | s[1] << 8);
                    *d = alaw ? g711::linearToALaw(v) : g711::linearToMuLaw(v);
                });
        }
        return nullptr;
    }

  private:
    std::uint16_t tag_;
};

}  // namespace

std::unique_ptr<Driver> makeG711Driver(std::uint16_t tag) {
    return std::make_unique<G711Driver>(tag);
}

}  // namespace aurx::codecs
