#include "tests/e2e/LineAudio.h"

#include "tests/support/ProcessRunner.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>

namespace e2e {

namespace {

constexpr unsigned kRate = 8000;
// The controller's default Sensitivity, and the margin the start of each phrase keeps above it
// so that no poll of the 1.5 s trigger can find the line quiet.
constexpr double kThresholdDb = -18;
constexpr double kTriggerMarginDb = 3;
constexpr double kTriggerPart = 2.5;   // seconds: the trigger's 1.5 s and two polls to spare
constexpr double kLongestPause = 0.5;  // well inside a CallTimeOut of 2 s
constexpr double kLongestBurst = 1.2;  // the trigger needs 1.5 s

const char* const kCallA =
    "Hello Maria we are ringing in answer to your enquiry about moving the meeting on Monday "
    "morning and we would love to know when you are free";
const char* const kCallB =
    "Good evening Norman I am ringing in reminding you of our meeting on Wednesday morning and "
    "I hope you will manage to join us";
const char* const kBurst = "Well hello there";

struct Piece {
    double silence = 0;            // seconds of noise, or
    const char* phrase = nullptr;  // speech
};

struct Store {
    testsupport::TempDir dir;
    std::map<LineKind, Line> lines;
    std::map<std::string, std::pair<std::string, std::size_t>> phrases;  // file, samples
    int pieces = 0;
};

Store& store() {
    static Store s;
    return s;
}

// A length in samples (at the input's rate, hence -r 8000 before -n).
std::string samplesArg(std::size_t samples) {
    return std::to_string(samples) + "s";
}

std::vector<std::int16_t> samplesOf(const std::string& path) {
    return testsupport::pcm16(testsupport::chunkData(testsupport::readFile(path), "data"));
}

// The loudest sample of each 100 ms window, every 10 ms, in dB below full scale: the level a
// 0.1 s capture buffer starting anywhere would report.
std::vector<double> windowLevels(const std::vector<std::int16_t>& s) {
    const std::size_t block = kRate / 100;
    std::vector<int> blocks;
    for (std::size_t i = 0; i + block <= s.size(); i += block) {
        int peak = 0;
        for (std::size_t j = i; j < i + block; ++j)
            peak = std::max(peak, std::abs(static_cast<int>(s[j])));
        blocks.push_back(peak);
    }
    std::vector<double> levels;
    for (std::size_t i = 0; i + 10 <= blocks.size(); ++i) {
        const int peak = *std::max_element(blocks.begin() + static_cast<std::ptrdiff_t>(i),
                                           blocks.begin() + static_cast<std::ptrdiff_t>(i + 10));
        levels.push_back(peak > 0 ? 20 * std::log10(peak / 32768.0) : -200);
    }
    return levels;
}

// The tests time calls from the phrases' onsets and ends, so each phrase must be speech the
// detection cannot mistake: loud from its first word through the trigger, with no pause the
// latch could end a call in. Another espeak-ng version may speak differently; say so here
// rather than as a call of the wrong length.
void checkPhrase(const std::string& phrase, const std::vector<std::int16_t>& s, bool burst) {
    const double seconds = static_cast<double>(s.size()) / kRate;
    if (burst) {
        if (seconds >= kLongestBurst)
            throw std::runtime_error("the burst \"" + phrase + "\" lasts " +
                                     std::to_string(seconds) + " s");
        return;
    }
    const std::vector<double> levels = windowLevels(s);
    double quietSince = -1;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double at = static_cast<double>(i) / 100;
        if (at < kTriggerPart && levels[i] < kThresholdDb + kTriggerMarginDb)
            throw std::runtime_error("\"" + phrase + "\" is quiet at " + std::to_string(at) +
                                     " s, inside the trigger's time");
        if (levels[i] >= kThresholdDb) {
            quietSince = -1;
        } else if (quietSince < 0) {
            quietSince = at;
        } else if (at + 0.1 - quietSince > kLongestPause) {
            throw std::runtime_error("\"" + phrase + "\" pauses at " + std::to_string(quietSince) +
                                     " s");
        }
    }
}

// A phrase as a line would carry it: 8 kHz mono, compressed so the soft consonants stay above
// the threshold the way a telephone's level control keeps them, and trimmed to the words.
std::pair<std::string, std::size_t> phrase(const char* text, bool burst) {
    Store& st = store();
    if (const auto it = st.phrases.find(text); it != st.phrases.end()) return it->second;
    const std::string base = st.dir.file("phrase" + std::to_string(st.phrases.size()));
    runTool("espeak-ng", {"-s", "160", "-w", base + "-spoken.wav", text});
    runTool("sox", {base + "-spoken.wav",
                    "-r",
                    "8000",
                    "-c",
                    "1",
                    "-b",
                    "16",
                    base + ".wav",
                    "compand",
                    "0.002,0.3",
                    "-70,-70,-50,-16,0,-2",
                    "norm",
                    "-1",
                    "silence",
                    "1",
                    "0.01",
                    "1%",
                    "reverse",
                    "silence",
                    "1",
                    "0.01",
                    "1%",
                    "reverse"});
    const auto samples = samplesOf(base + ".wav");
    checkPhrase(text, samples, burst);
    return st.phrases[text] = {base + ".wav", samples.size()};
}

Line render(const std::string& name, const std::vector<Piece>& pieces) {
    Store& st = store();
    Line line;
    line.path = st.dir.file(name + ".wav");
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (const Piece& p : pieces) {
        if (p.phrase) {
            const auto [file, samples] = phrase(p.phrase, p.phrase == kBurst);
            parts.push_back(file);
            line.speech.push_back(
                {static_cast<double>(at) / kRate, static_cast<double>(at + samples) / kRate});
            at += samples;
        } else {
            const auto samples = static_cast<std::size_t>(std::lround(p.silence * kRate));
            const std::string file = st.dir.file("silence" + std::to_string(++st.pieces) + ".wav");
            runTool("sox", {"-r", "8000", "-c", "1", "-n", "-b", "16", file, "trim", "0",
                            samplesArg(samples)});
            parts.push_back(file);
            at += samples;
        }
    }
    const std::string joined = st.dir.file(name + "-speech.wav");
    const std::string noise = st.dir.file(name + "-noise.wav");
    std::vector<std::string> join = parts;
    join.push_back(joined);
    runTool("sox", join);
    // Line noise peaks near -46 dB, far below the -18 dB threshold.
    runTool("sox", {"-r", "8000", "-c", "1", "-n", "-b", "16", noise, "synth", samplesArg(at),
                    "whitenoise", "vol", "0.005"});
    // -v 1 on each input: a plain -m would halve both.
    runTool("sox", {"-m", "-v", "1", joined, "-v", "1", noise, line.path});
    if (samplesOf(line.path).size() != at)
        throw std::runtime_error(line.path + " does not hold the " + std::to_string(at) +
                                 " samples it was made of");
    line.seconds = static_cast<double>(at) / kRate;
    return line;
}

}  // namespace

void runTool(const std::string& name, const std::vector<std::string>& args) {
    const std::string path = tool(name);
    if (path.empty()) throw std::runtime_error(name + " is not installed (scripts/install-deps)");
    const auto r = testsupport::runProcess(path, args);
    if (r.status != 0) {
        std::ostringstream s;
        s << name;
        for (const auto& a : args)
            s << ' ' << a;
        throw std::runtime_error(s.str() + " failed (" + std::to_string(r.status) + "): " + r.err);
    }
}

std::string tool(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

const Line& line(LineKind kind) {
    Store& st = store();
    if (const auto it = st.lines.find(kind); it != st.lines.end()) return it->second;
    switch (kind) {
        case LineKind::TwoCallsAndABurst:
            st.lines[kind] = render(
                "two-calls", {{2.0}, {0, kCallA}, {5.0}, {0, kCallB}, {3.5}, {0, kBurst}, {2.5}});
            break;
        case LineKind::OneCall:
            st.lines[kind] = render("one-call", {{2.0}, {0, kCallA}, {3.0}});
            break;
        case LineKind::Quiet:
            st.lines[kind] = render("quiet", {{30.0}});
            break;
    }
    return st.lines[kind];
}

}  // namespace e2e
