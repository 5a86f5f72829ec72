// A steady test tone for the virtual line: one second of 440 Hz, 16-bit, 8000 Hz.
#pragma once

#include <string>

namespace gallery {

// Amplitudes are fractions of full scale (1.0 overloads); `channels` 1 uses `left` only.
bool writeToneFile(const std::string& path, double left, double right, int channels);

}  // namespace gallery
