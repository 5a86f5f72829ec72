#include "tools/meter-gallery/ToneFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>

namespace gallery {
namespace {

constexpr std::uint32_t kRate = 8000;

void put(std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

std::int16_t sample(double amplitude, std::uint32_t i) {
    const double v = amplitude * std::sin(2 * std::numbers::pi * 440 * i / kRate);
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
}

}  // namespace

bool writeToneFile(const std::string& path, double left, double right, int channels) {
    const auto ch = static_cast<std::uint32_t>(channels == 2 ? 2 : 1);
    const std::uint32_t dataBytes = kRate * ch * 2;
    std::string s = "RIFF";
    put(s, 36 + dataBytes, 4);
    s += "WAVEfmt ";
    put(s, 16, 4);
    put(s, 1, 2);  // PCM
    put(s, ch, 2);
    put(s, kRate, 4);
    put(s, kRate * ch * 2, 4);
    put(s, ch * 2, 2);
    put(s, 16, 2);
    s += "data";
    put(s, dataBytes, 4);
    for (std::uint32_t i = 0; i < kRate; ++i) {
        put(s, static_cast<std::uint16_t>(sample(left, i)), 2);
        if (ch == 2) put(s, static_cast<std::uint16_t>(sample(right, i)), 2);
    }
    std::ofstream out(path, std::ios::binary);
    out.write(s.data(), static_cast<std::streamsize>(s.size()));
    return static_cast<bool>(out);
}

}  // namespace gallery
