// The codec manager: the installed audio codecs (drivers) and what the recorder asks of them —
// a linear PCM partner for a format, whether a conversion between two formats can be opened,
// conversion streams with size estimates and the start / end / block-align flags, format tag
// names, descriptions of format blocks, the formats a chooser may offer, and the largest
// format block any codec uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/codecs/WaveFormat.h"

namespace aurx::codecs {

enum ConvertFlags : unsigned {
    kConvertStart = 1,       // first conversion of a stream: start from a clean codec state
    kConvertEnd = 2,         // last conversion: flush what the codec still holds
    kConvertBlockAlign = 4,  // convert whole source blocks only, leaving the rest unused
};

struct Conversion {
    std::size_t sourceUsed = 0;  // source bytes consumed; the caller keeps the rest as leftover
    std::size_t destUsed = 0;    // destination bytes produced
};

// One open conversion from a source format to a destination format.
class Stream {
  public:
    virtual ~Stream() = default;
    // Destination bytes that `sourceBytes` of source can produce at most.
    virtual std::size_t destinationSize(std::size_t sourceBytes) const = 0;
    // Source bytes needed to produce `destinationBytes` of output.
    virtual std::size_t sourceSize(std::size_t destinationBytes) const = 0;
    // Converts as much of `source` as whole blocks allow and `destination` holds; with
    // kConvertEnd a trailing partial block is completed and buffered output is flushed.
    // Nothing on a codec failure.
    virtual std::optional<Conversion> convert(std::span<const std::uint8_t> source,
                                              std::span<std::uint8_t> destination,
                                              unsigned flags) = 0;
};

// A codec for one format tag; it converts between its formats and linear PCM.
class Driver {
  public:
    virtual ~Driver() = default;
    virtual std::uint16_t tag() const = 0;
    virtual std::string tagName() const = 0;
    virtual bool accepts(const WaveFormat& format, std::span<const std::uint8_t> block) const = 0;
    virtual std::optional<WaveFormat> suggestPcm(const WaveFormat& format) const = 0;
    virtual std::string describe(const WaveFormat& format) const = 0;
    virtual std::vector<FormatBlock> formats() const = 0;
    // A stream between `from` and `to`, one of which is this driver's (both when tag 1);
    // nothing when the pair is not supported.
    virtual std::unique_ptr<Stream> open(const FormatBlock& from, const FormatBlock& to) const = 0;
};

class Manager {
  public:
    explicit Manager(std::vector<std::unique_ptr<Driver>> drivers);

    // The codecs installed on this machine: PCM, G.711 A-law and µ-law, GSM 6.10, MPEG Layer-3.
    static std::shared_ptr<const Manager> standard();

    std::optional<FormatBlock> suggestPcm(std::span<const std::uint8_t> format) const;
    bool canConvert(std::span<const std::uint8_t> from, std::span<const std::uint8_t> to) const;
    std::unique_ptr<Stream> open(std::span<const std::uint8_t> from,
                                 std::span<const std::uint8_t> to) const;
    std::optional<std::size_t> largestFormatSize() const;
    std::optional<std::string> tagName(std::uint16_t tag) const;
    // The codec's description of a block's parameters, e.g. "8.000 kHz, Mono".
    std::optional<std::string> describe(std::span<const std::uint8_t> format) const;
    std::vector<std::uint16_t> tags() const;
    // Formats offered for a tag, or for every tag when `tag` is 0.
    std::vector<FormatBlock> formats(std::uint16_t tag) const;

  private:
    const Driver* driverFor(std::span<const std::uint8_t> format) const;
    std::vector<std::unique_ptr<Driver>> drivers_;
};

}  // namespace aurx::codecs
