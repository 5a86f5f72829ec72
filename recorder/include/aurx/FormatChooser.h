// The format chooser a host may plug into the control (the Qt dialog in aurx300-qt). Without
// one, choosing a format reports that the chooser failed. The control's request carries the
// formats its codecs offer, so a chooser needs nothing from the codec layer itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "aurx/aurx_export.h"

namespace aurx::formats {

// A format the codecs offer: its block and its description (nothing when it has none).
struct FormatOffer {
    std::vector<std::uint8_t> block;
    std::optional<std::string> description;
};

// One installed format tag: its name (nothing when it has none) and its formats.
struct FormatFamily {
    std::uint16_t tag = 0;
    std::optional<std::string> name;
    std::vector<FormatOffer> formats;
};

struct ChooserRequest {
    std::int32_t owner = 0;               // the host's window handle, as the caller passed it
    std::string title;                    // empty: the chooser's own title
    std::vector<std::uint8_t> initial;    // empty: open on the chooser's default format
    std::size_t bufferSize = 0;           // bytes of the block the chooser returns
    std::uint16_t tagFilter = 0;          // 0: every format tag
    std::vector<FormatFamily> installed;  // every installed tag, in the codecs' order
};

class AURX_EXPORT FormatChooser {
  public:
    virtual ~FormatChooser() = default;
    // The confirmed block, `bufferSize` bytes long; nothing when cancelled or failed.
    virtual std::optional<std::vector<std::uint8_t>> choose(const ChooserRequest& request) = 0;
};

}  // namespace aurx::formats
