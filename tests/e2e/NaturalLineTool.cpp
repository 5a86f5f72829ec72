// natural-line: the benchmark's line of natural speech, and a score of the calls a recorder
// made of it.
//   natural-line render FOLDER           writes FOLDER/natural-line.wav and .spans
//   natural-line score FOLDER CALLS...   places each recording on the line; per call: files,
//                                        seconds kept before the first word and after the last
//                                        (negative: lost), and the holes inside
#include "tests/e2e/NaturalLine.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

using namespace e2e::natural;

namespace {

int usage() {
    std::cerr << "usage: natural-line render FOLDER | score FOLDER RECORDING...\n";
    return 2;
}

Line stored(const std::string& folder) {
    Line line;
    line.path = folder + "/natural-line.wav";
    std::ifstream spans(folder + "/natural-line.spans");
    Call c;
    while (spans >> c.firstWord >> c.lastWord)
        line.calls.push_back(c);
    if (line.calls.empty()) throw std::runtime_error("no line in " + folder);
    return line;
}

}  // namespace

int main(int argc, char** argv) try {
    if (argc < 3) return usage();
    const std::string verb = argv[1], folder = argv[2];
    if (verb == "render" && argc == 3) {
        const Line line = render(folder, benchmarkCalls(), 4, 20, 25, 12);
        std::ofstream spans(folder + "/natural-line.spans");
        for (const Call& c : line.calls)
            spans << c.firstWord << ' ' << c.lastWord << '\n';
        std::printf("%s %.1f s, %zu calls\n", line.path.c_str(), line.seconds, line.calls.size());
        return 0;
    }
    if (verb != "score") return usage();
    const Line line = stored(folder);
    const auto heard = readLine(line.path);
    std::vector<Placement> placed;
    for (int i = 3; i < argc; ++i)
        placed.push_back(place(heard, decode(argv[i], folder + "/decoded.raw")));
    const auto scores = score(line, placed);
    std::printf("call  first word  files  head kept  tail kept  holes\n");
    int whole = 0;
    for (std::size_t i = 0; i < scores.size(); ++i) {
        const CallScore& s = scores[i];
        std::string holes;
        for (double j : s.jumps)
            holes += (holes.empty() ? "" : " ") + std::to_string(j).substr(0, 6);
        std::printf("%4zu  %9.1f s  %5d  %7.2f s  %7.2f s  %s\n", i + 1, line.calls[i].firstWord,
                    s.files, s.headMargin, s.tailMargin, holes.empty() ? "none" : holes.c_str());
        if (s.files == 1 && s.headMargin >= 0 && s.tailMargin >= 0 && s.jumps.empty()) ++whole;
    }
    std::printf("%d of %zu calls whole, in one file each\n", whole, scores.size());
    return 0;
} catch (const std::exception& e) {
    std::cerr << "natural-line: " << e.what() << '\n';
    return 1;
}
