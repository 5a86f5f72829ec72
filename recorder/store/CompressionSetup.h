// Preparing a codec-format file: the file's copy of the format, its frames per block, the
// sizes of the conversion buffers, and a check that the codec streams (decoding always,
// encoding unless the file is only played) can be opened.
#pragma once

#include <optional>
#include <span>

#include "platform/codecs/CodecManager.h"
#include "recorder/store/AudioFile.h"

namespace store {

std::optional<CompressedInfo> setUpCompression(std::span<const std::uint8_t> block,
                                               const codecs::WaveFormat& partner, bool playOnly,
                                               const codecs::Manager& codecs);

}  // namespace store
