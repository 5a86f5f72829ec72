#include "tests/interop/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace interop {

std::vector<std::uint8_t> convertInPieces(aurx::codecs::Stream& stream,
                                          std::span<const std::uint8_t> source,
                                          const std::vector<std::size_t>& pieces) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> carried;
    std::size_t at = 0;
    for (std::size_t i = 0; at < source.size() || i == 0; ++i) {
        const std::size_t n = pieces.empty()
                                  ? source.size() - at
                                  : std::min(pieces[i % pieces.size()], source.size() - at);
        carried.insert(carried.end(), source.begin() + static_cast<std::ptrdiff_t>(at),
                       source.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        const bool last = at == source.size();
        const unsigned flags =
            (i == 0 ? aurx::codecs::kConvertStart : 0u) |
            (last ? aurx::codecs::kConvertEnd : aurx::codecs::kConvertBlockAlign);
        std::vector<std::uint8_t> destination(stream.destinationSize(carried.size()));
        const auto done = stream.convert(carried, destination, flags);
        if (!done) {
            ADD_FAILURE() << "conversion " << i << " failed";
            return out;
        }
        EXPECT_LE(done->sourceUsed, carried.size());
        EXPECT_LE(done->destUsed, destination.size());
        carried.erase(carried.begin(),
                      carried.begin() + static_cast<std::ptrdiff_t>(done->sourceUsed));
        out.insert(out.end(), destination.begin(),
                   destination.begin() + static_cast<std::ptrdiff_t>(done->destUsed));
        if (last) break;
    }
    // Output that did not fit comes with the following conversions.
    for (int guard = 0; guard < 100000; ++guard) {
        std::vector<std::uint8_t> destination(stream.destinationSize(0) + 4096);
        const auto done = stream.convert({}, destination, 0);
        if (!done || done->destUsed == 0) break;
        out.insert(out.end(), destination.begin(),
                   destination.begin() + static_cast<std::ptrdiff_t>(done->destUsed));
    }
    return out;
}

std::vector<std::uint8_t> convert(const aurx::codecs::FormatBlock& from,
                                  const aurx::codecs::FormatBlock& to,
                                  std::span<const std::uint8_t> source,
                                  const std::vector<std::size_t>& pieces) {
    const auto stream = aurx::codecs::Manager::standard()->open(from, to);
    if (!stream) {
        ADD_FAILURE() << "no stream between the formats";
        return {};
    }
    return convertInPieces(*stream, source, pieces);
}

std::vector<std::uint8_t> bytesOf(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    out.reserve(samples.size() * 2);
    for (auto s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        out.push_back(static_cast<std::uint8_t>(u & 0xFF));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

std::vector<std::int16_t> samplesOf(std::span<const std::uint8_t> bytes) {
    std::vector<std::int16_t> out(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return out;
}

double snrDb(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& test) {
    const std::size_t n = std::min(reference.size(), test.size());
    double signal = 0;
    double noise = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double r = reference[i];
        signal += r * r;
        noise += (r - test[i]) * (r - test[i]);
    }
    if (noise == 0) return 200;
    return 10 * std::log10(signal / noise);
}

int maxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    int largest = 0;
    for (std::size_t i = 0; i < n; ++i)
        largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

}  // namespace interop
