// Preparing a codec-format file: the file's copy of the format, its frames per block, the
// sizes of the conversion buffers, and a check that the codec streams (decoding always,
// encoding unless the file is only played) can be opened. Nothing for a format whose fields
// are zero or out of range, or whose linear partner no device could take (1 or 2 channels of
// 8 or 16 bits, at most 192 kHz).
#pragma once

#include <optional>
#include <span>

#include "platform/codecs/CodecManager.h"
#include "recorder/store/AudioFile.h"

namespace aurx::store {

std::optional<CompressedInfo> setUpCompression(std::span<const std::uint8_t> block,
                                               const codecs::WaveFormat& partner, bool playOnly,
                                               const codecs::Manager& codecs);

}  // namespace aurx::store
