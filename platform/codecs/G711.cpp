#include "platform/codecs/G711.h"

#include <algorithm>

namespace aurx::codecs::g711 {
namespace {

constexpr int kSegmentEnd[8] = {0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF, 0x1FFF, 0x3FFF, 0x7FFF};

int segment(int v) {
    for (int i = 0; i < 8; ++i)
        if (v <= kSegmentEnd[i]) return i;
    return 8;
}

}  // namespace

std::uint8_t linearToALaw(std::int16_t sample) {
    int s = sample;
    int mask = 0xD5;
    if (s < 0) {
        mask = 0x55;
        // The reference form gives -1..-7 a negative magnitude, which would encode as a loud
        // click; they belong to the smallest negative step.
        s = std::max(-s - 8, 0);
    }
    const int g = segment(s);
    if (g >= 8) return static_cast<std::uint8_t>(0x7F ^ mask);
    const int shift = g < 2 ? 4 : g + 3;
    return static_cast<std::uint8_t>(((g << 4) | ((s >> shift) & 0x0F)) ^ mask);
}

std::int16_t aLawToLinear(std::uint8_t code) {
    const int a = code ^ 0x55;
    int t = (a & 0x0F) << 4;
    const int g = (a & 0x70) >> 4;
    if (g == 0) {
        t += 8;
    } else if (g == 1) {
        t += 0x108;
    } else {
        t = (t + 0x108) << (g - 1);
    }
    return static_cast<std::int16_t>((a & 0x80) ? t : -t);
}

std::uint8_t linearToMuLaw(std::int16_t sample) {
    int s = sample;
    int mask = 0xFF;
    if (s < 0) {
        s = 0x84 - s;
        mask = 0x7F;
    } else {
        s += 0x84;
    }
    const int g = segment(s);
    if (g >= 8) return static_cast<std::uint8_t>(0x7F ^ mask);
    return static_cast<std::uint8_t>(((g << 4) | ((s >> (g + 3)) & 0x0F)) ^ mask);
}

std::int16_t muLawToLinear(std::uint8_t code) {
    const int u = static_cast<std::uint8_t>(~code);
    const int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
    return static_cast<std::int16_t>((u & 0x80) ? (0x84 - t) : (t - 0x84));
}

}  // namespace aurx::codecs::g711
