#include "app/library/playback/Waveform.h"

#include "services/share/SoundReader.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace parlaro {

namespace {

// 16-bit samples → peaks, folding channels together.
class PeakMeter {
  public:
    PeakMeter(std::size_t framesPerPoint, unsigned channels)
        : framesPerPoint_(std::max<std::size_t>(framesPerPoint, 1)), channels_(channels) {}

    void add(std::span<const std::int16_t> samples, std::vector<float>& out) {
        for (const std::int16_t v : samples) {
            peak_ = std::max(peak_, std::abs(static_cast<int>(v)));
            if (++sampleInFrame_ == channels_) {
                sampleInFrame_ = 0;
                if (++frames_ == framesPerPoint_) flush(out);
            }
        }
    }
    void flush(std::vector<float>& out) {
        if (frames_ == 0) return;
        out.push_back(static_cast<float>(peak_) / 32768.0F);
        peak_ = 0;
        frames_ = 0;
    }

  private:
    std::size_t framesPerPoint_;
    unsigned channels_;
    unsigned sampleInFrame_ = 0;
    std::size_t frames_ = 0;
    int peak_ = 0;
};

// Peaks of the decoded sound, stopping at the first piece after a stop is asked for.
class PeakSink final : public share::PcmSink {
  public:
    PeakSink(double secondsPerPoint, const std::atomic<bool>& stop)
        : secondsPerPoint_(secondsPerPoint), stop_(stop) {}
    std::string begin(const share::SoundShape& shape) override {
        meter_.emplace(static_cast<std::size_t>(std::lround(secondsPerPoint_ * shape.rate)),
                       shape.channels);
        return stopped();
    }
    std::string write(std::span<const std::int16_t> samples) override {
        meter_->add(samples, peaks);
        return stopped();
    }
    void finish() { meter_->flush(peaks); }
    std::vector<float> peaks;

  private:
    std::string stopped() const { return stop_.load(std::memory_order_relaxed) ? "stopped" : ""; }
    double secondsPerPoint_;
    const std::atomic<bool>& stop_;
    std::optional<PeakMeter> meter_;
};

}  // namespace

std::optional<Waveform> ComputeWaveform(const QString& path, double secondsPerPoint,
                                        const std::atomic<bool>& stop) {
    if (stop.load(std::memory_order_relaxed)) return std::nullopt;
    PeakSink sink(secondsPerPoint, stop);
    if (!share::readSound(QFile::encodeName(path).toStdString(), sink).empty()) return std::nullopt;
    sink.finish();
    return Waveform{secondsPerPoint, std::move(sink.peaks)};
}

}  // namespace parlaro
