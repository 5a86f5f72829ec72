// Where the virtual speaker's sound goes: a WAV file in the format the output was opened
// with, its header kept correct after every buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/codecs/WaveFormat.h"
#include "platform/riff/RiffFile.h"

namespace aurx::wave {

class VirtualSpeaker {
  public:
    // Nothing when `path` is empty or cannot be created (the sound is then discarded).
    static std::optional<VirtualSpeaker> create(const std::string& path,
                                                const codecs::WaveFormat& format);
    void play(std::span<const std::uint8_t> bytes);

  private:
    explicit VirtualSpeaker(riff::File file) : file_(std::move(file)) {}
    riff::File file_;
    std::uint32_t dataBytes_ = 0;
};

}  // namespace aurx::wave
