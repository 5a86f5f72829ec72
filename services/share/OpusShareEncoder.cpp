// Opus in Ogg through libopusenc. It takes the call's own rate and resamples to Opus's 48 kHz
// itself, noting the original rate in the header; decoders drop its pre-skip again. The audio
// application with the voice hint, not the VoIP one: that one's high-pass and speech shaping
// serve live calls, and a recorded call keeps closer to its sound without them.
#include <opus/opusenc.h>

#include <memory>

#include "services/share/ShareEncoder.h"

namespace parlaro::share {
namespace {

struct CommentsDeleter {
    void operator()(OggOpusComments* c) const { ope_comments_destroy(c); }
};
struct EncoderDeleter {
    void operator()(OggOpusEnc* e) const { ope_encoder_destroy(e); }
};

// About half the work of the highest setting (4 s instead of 7.5 s for a ten-minute call) with
// the same closeness to the call's sound: the user waits while calls are converted.
constexpr int kComplexity = 5;

std::string opusError(const char* what, int code) {
    return std::string(what) + " (" + ope_strerror(code) + ")";
}

class OpusShareEncoder final : public ShareEncoder {
  public:
    explicit OpusShareEncoder(ByteWriter& writer) : writer_(writer) {}

    std::string open(std::uint32_t rate) {
        const std::unique_ptr<OggOpusComments, CommentsDeleter> comments(ope_comments_create());
        if (!comments) return "the Opus encoder could not start";
        ope_comments_add(comments.get(), "ENCODER", "Parlaro");
        static const OpusEncCallbacks callbacks{&OpusShareEncoder::writePage,
                                                &OpusShareEncoder::closeStream};
        int error = OPE_OK;
        encoder_.reset(ope_encoder_create_callbacks(&callbacks, this, comments.get(),
                                                    static_cast<opus_int32>(rate), 1, 0, &error));
        if (!encoder_) return opusError("the Opus encoder refused the sound", error);
        for (const int r : {ope_encoder_ctl(encoder_.get(), OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE)),
                            ope_encoder_ctl(encoder_.get(), OPUS_SET_COMPLEXITY(kComplexity)),
                            ope_encoder_ctl(encoder_.get(), OPUS_SET_BITRATE(kOpusBitsPerSecond))})
            if (r != OPE_OK) return opusError("the Opus encoder refused its settings", r);
        return {};
    }

    std::string write(std::span<const std::int16_t> mono) override {
        if (mono.empty()) return {};
        const int r = ope_encoder_write(encoder_.get(), mono.data(), static_cast<int>(mono.size()));
        return r == OPE_OK ? std::string() : failure("the Opus encoder failed", r);
    }

    std::string finish() override {
        const int r = ope_encoder_drain(encoder_.get());
        return r == OPE_OK ? std::string() : failure("the Opus encoder failed", r);
    }

  private:
    std::string failure(const char* what, int code) const {
        return code == OPE_WRITE_FAIL && !writeError_.empty() ? writeError_ : opusError(what, code);
    }

    static int writePage(void* self, const unsigned char* bytes, opus_int32 size) {
        auto* encoder = static_cast<OpusShareEncoder*>(self);
        if (encoder->writer_.write(std::span(bytes, static_cast<std::size_t>(size)))) return 0;
        encoder->writeError_ = "the file could not be written";
        return 1;
    }
    static int closeStream(void*) { return 0; }

    ByteWriter& writer_;
    std::string writeError_;
    std::unique_ptr<OggOpusEnc, EncoderDeleter> encoder_;
};

}  // namespace

std::unique_ptr<ShareEncoder> makeOpusShareEncoder(std::uint32_t rate, ByteWriter& writer,
                                                   std::string& error) {
    auto encoder = std::make_unique<OpusShareEncoder>(writer);
    error = encoder->open(rate);
    if (!error.empty()) return nullptr;
    return encoder;
}

}  // namespace parlaro::share
