// Converting a call file into a shareable copy: decoded whatever its format (SoundReader),
// folded to mono, and encoded as Opus in Ogg or as MP3 (ShareEncoder).
#pragma once

#include <string>

#include "services/share/ShareEncoder.h"

namespace parlaro::share {

enum class ShareCodec { Opus, Mp3 };

// "" when the whole copy went to `writer`; otherwise why not, in words fit for a message.
std::string convertSound(const std::string& path, ShareCodec codec, ByteWriter& writer);

}  // namespace parlaro::share
