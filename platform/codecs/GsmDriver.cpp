// GSM 6.10 (tag 49) in its WAV form: one 65-byte block carries two 160-sample frames. Encoding
// is our own (the recorder runs it all day); decoding goes through libgsm in its WAV49 mode,
// which reads the second frame from byte 33. A stream start gives a fresh encoder or decoder
// handle, so the frame parity begins again at a block boundary.
#include <gsm.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/codecs/BlockStream.h"
#include "platform/codecs/Drivers.h"
#include "platform/codecs/GsmEncoder.h"

namespace aurx::codecs {
namespace {

constexpr std::size_t kSamplesPerBlock = 320;
constexpr std::size_t kBlockBytes = 65;
constexpr std::uint32_t kRates[] = {8000, 11025, 22050, 44100};

class GsmHandle {
  public:
    GsmHandle() { restart(); }
    GsmHandle(const GsmHandle&) = delete;
    GsmHandle& operator=(const GsmHandle&) = delete;
    ~GsmHandle() { release(); }

    void restart() {
        release();
        handle_ = gsm_create();
        if (handle_) {
            int one = 1;
            gsm_option(handle_, GSM_OPT_WAV49, &one);
        }
    }
    gsm get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    void release() {
        if (handle_) gsm_destroy(handle_);
        handle_ = nullptr;
    }
    gsm handle_ = nullptr;
};

std::unique_ptr<Stream> makeEncoder() {
    auto state = std::make_shared<GsmEncoder>();
    return std::make_unique<BlockStream>(
        kSamplesPerBlock * 2, kBlockBytes,
        [state](const std::uint8_t* s, std::uint8_t* d) {
            std::int16_t pcm[kSamplesPerBlock];
            std::memcpy(pcm, s, sizeof pcm);
            state->encodeBlock(pcm, d);
        },
        [state] { state->reset(); }, /*padFinalBlock=*/true);
}

std::unique_ptr<Stream> makeDecoder() {
    auto state = std::make_shared<GsmHandle>();
    if (!*state) return nullptr;
    return std::make_unique<BlockStream>(
        kBlockBytes, kSamplesPerBlock * 2,
        [state](const std::uint8_t* s, std::uint8_t* d) {
            gsm_byte block[kBlockBytes];
            std::memcpy(block, s, kBlockBytes);
            gsm_signal pcm[kSamplesPerBlock] = {};
            // A damaged frame decodes as silence rather than stopping playback.
            if (gsm_decode(state->get(), block, pcm) != 0 ||
                gsm_decode(state->get(), block + 33, pcm + 160) != 0)
                std::memset(pcm, 0, sizeof pcm);
            std::memcpy(d, pcm, sizeof pcm);
        },
        [state] { state->restart(); });
}

class GsmDriver : public Driver {
  public:
    std::uint16_t tag() const override { return kTagGsm610; }
    std::string tagName() const override { return "GSM 6.10"; }

    bool accepts(const WaveFormat& f, std::span<const std::uint8_t> block) const override {
        // Only the rates it offers: any other is a damaged or hostile header.
        if (f.channels != 1 || f.blockAlign != kBlockBytes ||
            std::find(std::begin(kRates), std::end(kRates), f.samplesPerSec) == std::end(kRates))
            return false;
        if (f.extraSize >= 2 && block.size() >= kWaveFormatSize + 2)
            return readLe16(block, kWaveFormatSize) == kSamplesPerBlock;
        return true;
    }

    std::optional<WaveFormat> suggestPcm(const WaveFormat& f) const override {
        return WaveFormat::pcm(f.samplesPerSec, 1, 16);
    }

    std::string describe(const WaveFormat& f) const override {
        return rateText(f.samplesPerSec) + ", " + channelText(f.channels);
    }

    std::vector<FormatBlock> formats() const override {
        std::vector<FormatBlock> out;
        const std::uint8_t extra[2] = {kSamplesPerBlock & 0xFF, kSamplesPerBlock >> 8};
        for (auto rate : kRates) {
            const auto avg = static_cast<std::uint32_t>(rate * kBlockBytes / kSamplesPerBlock);
            out.push_back(WaveFormat{kTagGsm610, 1, rate, avg, kBlockBytes, 0, 2}.toBlock(extra));
        }
        return out;
    }

    std::unique_ptr<Stream> open(const FormatBlock& fromBlock,
                                 const FormatBlock& toBlock) const override {
        const auto from = WaveFormat::parse(fromBlock);
        const auto to = WaveFormat::parse(toBlock);
        if (from.tag == kTagGsm610 && isPcm16(to, from.samplesPerSec, 1)) return makeDecoder();
        if (to.tag == kTagGsm610 && isPcm16(from, to.samplesPerSec, 1)) return makeEncoder();
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<Driver> makeGsmDriver() {
    return std::make_unique<GsmDriver>();
}

}  // namespace aurx::codecs
