// The format chooser a host may plug into the control (the Qt dialog in aurx300-qt). Without
// one, choosing a format reports that the chooser failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace formats {

struct ChooserRequest {
    std::int32_t owner = 0;             // the host's window handle, as the caller passed it
    std::string title;                  // empty: the chooser's own title
    std::vector<std::uint8_t> initial;  // empty: open on the chooser's default format
    std::size_t bufferSize = 0;         // bytes of the block the chooser returns
    std::uint16_t tagFilter = 0;        // 0: every format tag
};

class FormatChooser {
  public:
    virtual ~FormatChooser() = default;
    // The confirmed block, `bufferSize` bytes long; nothing when cancelled or failed.
    virtual std::optional<std::vector<std::uint8_t>> choose(const ChooserRequest& request) = 0;
};

}  // namespace formats
