#include "app/library/Waveform.h"

#include "platform/codecs/CodecManager.h"
#include "platform/riff/RiffFile.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace parlaro {

namespace {

// 16-bit PCM frames → peaks, folding channels together.
class PeakMeter {
  public:
    PeakMeter(std::size_t framesPerPoint, unsigned channels)
        : framesPerPoint_(std::max<std::size_t>(framesPerPoint, 1)), channels_(channels) {}

    void add(std::span<const std::uint8_t> pcm16, std::vector<float>& out) {
        const std::size_t samples = pcm16.size() / 2;
        for (std::size_t i = 0; i < samples; ++i) {
            const auto v = static_cast<std::int16_t>(pcm16[2 * i] | (pcm16[2 * i + 1] << 8));
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

}  // namespace

std::optional<Waveform> ComputeWaveform(const QString& path, double secondsPerPoint,
                                        const std::atomic<bool>& stop) {
    auto file = riff::File::open(QFile::encodeName(path).toStdString(), riff::Mode::Read);
    if (!file) return std::nullopt;
    riff::Chunk form, fmt, data;
    if (!file->descend(form, nullptr, riff::fourcc("RIFF"), riff::fourcc("WAVE"))) return {};
    // A header never finished (a call cut off) claims no size: search the whole file then.
    const auto length = file->length();
    if (!length) return std::nullopt;
    if (form.size < 4 || form.end() > *length)
        form.size = static_cast<std::uint32_t>(std::min<std::uint64_t>(*length - 8, UINT32_MAX));
    const std::uint64_t afterForm = file->tell();
    if (!file->descend(fmt, &form, riff::fourcc("fmt ")) || fmt.size > 4096) return std::nullopt;
    codecs::FormatBlock format(fmt.size);
    if (!file->readExact(format.data(), format.size()) || !file->seek(afterForm))
        return std::nullopt;
    if (!file->descend(data, &form, riff::fourcc("data"))) return std::nullopt;
    std::uint64_t dataSize = data.size;
    if (dataSize == 0 || data.end() > *length) dataSize = *length - data.dataOffset;

    const auto manager = codecs::Manager::standard();
    const codecs::WaveFormat source = codecs::WaveFormat::parse(format);
    const codecs::FormatBlock pcm =
        codecs::WaveFormat::pcm(source.samplesPerSec, source.channels, 16).toBlock();
    auto stream = manager->open(format, pcm);
    if (!stream || source.channels == 0 || source.samplesPerSec == 0) return std::nullopt;

    Waveform wave;
    wave.secondsPerPoint = secondsPerPoint;
    PeakMeter meter(static_cast<std::size_t>(std::lround(secondsPerPoint * source.samplesPerSec)),
                    source.channels);
    // Whole blocks of about a second at a time; leftovers are carried to the next read.
    const std::size_t align = std::max<std::size_t>(source.blockAlign, 1);
    const std::size_t chunk = std::max<std::size_t>(
        align, (std::max<std::uint32_t>(source.avgBytesPerSec, 1) / align + 1) * align);
    std::vector<std::uint8_t> in(chunk * 2), out(stream->destinationSize(chunk * 2) + 4096);
    std::size_t held = 0;
    std::uint64_t offset = 0;
    bool first = true;
    while (!stop.load(std::memory_order_relaxed)) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunk, dataSize - offset));
        const std::size_t got =
            want ? file->readAt(data.dataOffset + offset, in.data() + held, want) : 0;
        offset += got;
        held += got;
        const bool last = got == 0 || offset >= dataSize;
        unsigned flags = (first ? codecs::kConvertStart : 0U) |
                         (last ? codecs::kConvertEnd : codecs::kConvertBlockAlign);
        const auto done = stream->convert(std::span(in.data(), held), out, flags);
        if (!done) return std::nullopt;
        first = false;
        meter.add(std::span(out.data(), done->destUsed), wave.peaks);
        std::copy(in.begin() + static_cast<std::ptrdiff_t>(done->sourceUsed),
                  in.begin() + static_cast<std::ptrdiff_t>(held), in.begin());
        held -= done->sourceUsed;
        if (last) {
            meter.flush(wave.peaks);
            return wave;
        }
    }
    return std::nullopt;
}

}  // namespace parlaro
