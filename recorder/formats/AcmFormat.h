// The control's compression format: the stored format block (whose storage only grows: a
// shorter block is copied over the start and the recorded length stays), its linear PCM
// partner, and installation — the checks a block passes before it becomes the stored format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/codecs/CodecManager.h"
#include "platform/wave/DeviceSet.h"

namespace aurx::formats {

// What installation asks about.
struct InstallContext {
    bool playOnly = false;
    int recordDevice = wave::kDefaultDevice;
    int playbackDevice = wave::kDefaultDevice;
    const wave::DeviceSet& devices;
    const codecs::Manager& codecs;
};

class AcmFormat {
  public:
    bool isSet() const { return recorded_ > 0; }
    // The stored block in its recorded length.
    std::span<const std::uint8_t> block() const { return {storage_.data(), recorded_}; }
    const codecs::WaveFormat& partner() const { return partner_; }

    // Copies `bytes` in under the growing-storage rule.
    void store(std::span<const std::uint8_t> bytes);

    // Installs `bytes`: finds the linear partner, asks the chosen devices (unless play-only)
    // and, when `codecChecks`, the codecs in both directions; checks the block's basic fields.
    // On success stores block and partner; on failure changes nothing.
    bool install(std::span<const std::uint8_t> bytes, bool codecChecks, const InstallContext& ctx);

  private:
    std::vector<std::uint8_t> storage_;
    std::size_t recorded_ = 0;
    codecs::WaveFormat partner_{};
};

// The linear partner that installation would choose for a block.
codecs::WaveFormat partnerFor(std::span<const std::uint8_t> bytes, const codecs::Manager& codecs);

}  // namespace aurx::formats
