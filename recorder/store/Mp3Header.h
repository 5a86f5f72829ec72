// Finding the first MPEG audio frame header in the start of a raw stream and describing a
// Layer III stream as an MPEG Layer-3 format block (30 bytes, tag 0x55).
#pragma once

#include <cstddef>
#include <cstdint>
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

// The MPEG Layer-3 format block for a Layer III header.
codecs::FormatBlock mpegLayer3Format(const MpegHeader& header);

}  // namespace aurx::store
