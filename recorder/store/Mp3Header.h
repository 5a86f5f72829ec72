// Finding the first MPEG audio frame header in the start of a raw stream, measuring the
// stream (where its audio lies between the tags other programs add, and how many samples its
// frames hold) and describing a Layer III stream as an MPEG Layer-3 format block (30 bytes,
// tag 0x55).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "platform/codecs/WaveFormat.h"

namespace aurx::store {

struct MpegHeader {
    std::size_t offset = 0;    // of the 0xFF sync byte
    unsigned version = 0;      // the two version bits: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    unsigned layer = 0;        // the two layer bits: 1 Layer III, 2 Layer II, 3 Layer I
    unsigned bitrateKbps = 0;  // 0 for a free-format frame
    unsigned sampleRate = 0;
    bool padding = false;
    unsigned channelMode = 0;  // 3 = single channel
};

// The first position with a plausible frame header (any layer), if any.
std::optional<MpegHeader> findMpegHeader(std::span<const std::uint8_t> bytes);

// The length of the frame a header starts, in bytes (0 for a free-format frame), and the
// samples it decodes to.
std::size_t frameBytes(const MpegHeader& header);
unsigned frameSamples(const MpegHeader& header);

// An MPEG audio stream as a file holds it: ID3v2 tags at the start (skipped by their stated
// sizes), perhaps other bytes before the first frame, the frames, and an APEv2 and an ID3v1
// tag at the end.
struct MpegStream {
    MpegHeader first;           // the first frame; offset is where the audio begins
    std::uint64_t end = 0;      // where the audio ends (the tags at the end excluded)
    std::uint64_t frames = 0;   // frames of audio, not counting a Xing/Info frame
    bool variableRate = false;  // the frames' bit rates differ
    // The number of samples the frames decode to, as a decoder that keeps every frame's
    // samples (no gapless trimming) gives them.
    std::uint64_t samples() const { return frames * frameSamples(first); }
};

// Reads up to `size` bytes at `offset` into `to`; the number read.
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::uint8_t* to, std::size_t size)>;

// How far past the start (and any ID3v2 tags) the first frame is looked for.
constexpr std::size_t kMpegScanBytes = 32768;

// Measures the stream of `length` bytes: the frame count from the Xing/Info frame where the
// first frame is one (as LAME writes for variable bit rates), else by walking the frames from
// header to header. Nothing when no frame is found.
std::optional<MpegStream> measureMpegStream(const ReadAt& read, std::uint64_t length);

// The MPEG Layer-3 format block for a Layer III header; `bytesPerSecond` other than 0 gives the
// stream's average rate instead of the header's (a variable bit rate).
codecs::FormatBlock mpegLayer3Format(const MpegHeader& header, std::uint32_t bytesPerSecond = 0);

}  // namespace aurx::store
