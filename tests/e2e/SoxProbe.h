// What sox makes of a recorded call: an independent reader, so a file that only Parlaro can
// read does not pass.
#pragma once

#include <string>

namespace e2e {

struct AudioInfo {
    int channels = 0;
    int rate = 0;
    int precision = 0;     // bits
    std::string encoding;  // as soxi names it: "GSM", "8-bit Unsigned Integer PCM", ...
    double seconds = 0;
};

// Throws std::runtime_error when sox cannot read the file.
AudioInfo probe(const std::string& path);

// The largest magnitude (0..1) of the samples from `from` for `length` seconds.
double peak(const std::string& path, double from, double length);

}  // namespace e2e
