// Telephone lines for the end-to-end tests: spoken phrases (espeak-ng) between stretches of low
// line noise (sox), 8 kHz mono 16-bit, rendered once per test program run and kept until it ends.
#pragma once

#include <string>
#include <vector>

namespace e2e {

struct Span {
    double start = 0;  // seconds from the line's start
    double end = 0;
    double length() const { return end - start; }
};

struct Line {
    std::string path;
    double seconds = 0;
    std::vector<Span> speech;  // in order
};

enum class LineKind {
    // 2 s of noise, call A (about 6.7 s of speech), 5 s, call B (about 6.2 s), 3.5 s, a burst
    // of speech shorter than the trigger's 1.5 s, 2.5 s. The gaps let a call end (latch) and
    // the detection gather 3 s of pre-roll before the next one starts.
    TwoCallsAndABurst,
    // 2 s of noise, call A, 3 s.
    OneCall,
    // 30 s of noise only.
    Quiet,
};

// The line, rendered on first use. Throws std::runtime_error when a tool is missing or the
// rendered speech is not the continuous speech the tests rely on.
const Line& line(LineKind kind);

// The full path of a program found on PATH, or "" when there is none.
std::string tool(const std::string& name);
// Runs a tool found on PATH; throws std::runtime_error, naming the command, when it is missing
// or fails.
void runTool(const std::string& name, const std::vector<std::string>& args);

}  // namespace e2e
