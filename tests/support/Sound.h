// Test sounds: sample sequences, and WAV files written and read by the tests themselves
// (independently of the code under test).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

std::vector<std::int16_t> sine(double hz, double amplitude, std::size_t frames, unsigned rate,
                               unsigned channels = 1);

// A canonical 16-bit PCM WAV file (44-byte header).
void writePcm16Wav(const std::string& path, const std::vector<std::int16_t>& samples, unsigned rate,
                   unsigned channels);

struct Chunk {
    std::string id;
    std::string data;
};
// The chunks inside a RIFF/WAVE file, in order, as written in the file (sizes taken as given,
// clamped to the file).
std::vector<Chunk> wavChunks(const std::string& bytes);
std::string chunkData(const std::string& bytes, const std::string& id);

std::uint32_t le32(const std::string& bytes, std::size_t offset);
std::uint16_t le16(const std::string& bytes, std::size_t offset);
std::vector<std::int16_t> pcm16(const std::string& data);

}  // namespace testsupport
