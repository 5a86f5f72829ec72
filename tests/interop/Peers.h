// The other programs that must agree with us about audio files: sox writes and reads WAV
// files, lame writes MP3 streams and mpg123 decodes them. Each helper fails the running test
// when the program does not do what was asked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace interop {

// Runs "program arguments" (arguments in shell words, built by the tests) and fails the test
// with the program's output unless it exits with 0.
void mustRun(const std::string& program, const std::string& arguments);

// What `sox --i` reports about a file.
struct SoxInfo {
    unsigned channels = 0;
    unsigned rate = 0;
    std::uint64_t samples = 0;  // frames
    std::string encoding;       // e.g. "8-bit A-law"
};
SoxInfo soxInfo(const std::string& path);

// The file's audio as sox decodes it, 16-bit signed, channels interleaved.
std::vector<std::int16_t> soxDecode(const std::string& path);

// mpg123's decoding of an MP3 file (`mpg123 -s --no-gapless`: every frame's samples, the
// encoder's delay and padding too), 16-bit signed at the stream's own rate.
std::vector<std::int16_t> mpg123Decode(const std::string& path);

}  // namespace interop
