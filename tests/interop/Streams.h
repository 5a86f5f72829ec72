// Driving codec streams as the recorder does, and measuring how close two sounds are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/codecs/CodecManager.h"

namespace interop {

// Feeds `source` through `stream` in pieces of the given sizes (cycled; empty: all at once):
// the first conversion with the start flag, the last with the end flag, the others asking for
// whole blocks only. Whatever the stream leaves unused is carried into the next piece, and
// output it holds back is collected until it has none left. The destination of each
// conversion is as large as the stream's own estimate. Fails the test on a codec failure.
std::vector<std::uint8_t> convertInPieces(aurx::codecs::Stream& stream,
                                          std::span<const std::uint8_t> source,
                                          const std::vector<std::size_t>& pieces = {});

// Opens a stream from `from` to `to` with the installed codecs and converts `source` with it.
std::vector<std::uint8_t> convert(const aurx::codecs::FormatBlock& from,
                                  const aurx::codecs::FormatBlock& to,
                                  std::span<const std::uint8_t> source,
                                  const std::vector<std::size_t>& pieces = {});

std::vector<std::uint8_t> bytesOf(const std::vector<std::int16_t>& samples);
std::vector<std::int16_t> samplesOf(std::span<const std::uint8_t> bytes);

// Signal-to-noise ratio in dB of `test` against `reference` over their common length.
double snrDb(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& test);
// Largest difference between two sounds over their common length.
int maxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b);

}  // namespace interop
