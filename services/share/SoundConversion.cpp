#include "services/share/SoundConversion.h"

#include <vector>

#include "services/share/SoundReader.h"

namespace parlaro::share {
namespace {

// Frames to mono by averaging the channels, then into the encoder.
class EncodingSink final : public PcmSink {
  public:
    EncodingSink(ShareCodec codec, ByteWriter& writer) : codec_(codec), writer_(writer) {}

    std::string begin(const SoundShape& shape) override {
        channels_ = shape.channels;
        std::string error;
        encoder_ = codec_ == ShareCodec::Opus ? makeOpusShareEncoder(shape.rate, writer_, error)
                                              : makeMp3ShareEncoder(shape.rate, writer_, error);
        return error;
    }

    std::string write(std::span<const std::int16_t> samples) override {
        if (channels_ == 1) return encoder_->write(samples);
        mono_.resize(samples.size() / channels_);
        for (std::size_t frame = 0; frame < mono_.size(); ++frame) {
            int sum = 0;
            for (std::size_t c = 0; c < channels_; ++c)
                sum += samples[frame * channels_ + c];
            mono_[frame] = static_cast<std::int16_t>(sum / static_cast<int>(channels_));
        }
        return encoder_->write(mono_);
    }

    std::string finish() { return encoder_ ? encoder_->finish() : "it holds no sound"; }

  private:
    ShareCodec codec_;
    ByteWriter& writer_;
    std::size_t channels_ = 1;
    std::unique_ptr<ShareEncoder> encoder_;
    std::vector<std::int16_t> mono_;
};

}  // namespace

std::string convertSound(const std::string& path, ShareCodec codec, ByteWriter& writer) {
    EncodingSink sink(codec, writer);
    if (auto failed = readSound(path, sink); !failed.empty()) return failed;
    return sink.finish();
}

}  // namespace parlaro::share
