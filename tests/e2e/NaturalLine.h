// A telephone line of natural speech and what a recorder made of it. The line holds spoken calls
// (espeak-ng in several voices and speeds, each utterance at -3 dBFS peak, with the pauses
// people leave, some opening with a short "Hi." and a pause) between stretches of -55 dBFS line
// noise. A recording is placed on the line by correlating it with the line in short pieces, which
// tells where it begins and ends and every stretch of the line it lacks (a hole) or holds twice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e::natural {

struct Utterance {
    std::string voice;
    int wordsPerMinute = 160;
    std::string text;
    double pauseAfter = 0;  // seconds of line noise before the next utterance of the call
};

// One call: its utterances in order.
using CallScript = std::vector<Utterance>;

// The seven calls of the benchmark's line, and a shorter three for the test.
std::vector<CallScript> benchmarkCalls();
std::vector<CallScript> testCalls();

struct Call {
    double firstWord = 0;  // seconds from the line's start
    double lastWord = 0;   // end of the last word
};

struct Line {
    std::string path;  // 8 kHz mono 16-bit WAV
    double seconds = 0;
    std::vector<Call> calls;
};

// Renders the calls into `folder`, with `lead` seconds of noise first, gaps between calls drawn
// from [gapLow, gapHigh] (seeded, so a line is the same every time) and `tail` seconds after.
// Throws std::runtime_error when espeak-ng or sox is missing.
Line render(const std::string& folder, const std::vector<CallScript>& calls, double lead,
            double gapLow, double gapHigh, double tail, unsigned seed = 7);

// Where a recording lies on the line.
struct Placement {
    bool found = false;
    double lineStart = 0;  // the line's time of the recording's first sample
    double lineEnd = 0;    // of its end
    // Each place where the recording jumps on the line, in seconds: positive where a stretch
    // of the line is missing, negative where one is repeated.
    std::vector<double> jumps;
};

// 16-bit samples of any WAV file sox reads (GSM included), at 8 kHz mono.
std::vector<std::int16_t> decode(const std::string& path, const std::string& scratch);
std::vector<std::int16_t> readLine(const std::string& path);

Placement place(const std::vector<std::int16_t>& line, const std::vector<std::int16_t>& recording);

struct CallScore {
    int files = 0;          // recordings that hold some of the call
    double headMargin = 0;  // seconds recorded before the first word (negative: lost of it)
    double tailMargin = 0;  // after the last word (negative: lost)
    double missing = 0;     // seconds of the call's line missing inside the recording
    std::vector<double> jumps;
};

// Each call of the line against the recordings that overlap it.
std::vector<CallScore> score(const Line& line, const std::vector<Placement>& recordings);

}  // namespace e2e::natural
