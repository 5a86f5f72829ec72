// MP3 through LAME at a constant bit rate. The first frame is LAME's info frame, written last
// once the encoder delay and padding are known, so that decoders can play the call gaplessly
// with its own length. Speech needs no more than 16 kHz; a frame must be large enough for the
// info frame (LAME leaves it out of smaller ones), which at 16 kHz takes 40 kbit/s.
#include <lame.h>

#include <algorithm>
#include <array>
#include <vector>

#include "services/share/ShareEncoder.h"

namespace parlaro::share {
namespace {

constexpr int kSpeechRates[] = {16000, 12000, 11025, 8000};
constexpr int kSmallestInfoFrame = 180;  // bytes

// The MPEG rate the copy is written at: the call's own where it is one, never above 16 kHz.
int outputRate(std::uint32_t rate) {
    for (const int r : kSpeechRates)
        if (static_cast<std::uint32_t>(r) <= rate) return r;
    return 8000;
}

// MPEG-2 and 2.5 frames hold 576 samples: 72 bytes per kbit/s per kHz.
int bitRateFor(int outRate) {
    int kbps = kMp3KilobitsPerSecond;
    while (72 * kbps * 1000 / outRate < kSmallestInfoFrame)
        kbps += 8;
    return kbps;
}

struct LameDeleter {
    void operator()(lame_global_flags* l) const { lame_close(l); }
};

class Mp3ShareEncoder final : public ShareEncoder {
  public:
    explicit Mp3ShareEncoder(ByteWriter& writer) : writer_(writer) {}

    std::string open(std::uint32_t rate) {
        lame_.reset(lame_init());
        if (!lame_) return "the MP3 encoder could not start";
        const int outRate = outputRate(rate);
        lame_set_in_samplerate(lame_.get(), static_cast<int>(rate));
        lame_set_out_samplerate(lame_.get(), outRate);
        lame_set_num_channels(lame_.get(), 1);
        lame_set_mode(lame_.get(), MONO);
        lame_set_VBR(lame_.get(), vbr_off);
        lame_set_brate(lame_.get(), bitRateFor(outRate));
        lame_set_bWriteVbrTag(lame_.get(), 1);
        lame_set_quality(lame_.get(), 5);
        if (lame_init_params(lame_.get()) < 0) return "the MP3 encoder refused the sound";
        return {};
    }

    std::string write(std::span<const std::int16_t> mono) override {
        while (!mono.empty()) {
            const std::size_t n = std::min(mono.size(), kChunk);
            std::copy_n(mono.begin(), n, pcm_.begin());
            const int got =
                lame_encode_buffer(lame_.get(), pcm_.data(), nullptr, static_cast<int>(n),
                                   out_.data(), static_cast<int>(out_.size()));
            if (auto failed = hand(got); !failed.empty()) return failed;
            mono = mono.subspan(n);
        }
        return {};
    }

    std::string finish() override {
        if (auto failed =
                hand(lame_encode_flush(lame_.get(), out_.data(), static_cast<int>(out_.size())));
            !failed.empty())
            return failed;
        const std::size_t tag = lame_get_lametag_frame(lame_.get(), out_.data(), out_.size());
        if (tag > 0 && tag <= out_.size() && !writer_.rewriteStart(std::span(out_.data(), tag)))
            return "the file could not be written";
        return {};
    }

  private:
    static constexpr std::size_t kChunk = 4096;

    std::string hand(int got) {
        if (got < 0) return "the MP3 encoder failed (" + std::to_string(got) + ")";
        if (!writer_.write(std::span(out_.data(), static_cast<std::size_t>(got))))
            return "the file could not be written";
        return {};
    }

    ByteWriter& writer_;
    std::unique_ptr<lame_global_flags, LameDeleter> lame_;
    std::array<short, kChunk> pcm_{};
    std::array<unsigned char, kChunk * 5 / 4 + 7200> out_{};  // LAME's documented worst case
};

}  // namespace

std::unique_ptr<ShareEncoder> makeMp3ShareEncoder(std::uint32_t rate, ByteWriter& writer,
                                                  std::string& error) {
    auto encoder = std::make_unique<Mp3ShareEncoder>(writer);
    error = encoder->open(rate);
    if (!error.empty()) return nullptr;
    return encoder;
}

}  // namespace parlaro::share
