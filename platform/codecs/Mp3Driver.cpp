// MPEG audio Layer III (tag 85): libmpg123's feed interface decodes, LAME encodes. Both keep
// codec state between conversions; output that does not fit the caller's buffer waits for the
// next conversion.
#include <lame.h>
#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/codecs/Drivers.h"

namespace aurx::codecs {
namespace {

constexpr std::uint32_t kMpegRates[] = {8000,  11025, 12000, 16000, 22050,
                                        24000, 32000, 44100, 48000};

bool isMpegRate(std::uint32_t rate) {
    return std::find(std::begin(kMpegRates), std::end(kMpegRates), rate) != std::end(kMpegRates);
}

std::uint32_t kbps(const WaveFormat& f) {
    // In 64 bits: a hostile byte rate must not wrap round to a plausible bit rate.
    return static_cast<std::uint32_t>(std::uint64_t{f.avgBytesPerSec} * 8 / 1000);
}

// Output produced but not yet handed to the caller.
class Pending {
  public:
    void append(const std::uint8_t* data, std::size_t n) {
        compact();
        bytes_.insert(bytes_.end(), data, data + n);
    }
    std::size_t take(std::span<std::uint8_t> out) {
        const std::size_t n = std::min(out.size(), bytes_.size() - start_);
        if (n > 0) std::memcpy(out.data(), bytes_.data() + start_, n);
        start_ += n;
        return n;
    }
    std::size_t size() const { return bytes_.size() - start_; }
    void clear() {
        bytes_.clear();
        start_ = 0;
    }

  private:
    void compact() {
        if (start_ == 0) return;
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    std::vector<std::uint8_t> bytes_;
    std::size_t start_ = 0;
};

class Mp3Decoder : public Stream {
  public:
    Mp3Decoder(const WaveFormat& mp3) : mp3_(mp3) {
        static std::once_flag init;
        std::call_once(init, [] { mpg123_init(); });
        restart();
    }
    ~Mp3Decoder() override { release(); }
    bool ok() const { return handle_ != nullptr; }

    std::size_t destinationSize(std::size_t sourceBytes) const override {
        // A frame of at least 8 kbit/s: at most rate/1000 samples per byte, plus one frame.
        return (sourceBytes * 8 * mp3_.samplesPerSec / 8000 + 1152) * 2 * mp3_.channels;
    }
    std::size_t sourceSize(std::size_t destinationBytes) const override {
        const std::size_t frames = destinationBytes / (2 * mp3_.channels);
        const std::size_t bytes = frames * mp3_.avgBytesPerSec / mp3_.samplesPerSec;
        return bytes + 2 * kLargestFrame;
    }

    std::optional<Conversion> convert(std::span<const std::uint8_t> source,
                                      std::span<std::uint8_t> destination,
                                      unsigned flags) override {
        if (flags & kConvertStart) restart();
        if (!handle_) return std::nullopt;
        // Feed and decode only as much as the caller can take now; the rest of the source
        // stays with the caller, so nothing piles up here.
        std::size_t fed = 0;
        for (;;) {
            while (pending_.size() < destination.size()) {
                std::size_t done = 0;
                const int r = mpg123_read(handle_, scratch_, sizeof scratch_, &done);
                if (done > 0) pending_.append(scratch_, done);
                if (r == MPG123_NEW_FORMAT || (r == MPG123_OK && done > 0)) continue;
                break;  // needs more input, or a damaged stretch it will resync after
            }
            if (pending_.size() >= destination.size() || fed == source.size()) break;
            const std::size_t piece = std::min<std::size_t>(source.size() - fed, kFeedPiece);
            if (mpg123_feed(handle_, source.data() + fed, piece) != MPG123_OK) return std::nullopt;
            fed += piece;
        }
        return Conversion{fed, pending_.take(destination)};
    }

  private:
    void restart() {
        release();
        pending_.clear();
        int err = 0;
        handle_ = mpg123_new(nullptr, &err);
        if (!handle_) return;
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        // Every frame's samples, as the file's length counts them (the encoder's delay and
        // padding that a LAME tag describes are not cut off).
        mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
        mpg123_format_none(handle_);
        const int channels = mp3_.channels == 1 ? MPG123_MONO : MPG123_STEREO;
        if (mpg123_format(handle_, static_cast<long>(mp3_.samplesPerSec), channels,
                          MPG123_ENC_SIGNED_16) != MPG123_OK ||
            mpg123_open_feed(handle_) != MPG123_OK)
            release();
    }
    void release() {
        if (handle_) mpg123_delete(handle_);
        handle_ = nullptr;
    }

    static constexpr std::size_t kFeedPiece = 512;
    static constexpr std::size_t kLargestFrame = 1441;  // 320 kbit/s at 32 kHz, padded

    WaveFormat mp3_;
    mpg123_handle* handle_ = nullptr;
    Pending pending_;
    std::uint8_t scratch_[16384];
};

class Mp3Encoder : public Stream {
  public:
    Mp3Encoder(const WaveFormat& mp3) : mp3_(mp3) { restart(); }
    ~Mp3Encoder() override { release(); }
    bool ok() const { return lame_ != nullptr; }

    std::size_t destinationSize(std::size_t sourceBytes) const override {
        const std::size_t samples = sourceBytes / (2 * mp3_.channels);
        return samples * 5 / 4 + 7200;  // LAME's documented worst case
    }
    std::size_t sourceSize(std::size_t destinationBytes) const override {
        return destinationBytes * mp3_.samplesPerSec /
               std::max<std::uint32_t>(mp3_.avgBytesPerSec, 1) * 2 * mp3_.channels;
    }

    std::optional<Conversion> convert(std::span<const std::uint8_t> source,
                                      std::span<std::uint8_t> destination,
                                      unsigned flags) override {
        const std::size_t frameBytes = 2u * mp3_.channels;
        const std::size_t frames = source.size() / frameBytes;
        if (flags & kConvertStart) {
            pending_.clear();
            restart();
        } else if (flushed_) {
            // A flushed stream has ended; new audio begins a new one.
            if (frames == 0) return Conversion{0, pending_.take(destination)};
            restart();
        }
        if (!lame_) return std::nullopt;
        std::size_t doneFrames = 0;
        while (doneFrames < frames) {
            const std::size_t n = std::min<std::size_t>(frames - doneFrames, kChunkFrames);
            std::memcpy(pcm_, source.data() + doneFrames * frameBytes, n * frameBytes);
            const int got = mp3_.channels == 1
                                ? lame_encode_buffer(lame_, pcm_, pcm_, static_cast<int>(n),
                                                     scratch_, sizeof scratch_)
                                : lame_encode_buffer_interleaved(lame_, pcm_, static_cast<int>(n),
                                                                 scratch_, sizeof scratch_);
            if (got < 0) return std::nullopt;
            pending_.append(scratch_, static_cast<std::size_t>(got));
            doneFrames += n;
        }
        if (flags & kConvertEnd) {
            const int got = lame_encode_flush(lame_, scratch_, sizeof scratch_);
            if (got < 0) return std::nullopt;
            pending_.append(scratch_, static_cast<std::size_t>(got));
            flushed_ = true;
        }
        return Conversion{frames * frameBytes, pending_.take(destination)};
    }

  private:
    static constexpr std::size_t kChunkFrames = 4608;  // interleaved stereo fits pcm_

    void restart() {
        release();
        flushed_ = false;
        lame_ = lame_init();
        if (!lame_) return;
        lame_set_in_samplerate(lame_, static_cast<int>(mp3_.samplesPerSec));
        lame_set_out_samplerate(lame_, static_cast<int>(mp3_.samplesPerSec));
        lame_set_num_channels(lame_, mp3_.channels);
        lame_set_mode(lame_, mp3_.channels == 1 ? MONO : JOINT_STEREO);
        lame_set_VBR(lame_, vbr_off);
        lame_set_brate(lame_, static_cast<int>(kbps(mp3_)));
        lame_set_bWriteVbrTag(lame_, 0);
        lame_set_quality(lame_, 5);
        if (lame_init_params(lame_) < 0) release();
    }
    void release() {
        if (lame_) lame_close(lame_);
        lame_ = nullptr;
    }

    WaveFormat mp3_;
    lame_global_flags* lame_ = nullptr;
    bool flushed_ = false;
    Pending pending_;
    short pcm_[kChunkFrames * 2];
    unsigned char scratch_[kChunkFrames * 5 / 4 + 7200];
};

class Mp3Driver : public Driver {
  public:
    std::uint16_t tag() const override { return kTagMpegLayer3; }
    std::string tagName() const override { return "MPEG Layer-3"; }

    bool accepts(const WaveFormat& f, std::span<const std::uint8_t>) const override {
        return (f.channels == 1 || f.channels == 2) && isMpegRate(f.samplesPerSec) &&
               kbps(f) >= 8 && kbps(f) <= 320 && f.blockAlign >= 1;
    }

    std::optional<WaveFormat> suggestPcm(const WaveFormat& f) const override {
        return WaveFormat::pcm(f.samplesPerSec, f.channels, 16);
    }

    std::string describe(const WaveFormat& f) const override {
        return std::to_string(kbps(f)) + " kBit/s, " + rateText(f.samplesPerSec) + ", " +
               channelText(f.channels);
    }

    std::vector<FormatBlock> formats() const override {
        static constexpr std::uint32_t kMpeg1[] = {32,  40,  48,  56,  64,  80,  96,
                                                   112, 128, 160, 192, 224, 256, 320};
        static constexpr std::uint32_t kMpeg2[] = {8,  16, 24, 32,  40,  48,  56,
                                                   64, 80, 96, 112, 128, 144, 160};
        std::vector<FormatBlock> out;
        for (auto rate : kMpegRates) {
            const bool mpeg1 = rate >= 32000;
            const std::uint32_t factor = mpeg1 ? 144000 : 72000;
            for (auto rateKbps : mpeg1 ? std::span<const std::uint32_t>(kMpeg1)
                                       : std::span<const std::uint32_t>(kMpeg2)) {
                if (rate <= 12000 && rateKbps > 64) continue;  // MPEG 2.5 tops out at 64 kbit/s
                for (std::uint16_t ch : {1, 2}) {
                    std::uint8_t extra[12] = {};
                    writeLe16(extra, 0, 1);  // MPEG
                    writeLe32(extra, 2, 2);  // padding off
                    writeLe16(extra, 6, static_cast<std::uint16_t>(rateKbps * factor / rate));
                    writeLe16(extra, 8, 1);
                    writeLe16(extra, 10, 1393);
                    out.push_back(
                        WaveFormat{kTagMpegLayer3, ch, rate, rateKbps * 125, 1, 0, 12}.toBlock(
                            extra));
                }
            }
        }
        return out;
    }

    std::unique_ptr<Stream> open(const FormatBlock& fromBlock,
                                 const FormatBlock& toBlock) const override {
        const auto from = WaveFormat::parse(fromBlock);
        const auto to = WaveFormat::parse(toBlock);
        if (from.tag == kTagMpegLayer3 && isPcm16(to, from.samplesPerSec, from.channels)) {
            auto s = std::make_unique<Mp3Decoder>(from);
            return s->ok() ? std::move(s) : nullptr;
        }
        if (to.tag == kTagMpegLayer3 && isPcm16(from, to.samplesPerSec, to.channels)) {
            auto s = std::make_unique<Mp3Encoder>(to);
            return s->ok() ? std::move(s) : nullptr;
        }
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<Driver> makeMp3Driver() {
    return std::make_unique<Mp3Driver>();
}

}  // namespace aurx::codecs
