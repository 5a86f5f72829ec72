#include "recorder/store/FileOpener.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <vector>

#include "recorder/store/Mp3Header.h"

namespace aurx::store {
namespace {

using aurx::ErrorCode;
using aurx::SampleCoding;
using codecs::WaveFormat;
using riff::fourcc;

constexpr std::uint32_t kRates[] = {6000,  8000,  11025, 16000, 22050, 32000,
                                    44100, 48000, 64000, 88200, 96000, 192000};
constexpr std::uint32_t kLargestFormatChunk = 65536;

OpenOutcome fail(ErrorCode code) {
    return OpenOutcome{code, nullptr};
}

OpenOutcome done(FileLayout layout) {
    return OpenOutcome{ErrorCode::Ok, std::make_unique<AudioFile>(std::move(layout))};
}

Encoding encodingFor(SampleCoding coding) {
    switch (coding) {
        case SampleCoding::ALaw:
            return Encoding::ALaw;
        case SampleCoding::MuLaw:
            return Encoding::MuLaw;
        case SampleCoding::Compressed:
            return Encoding::Compressed;
        case SampleCoding::Pcm8:
        case SampleCoding::Pcm16:
            break;
    }
    return Encoding::Pcm;
}

// The PCM, A-law or µ-law record the control builds from its preferences.
WaveFormat linearFormat(const FileRequest& r) {
    const Encoding e = encodingFor(r.coding);
    const std::uint16_t bits = r.coding == SampleCoding::Pcm16 ? 16 : 8;
    WaveFormat f = WaveFormat::pcm(r.sampleRate, r.channels, bits);
    if (e == Encoding::ALaw) f.tag = codecs::kTagALaw;
    if (e == Encoding::MuLaw) f.tag = codecs::kTagMuLaw;
    return f;
}

std::int32_t blockFrames(std::uint64_t dataSize, const CompressedInfo& c) {
    const auto b = c.wave().blockAlign;
    return clampFrames(std::floor(static_cast<double>(dataSize / b) * c.samplesPerBlock + 0.5));
}

// RIFF "WAVE", "fmt " with `format`, a "fact" with a zero count when asked, then "data" left
// open for the samples.
bool writeWavHeader(FileLayout& l, std::span<const std::uint8_t> format, bool withFact) {
    riff::File& f = l.handle;
    l.riff = riff::Chunk{fourcc("RIFF"), 0, fourcc("WAVE")};
    if (!f.createChunk(l.riff)) return false;
    riff::Chunk fmt{fourcc("fmt "), 0};
    if (!f.createChunk(fmt) || !f.writeExact(format.data(), format.size()) || !f.ascend(fmt))
        return false;
    if (withFact) {
        riff::Chunk fact{fourcc("fact"), 0};
        const std::uint8_t zero[4] = {};
        if (!f.createChunk(fact)) return false;
        l.factOffset = fact.dataOffset;
        if (!f.writeExact(zero, 4) || !f.ascend(fact)) return false;
        l.fact = true;
    }
    l.data = riff::Chunk{fourcc("data"), 0};
    if (!f.createChunk(l.data)) return false;
    l.dataOffset = l.data.dataOffset;
    return true;
}

std::optional<WaveFormat> checkedLinear(const WaveFormat& f) {
    if (!isAcceptedRate(f.samplesPerSec)) return std::nullopt;
    if (f.channels < 1 || f.channels > 2) return std::nullopt;
    const bool linear = f.tag == codecs::kTagPcm;
    if (linear ? (f.bitsPerSample != 8 && f.bitsPerSample != 16) : f.bitsPerSample != 8)
        return std::nullopt;
    if (f.blockAlign != f.channels * f.bitsPerSample / 8) return std::nullopt;
    WaveFormat out = f;
    out.extraSize = 0;
    out.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
    return out;
}

OpenOutcome openWav(FileLayout l, FormatHost& formats) {
    riff::File& f = l.handle;
    const auto length = f.length();
    if (!length || !f.seek(0)) return fail(ErrorCode::NotWaveFile);
    if (!f.descend(l.riff, nullptr, fourcc("RIFF"), fourcc("WAVE")))
        return fail(ErrorCode::NotWaveFile);
    // A header that was never patched (the recording was cut off) or that claims more than
    // the file holds: search the bytes that are there.
    riff::Chunk bound = l.riff;
    const bool unfinished = l.riff.size == 0;
    l.unfinished = unfinished;
    if (l.riff.size < 4 || l.riff.end() > *length)
        bound.size = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(*length - l.riff.dataOffset, UINT32_MAX));
    if (!f.seek(l.riff.dataOffset + 4)) return fail(ErrorCode::NotWaveFile);

    riff::Chunk fmt;
    if (!f.descend(fmt, &bound, fourcc("fmt "))) return fail(ErrorCode::NotWaveFile);
    if (fmt.size > kLargestFormatChunk) return fail(ErrorCode::NotWaveFile);
    std::vector<std::uint8_t> fmtBytes(fmt.size);
    if (!f.readExact(fmtBytes.data(), fmtBytes.size()) || !f.ascend(fmt))
        return fail(ErrorCode::NotWaveFile);
    const std::uint64_t afterFmt = f.tell();

    riff::Chunk fact;
    std::uint32_t factCount = 0;
    std::uint8_t count[4];
    if (f.descend(fact, &bound, fourcc("fact")) && fact.size >= 4 && f.readExact(count, 4) &&
        f.ascend(fact)) {
        l.fact = true;
        l.factOffset = fact.dataOffset;
        factCount = codecs::readLe32(count, 0);
    } else if (!f.seek(afterFmt)) {
        return fail(ErrorCode::NotWaveFile);
    }
    if (!f.descend(l.data, &bound, fourcc("data"))) return fail(ErrorCode::NotWaveFile);
    l.dataOffset = l.data.dataOffset;
    const std::uint64_t present = *length > l.dataOffset ? *length - l.dataOffset : 0;
    l.dataSize =
        (unfinished && l.data.size == 0) ? present : std::min<std::uint64_t>(l.data.size, present);
    const bool trustFact = l.fact && !(unfinished && factCount == 0);
    if (!f.seek(l.data.endWithPad())) return fail(ErrorCode::NotWaveFile);

    const WaveFormat wave = WaveFormat::parse(fmtBytes);
    std::int32_t available = 0;
    if (wave.tag == codecs::kTagPcm || wave.tag == codecs::kTagALaw ||
        wave.tag == codecs::kTagMuLaw) {
        const auto linear = checkedLinear(wave);
        if (!linear) return fail(ErrorCode::UnsupportedFormat);
        l.format = *linear;
        l.encoding = wave.tag == codecs::kTagPcm    ? Encoding::Pcm
                     : wave.tag == codecs::kTagALaw ? Encoding::ALaw
                                                    : Encoding::MuLaw;
        available = clampFrames(static_cast<double>(l.dataSize / linear->blockAlign));
    } else {
        if (!formats.offerFileFormat(fmtBytes)) return fail(ErrorCode::UnsupportedFormat);
        CompressedInfo info;
        if (const auto code = formats.setUpCompression(info); code != ErrorCode::Ok)
            return fail(code);
        l.format = info.wave();
        l.encoding = Encoding::Compressed;
        available = blockFrames(l.dataSize, info);
        l.compressed = std::move(info);
    }
    // A sample count beyond the data cannot be played or edited; trust the data then.
    l.numSamples = trustFact ? std::min(clampFrames(factCount), available) : available;
    return done(std::move(l));
}

OpenOutcome openDataOnly(FileLayout l, const FileRequest& r, FormatHost& formats) {
    riff::File& f = l.handle;
    std::uint64_t offset =
        r.dataOnly < 0 ? static_cast<std::uint64_t>(-static_cast<int>(r.dataOnly)) : 0;
    bool compressed = r.coding == SampleCoding::Compressed;
    const auto length = f.length();
    if (!length) return fail(ErrorCode::CannotOpenFile);
    std::uint64_t end = *length;
    std::optional<std::uint64_t> mpegSamples;
    if (r.dataOnly == 2) {
        // The audio between the tags other programs add, its length from its frames.
        const auto stream = measureMpegStream(
            [&f](std::uint64_t at, std::uint8_t* to, std::size_t n) { return f.readAt(at, to, n); },
            *length);
        if (!f.seek(0)) return fail(ErrorCode::CannotOpenFile);
        if (!stream || stream->first.layer != 1) return fail(ErrorCode::UnsupportedFormat);
        offset = stream->first.offset;
        end = stream->end;
        mpegSamples = stream->samples();
        // A variable bit rate is described by its average, so that bytes and samples keep
        // step over the whole stream.
        std::uint32_t average = 0;
        if (stream->variableRate && *mpegSamples > 0)
            average = static_cast<std::uint32_t>(
                std::llround(static_cast<double>(end - offset) * stream->first.sampleRate /
                             static_cast<double>(*mpegSamples)));
        if (!formats.offerFileFormat(mpegLayer3Format(stream->first, average)))
            return fail(ErrorCode::UnsupportedFormat);
        compressed = true;
    }
    offset = std::min(offset, end);
    l.dataOffset = offset;
    l.dataSize = end - offset;
    if (compressed) {
        CompressedInfo info;
        if (const auto code = formats.setUpCompression(info); code != ErrorCode::Ok)
            return fail(code);
        l.format = info.wave();
        l.encoding = Encoding::Compressed;
        l.numSamples = mpegSamples ? clampFrames(static_cast<double>(*mpegSamples))
                                   : blockFrames(l.dataSize, info);
        l.compressed = std::move(info);
    } else {
        l.format = linearFormat(r);
        l.encoding = encodingFor(r.coding);
        l.numSamples = clampFrames(static_cast<double>(l.dataSize / l.format.blockAlign));
    }
    return done(std::move(l));
}

}  // namespace

bool isAcceptedRate(std::uint32_t rate) {
    return std::find(std::begin(kRates), std::end(kRates), rate) != std::end(kRates);
}

OpenOutcome createFile(const FileRequest& r, FormatHost& formats) {
    FileLayout l;
    l.name = r.path;
    l.dataOnly = r.dataOnly;
    l.playOnly = false;
    l.created = true;
    std::optional<CompressedInfo> info;
    if (r.coding == SampleCoding::Compressed) {
        CompressedInfo c;
        if (const auto code = formats.setUpCompression(c); code != ErrorCode::Ok) return fail(code);
        info = std::move(c);
    }
    auto handle = riff::File::open(r.path, riff::Mode::Create);
    if (!handle) return fail(ErrorCode::CannotOpenFile);
    l.handle = std::move(*handle);
    if (info) {
        l.encoding = Encoding::Compressed;
        l.format = info->wave();
        l.compressed = std::move(info);
    } else {
        l.encoding = encodingFor(r.coding);
        l.format = linearFormat(r);
    }
    if (r.dataOnly == 0) {
        const codecs::FormatBlock record = l.compressed ? l.compressed->format : l.format.toBlock();
        if (!writeWavHeader(l, record, l.encoding != Encoding::Pcm))
            return fail(ErrorCode::CannotWriteHeader);
    }
    return done(std::move(l));
}

OpenOutcome openFile(const FileRequest& r, FormatHost& formats) {
    auto handle = riff::File::open(r.path, r.playOnly ? riff::Mode::Read : riff::Mode::ReadWrite);
    if (!handle) return fail(ErrorCode::CannotOpenFile);
    FileLayout l;
    l.name = r.path;
    l.handle = std::move(*handle);
    l.dataOnly = r.dataOnly;
    l.playOnly = r.playOnly;
    if (r.dataOnly != 0) return openDataOnly(std::move(l), r, formats);
    return openWav(std::move(l), formats);
}

std::string temporaryDirectory() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = (dir && *dir) ? dir : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
}

std::string makeUniqueFile(const std::string& directory) {
    std::string dir = directory.empty() ? std::string(".") : directory;
    if (dir.back() != '/') dir += '/';
    std::vector<char> name(dir.begin(), dir.end());
    const std::string pattern = "AURXXXXXX.tmp";
    name.insert(name.end(), pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) return {};
    ::close(fd);
    return std::string(name.data());
}

}  // namespace aurx::store
