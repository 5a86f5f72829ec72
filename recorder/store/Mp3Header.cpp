#include "recorder/store/Mp3Header.h"

#include <algorithm>
#include <vector>

namespace aurx::store {
namespace {

constexpr int kBad = -1;
// Bit rates in kbit/s by index; 0 is free format, kBad is forbidden.
constexpr int kV1L1[16] = {0,   32,  64,  96,  128, 160, 192, 224,
                           256, 288, 320, 352, 384, 416, 448, kBad};
constexpr int kV1L2[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, kBad};
constexpr int kV1L3[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, kBad};
constexpr int kV2L1[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, kBad};
constexpr int kV2L23[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, kBad};

int bitrate(unsigned version, unsigned layer, unsigned index) {
    if (version == 3) return layer == 3 ? kV1L1[index] : layer == 2 ? kV1L2[index] : kV1L3[index];
    return layer == 3 ? kV2L1[index] : kV2L23[index];
}

unsigned sampleRate(unsigned version, unsigned index) {
    static constexpr unsigned kRates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    return index < 3 ? kRates[version][index] : 0;
}

// The header at `b` (four bytes), if it is a plausible one.
std::optional<MpegHeader> headerAt(const std::uint8_t* b, std::size_t offset) {
    if (b[0] != 0xFF || b[1] <= 0xDF) return std::nullopt;
    const unsigned version = (b[1] >> 3) & 3;
    const unsigned layer = (b[1] >> 1) & 3;
    if (version == 1 || layer == 0) return std::nullopt;
    const int kbps = bitrate(version, layer, b[2] >> 4);
    const unsigned rate = sampleRate(version, (b[2] >> 2) & 3);
    if (kbps == kBad || rate == 0) return std::nullopt;
    return MpegHeader{offset,
                      version,
                      layer,
                      static_cast<unsigned>(kbps),
                      rate,
                      ((b[2] >> 1) & 1) != 0,
                      static_cast<unsigned>(b[3] >> 6)};
}

// Frames of one stream share their version, layer and sampling rate.
bool sameStream(const MpegHeader& a, const MpegHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

std::uint32_t bigEndian32(const std::uint8_t* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

std::uint32_t littleEndian32(const std::uint8_t* b) {
    return std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0];
}

// Where the ID3v2 tags at the start of a file end (each says its size; a file may carry more
// than one).
std::uint64_t afterId3v2(const ReadAt& read, std::uint64_t length) {
    std::uint64_t at = 0;
    for (;;) {
        std::uint8_t h[10];
        if (at + 10 > length || read(at, h, 10) != 10) return at;
        if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF ||
            ((h[6] | h[7] | h[8] | h[9]) & 0x80) != 0)
            return at;
        const std::uint64_t size =
            std::uint64_t{h[6]} << 21 | std::uint64_t{h[7]} << 14 | std::uint64_t{h[8]} << 7 | h[9];
        const std::uint64_t next = at + 10 + size + ((h[5] & 0x10) ? 10 : 0);
        if (next > length) return at;  // a tag longer than the file: not one
        at = next;
    }
}

// Where the audio ends: before an ID3v1 tag (the last 128 bytes, "TAG") and an APEv2 tag
// before it.
std::uint64_t beforeEndTags(const ReadAt& read, std::uint64_t start, std::uint64_t end) {
    std::uint8_t t[32];
    if (end >= start + 128 && read(end - 128, t, 3) == 3 && t[0] == 'T' && t[1] == 'A' &&
        t[2] == 'G')
        end -= 128;
    if (end >= start + 32 && read(end - 32, t, 32) == 32 &&
        std::equal(t, t + 8, reinterpret_cast<const std::uint8_t*>("APETAGEX"))) {
        const std::uint64_t size =
            littleEndian32(t + 12) + ((littleEndian32(t + 20) & 0x80000000u) ? 32u : 0u);
        if (size >= 32 && size <= end - start) end -= size;
    }
    return end;
}

// Reads a file through a window of its bytes.
class Window {
  public:
    Window(const ReadAt& read, std::uint64_t end) : read_(read), end_(end), bytes_(1 << 16) {}
    // The `n` bytes at `at`, or nothing beyond the end.
    const std::uint8_t* at(std::uint64_t at, std::size_t n) {
        if (at + n > end_) return nullptr;
        if (at < start_ || at + n > start_ + size_) {
            start_ = at;
            size_ =
                read_(at, bytes_.data(),
                      static_cast<std::size_t>(std::min<std::uint64_t>(bytes_.size(), end_ - at)));
            if (size_ < n) return nullptr;
        }
        return bytes_.data() + (at - start_);
    }

  private:
    const ReadAt& read_;
    std::uint64_t end_;
    std::vector<std::uint8_t> bytes_;
    std::uint64_t start_ = 0;
    std::size_t size_ = 0;
};

// The header at `at` if it starts a frame of the stream that fits before `end`.
std::optional<MpegHeader> frameAt(Window& w, std::uint64_t at, std::uint64_t end,
                                  const MpegHeader* of) {
    const std::uint8_t* b = w.at(at, 4);
    if (!b) return std::nullopt;
    auto h = headerAt(b, static_cast<std::size_t>(at));
    if (!h || (of && !sameStream(*h, *of))) return std::nullopt;
    const std::size_t bytes = frameBytes(*h);
    if (bytes == 0 || at + bytes > end) return std::nullopt;
    return h;
}

// A header followed by another of the same stream (or by the end of the audio), so that bytes
// that merely look like one, in junk before the audio or in a damaged stretch, are passed.
std::optional<MpegHeader> confirmedFrameAt(Window& w, std::uint64_t at, std::uint64_t end,
                                           const MpegHeader* of) {
    auto h = frameAt(w, at, end, of);
    if (!h) return std::nullopt;
    const std::uint64_t next = at + frameBytes(*h);
    if (next == end || frameAt(w, next, end, &*h)) return h;
    return std::nullopt;
}

struct XingFrame {
    std::optional<std::uint32_t> frames;  // when it says
    bool constantRate = false;            // "Info", as LAME marks a constant bit rate
};

// The Xing or Info frame (LAME writes one first), if `h` is one.
std::optional<XingFrame> xingFrame(Window& w, const MpegHeader& h) {
    if (h.layer != 1) return std::nullopt;
    const bool mono = h.channelMode == 3;
    const std::size_t sideInfo = h.version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const std::uint8_t* t = w.at(h.offset + 4 + sideInfo, 12);
    if (!t) return std::nullopt;
    const bool xing = std::equal(t, t + 4, reinterpret_cast<const std::uint8_t*>("Xing"));
    const bool info = std::equal(t, t + 4, reinterpret_cast<const std::uint8_t*>("Info"));
    if (!xing && !info) return std::nullopt;
    XingFrame x;
    if (bigEndian32(t + 4) & 1) x.frames = bigEndian32(t + 8);
    x.constantRate = info;
    return x;
}

}  // namespace

std::optional<MpegHeader> findMpegHeader(std::span<const std::uint8_t> b) {
    for (std::size_t p = 0; p + 4 <= b.size(); ++p) {
        if (auto h = headerAt(b.data() + p, p)) return h;
    }
    return std::nullopt;
}

std::size_t frameBytes(const MpegHeader& h) {
    if (h.bitrateKbps == 0 || h.sampleRate == 0) return 0;
    const std::size_t pad = h.padding ? 1 : 0;
    const std::size_t kbps = h.bitrateKbps;
    if (h.layer == 3) return (12000 * kbps / h.sampleRate + pad) * 4;  // Layer I
    if (h.layer == 2) return 144000 * kbps / h.sampleRate + pad;       // Layer II
    return (h.version == 3 ? 144000 : 72000) * kbps / h.sampleRate + pad;
}

unsigned frameSamples(const MpegHeader& h) {
    if (h.layer == 3) return 384;
    if (h.layer == 2) return 1152;
    return h.version == 3 ? 1152 : 576;
}

std::optional<MpegStream> measureMpegStream(const ReadAt& read, std::uint64_t length) {
    const std::uint64_t start = afterId3v2(read, length);
    const std::uint64_t end = beforeEndTags(read, start, length);
    Window w(read, end);
    MpegStream s;
    s.end = end;
    // The first frame, confirmed by the next, within reach of the start.
    std::optional<MpegHeader> first;
    for (std::uint64_t at = start; at < end && at < start + kMpegScanBytes && !first; ++at)
        first = confirmedFrameAt(w, at, end, nullptr);
    if (!first) {
        // A free-format stream (no frame length in its headers) or a lone frame: the first
        // plausible header.
        std::vector<std::uint8_t> head(
            static_cast<std::size_t>(std::min<std::uint64_t>(kMpegScanBytes, end - start)));
        head.resize(read(start, head.data(), head.size()));
        first = findMpegHeader(head);
        if (!first) return std::nullopt;
        first->offset += static_cast<std::size_t>(start);
    }
    s.first = *first;
    std::uint64_t at = first->offset;
    if (const auto xing = xingFrame(w, *first)) {
        // Trusted where it could be true: no frame is shorter than 24 bytes.
        if (xing->frames && *xing->frames <= (end - at) / 24) {
            s.frames = *xing->frames;
            s.variableRate = !xing->constantRate;
            return s;
        }
        at += frameBytes(*first);  // not audio: a decoder passes it by
    }
    // Header to header; after a damaged stretch, on at the next confirmed frame, as a decoder
    // finds its feet again.
    std::optional<unsigned> rate;
    // As far as a decoder looks for its feet again (mpg123's resync limit): beyond it the
    // stream ends for it, and so for the count.
    constexpr std::uint64_t kResyncLimit = 1024;
    bool lost = false;
    std::uint64_t lostAt = 0;
    while (at + 4 <= end) {
        const auto h = lost ? confirmedFrameAt(w, at, end, &*first) : frameAt(w, at, end, &*first);
        if (!h) {
            // The last frame cut short ends the audio.
            const std::uint8_t* b = w.at(at, 4);
            const auto cut = b ? headerAt(b, 0) : std::nullopt;
            if (!lost && cut && sameStream(*cut, *first) && at + frameBytes(*cut) > end) break;
            if (!lost) lostAt = at;
            lost = true;
            if (++at - lostAt > kResyncLimit) break;
            continue;
        }
        lost = false;
        ++s.frames;
        if (!rate) rate = h->bitrateKbps;
        if (h->bitrateKbps != *rate) s.variableRate = true;
        at += frameBytes(*h);
    }
    return s;
}

codecs::FormatBlock mpegLayer3Format(const MpegHeader& h, std::uint32_t bytesPerSecond) {
    const std::uint16_t channels = h.channelMode == 3 ? 1 : 2;
    const std::uint32_t factor = h.version == 3 ? 144000 : 72000;
    const std::uint32_t rate = bytesPerSecond ? bytesPerSecond : h.bitrateKbps * 1000 / 8;
    std::uint8_t extra[12] = {};
    codecs::writeLe16(extra, 0, 1);                    // MPEG
    codecs::writeLe32(extra, 2, h.padding ? 1u : 2u);  // padding on / off
    codecs::writeLe16(
        extra, 6,
        static_cast<std::uint16_t>(std::uint64_t{rate} * 8 / 1000 * factor / h.sampleRate));
    codecs::writeLe16(extra, 8, 1);      // frames per block
    codecs::writeLe16(extra, 10, 1393);  // codec delay
    const codecs::WaveFormat f{codecs::kTagMpegLayer3, channels, h.sampleRate, rate, 1, 0, 12};
    return f.toBlock(extra);
}

}  // namespace aurx::store
