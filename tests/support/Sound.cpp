#include "tests/support/Sound.h"

#include <cmath>
#include <fstream>

namespace testsupport {

std::vector<std::int16_t> sine(double hz, double amplitude, std::size_t frames, unsigned rate,
                               unsigned channels) {
    std::vector<std::int16_t> out;
    out.reserve(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2 * M_PI * hz * static_cast<double>(i) / rate);
        for (unsigned c = 0; c < channels; ++c)
            out.push_back(static_cast<std::int16_t>(std::lround(v * 32767)));
    }
    return out;
}

namespace {
void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
}
void put16(std::string& s, std::uint16_t v) {
    for (int i = 0; i < 2; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
}
}  // namespace

void writePcm16Wav(const std::string& path, const std::vector<std::int16_t>& samples, unsigned rate,
                   unsigned channels) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string s = "RIFF";
    put32(s, 36 + dataBytes);
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);
    put16(s, static_cast<std::uint16_t>(channels));
    put32(s, rate);
    put32(s, rate * channels * 2);
    put16(s, static_cast<std::uint16_t>(channels * 2));
    put16(s, 16);
    s += "data";
    put32(s, dataBytes);
    for (auto v : samples)
        put16(s, static_cast<std::uint16_t>(v));
    std::ofstream(path, std::ios::binary).write(s.data(), static_cast<std::streamsize>(s.size()));
}

std::uint32_t le32(const std::string& b, std::size_t o) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4 && o + i < b.size(); ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[o + i])) << (8 * i);
    return v;
}

std::uint16_t le16(const std::string& b, std::size_t o) {
    return static_cast<std::uint16_t>(le32(b.substr(o, 2) + std::string(2, '\0'), 0));
}

std::vector<Chunk> wavChunks(const std::string& b) {
    std::vector<Chunk> out;
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::uint32_t size = le32(b, at + 4);
        const std::size_t take = std::min<std::size_t>(size, b.size() - at - 8);
        out.push_back(Chunk{b.substr(at, 4), b.substr(at + 8, take)});
        at += 8 + static_cast<std::size_t>(size) + (size & 1u);
    }
    return out;
}

std::string chunkData(const std::string& bytes, const std::string& id) {
    for (const auto& c : wavChunks(bytes))
        if (c.id == id) return c.data;
    return {};
}

std::vector<std::int16_t> pcm16(const std::string& d) {
    std::vector<std::int16_t> out(d.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::int16_t>(le16(d, 2 * i));
    return out;
}

}  // namespace testsupport
