#include "services/share/SoundReader.h"

#include <mpg123.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/codecs/CodecManager.h"
#include "platform/riff/RiffFile.h"

namespace parlaro::share {

using namespace aurx::codecs;
namespace riff = aurx::riff;

namespace {

const std::string kNotDecodable = "its sound cannot be decoded";

std::string formatText(std::span<const std::uint8_t> format) {
    const auto manager = Manager::standard();
    const WaveFormat f = WaveFormat::parse(format);
    const std::string name = manager->tagName(f.tag).value_or("format " + std::to_string(f.tag));
    const auto details = manager->describe(format);
    return details ? name + ", " + *details : name;
}

// Little-endian 16-bit bytes to samples, whole samples only.
std::string deliver(std::span<const std::uint8_t> bytes, std::vector<std::int16_t>& samples,
                    PcmSink& sink) {
    samples.resize(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples.empty() ? std::string() : sink.write(samples);
}

std::string readWave(riff::File& file, PcmSink& sink) {
    riff::Chunk form, fmt, data;
    if (!file.descend(form, nullptr, riff::fourcc("RIFF"), riff::fourcc("WAVE")))
        return "it is not a WAV file";
    // A header never finished (a call cut off) claims no size: search the whole file then.
    const auto length = file.length();
    if (!length) return "it cannot be read";
    if (form.size < 4 || form.end() > *length)
        form.size = static_cast<std::uint32_t>(std::min<std::uint64_t>(*length - 8, UINT32_MAX));
    const std::uint64_t afterForm = file.tell();
    if (!file.descend(fmt, &form, riff::fourcc("fmt ")) || fmt.size > 4096 ||
        fmt.size < kWaveFormatSize - 2)
        return "it has no usable format chunk";
    FormatBlock format(fmt.size);
    if (!file.readExact(format.data(), format.size()) || !file.seek(afterForm))
        return "it cannot be read";
    if (!file.descend(data, &form, riff::fourcc("data"))) return "it has no sound data";
    std::uint64_t dataSize = data.size;
    if (dataSize == 0 || data.end() > *length) dataSize = *length - data.dataOffset;

    const WaveFormat source = WaveFormat::parse(format);
    const FormatBlock pcm = WaveFormat::pcm(source.samplesPerSec, source.channels, 16).toBlock();
    auto stream = Manager::standard()->open(format, pcm);
    if (!stream || source.channels == 0 || source.samplesPerSec == 0)
        return "its format (" + formatText(format) + ") cannot be decoded";
    if (auto refused = sink.begin({source.samplesPerSec, source.channels}); !refused.empty())
        return refused;

    // Whole blocks of about a second at a time; leftovers are carried to the next read.
    const std::size_t align = std::max<std::size_t>(source.blockAlign, 1);
    const std::size_t chunk = std::max<std::size_t>(
        align, (std::max<std::uint32_t>(source.avgBytesPerSec, 1) / align + 1) * align);
    std::vector<std::uint8_t> in(chunk * 2), out(stream->destinationSize(chunk * 2) + 4096);
    std::vector<std::int16_t> samples;
    std::size_t held = 0;
    std::uint64_t offset = 0;
    for (bool first = true;; first = false) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunk, dataSize - offset));
        const std::size_t got =
            want ? file.readAt(data.dataOffset + offset, in.data() + held, want) : 0;
        offset += got;
        held += got;
        const bool last = got == 0 || offset >= dataSize;
        const unsigned flags =
            (first ? kConvertStart : 0U) | (last ? kConvertEnd : kConvertBlockAlign);
        const auto done = stream->convert(std::span(in.data(), held), out, flags);
        if (!done) return kNotDecodable;
        if (auto stop = deliver(std::span(out.data(), done->destUsed), samples, sink);
            !stop.empty())
            return stop;
        std::copy(in.begin() + static_cast<std::ptrdiff_t>(done->sourceUsed),
                  in.begin() + static_cast<std::ptrdiff_t>(held), in.begin());
        held -= done->sourceUsed;
        if (last) return {};
    }
}

struct Mpg123Deleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};

std::string readMpeg(const std::string& path, PcmSink& sink) {
    static std::once_flag init;
    std::call_once(init, [] { mpg123_init(); });
    int error = 0;
    const std::unique_ptr<mpg123_handle, Mpg123Deleter> handle(mpg123_new(nullptr, &error));
    if (!handle) return kNotDecodable;
    mpg123_handle* h = handle.get();
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Signed 16 bits at the stream's own rate and channels.
    mpg123_format_none(h);
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h, path.c_str()) != MPG123_OK) return "it cannot be read";

    std::array<std::int16_t, 8192> samples{};
    bool begun = false;
    for (;;) {
        std::size_t bytes = 0;
        const int r = mpg123_read(h, samples.data(), sizeof samples, &bytes);
        if (r == MPG123_NEW_FORMAT || !begun) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            if (mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK) {
                if (r == MPG123_DONE) return "it holds no MPEG audio";
                return kNotDecodable;
            }
            if (begun) return "its sound format changes midway";
            begun = true;
            const SoundShape shape{static_cast<std::uint32_t>(rate),
                                   static_cast<std::uint16_t>(channels)};
            if (auto refused = sink.begin(shape); !refused.empty()) return refused;
        }
        if (bytes > 0) {
            if (auto stop = sink.write(std::span(samples.data(), bytes / 2)); !stop.empty())
                return stop;
        }
        if (r == MPG123_DONE) return {};
        if (r != MPG123_OK && r != MPG123_NEW_FORMAT) return kNotDecodable;
    }
}

}  // namespace

std::string readSound(const std::string& path, PcmSink& sink) {
    auto file = riff::File::open(path, riff::Mode::Read);
    if (!file) return "it cannot be opened";
    std::array<std::uint8_t, 4> start{};
    const std::size_t got = file->readAt(0, start.data(), start.size());
    if (got == 4 && start[0] == 'R' && start[1] == 'I' && start[2] == 'F' && start[3] == 'F')
        return readWave(*file, sink);
    const bool id3 = got >= 3 && start[0] == 'I' && start[1] == 'D' && start[2] == '3';
    const bool frame = got >= 2 && start[0] == 0xFF && (start[1] & 0xE0) == 0xE0;
    if (!id3 && !frame) return "it is not a WAV or MP3 file";
    file->close();
    return readMpeg(path, sink);
}

}  // namespace parlaro::share
