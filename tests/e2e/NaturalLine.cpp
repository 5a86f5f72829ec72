#include "tests/e2e/NaturalLine.h"

#include "tests/e2e/LineAudio.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <stdexcept>

namespace e2e::natural {

namespace {

constexpr unsigned kRate = 8000;
constexpr std::size_t kBlock = 80;    // 10 ms: the grain of the coarse search
constexpr std::size_t kPiece = 1600;  // 0.2 s: the grain of the walk along a recording
constexpr double kQuietRms = 300;     // pieces below about -40 dBFS say nothing of where they are
constexpr double kMatch = 0.6;        // a GSM piece against its line scores 0.8 to 0.95
constexpr double kNoisePeak = 58;     // -55 dBFS

std::vector<std::int16_t> rawSamples(const std::string& path) {
    const std::string bytes = testsupport::readFile(path);
    std::vector<std::int16_t> s(bytes.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return s;
}

// One utterance at -3 dBFS peak, its silence at both ends trimmed, so that the call's first and
// last words are where its samples begin and end.
std::vector<std::int16_t> speak(const Utterance& u, const std::string& base) {
    runTool("espeak-ng", {"-v", u.voice, "-s", std::to_string(u.wordsPerMinute), "-w",
                          base + "-spoken.wav", u.text});
    runTool("sox", {base + "-spoken.wav",
                    "-r",
                    "8000",
                    "-c",
                    "1",
                    "-b",
                    "16",
                    "-e",
                    "signed-integer",
                    "-t",
                    "raw",
                    base + ".raw",
                    "silence",
                    "1",
                    "0.005",
                    "0.5%",
                    "reverse",
                    "silence",
                    "1",
                    "0.005",
                    "0.5%",
                    "reverse",
                    "norm",
                    "-3"});
    return rawSamples(base + ".raw");
}

// Sums of magnitudes in 10 ms blocks.
std::vector<double> envelope(const std::int16_t* s, std::size_t n) {
    std::vector<double> e(n / kBlock);
    for (std::size_t b = 0; b < e.size(); ++b) {
        double sum = 0;
        for (std::size_t i = 0; i < kBlock; ++i)
            sum += std::abs(static_cast<double>(s[b * kBlock + i]));
        e[b] = sum;
    }
    return e;
}

// Normalised correlation of a and b over n values (means removed).
template <class T>
double correlation(const T* a, const T* b, std::size_t n) {
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= static_cast<double>(n);
    mb /= static_cast<double>(n);
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = a[i] - ma, y = b[i] - mb;
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

double rms(const std::int16_t* s, std::size_t n) {
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += static_cast<double>(s[i]) * s[i];
    return std::sqrt(sum / static_cast<double>(n));
}

struct Best {
    long offset = 0;  // line index of the piece's first sample
    double score = -1;
};

// Where `piece` (n samples of the recording) lies on the line between line indices low and
// high: by envelopes first, then sample by sample around the best envelope match.
Best search(const std::vector<std::int16_t>& line, const std::vector<double>& lineEnvelope,
            const std::int16_t* piece, std::size_t n, long low, long high) {
    const std::vector<double> e = envelope(piece, n);
    Best coarse;
    const long lastBlock = static_cast<long>(lineEnvelope.size()) - static_cast<long>(e.size());
    for (long b = std::max(0L, low / static_cast<long>(kBlock));
         b <= std::min(lastBlock, high / static_cast<long>(kBlock)); ++b) {
        const double c = correlation(e.data(), lineEnvelope.data() + b, e.size());
        if (c > coarse.score) coarse = {b * static_cast<long>(kBlock), c};
    }
    Best fine;
    const long lastSample = static_cast<long>(line.size()) - static_cast<long>(n);
    for (long at = std::max(0L, coarse.offset - 2 * static_cast<long>(kBlock));
         at <= std::min(lastSample, coarse.offset + 2 * static_cast<long>(kBlock)); ++at) {
        const double c = correlation(piece, line.data() + at, n);
        if (c > fine.score) fine = {at, c};
    }
    return fine;
}

}  // namespace

std::vector<CallScript> benchmarkCalls() {
    return {
        {{"en-us", 175, "Hi.", 1.3},
         {"en-us", 175,
          "Yes, this is Robert from the accounts office. I am calling about the invoice you "
          "sent last week, the amount is different from the order."}},
        {{"en-gb", 140,
          "Good morning, could you put me through to the sales department please? I would like "
          "to ask about the delivery dates for the new printers."}},
        {{"en-us+f3", 220,
          "Hello it's me again, listen, the meeting has moved to Thursday afternoon, three "
          "o'clock, in the small room next to the kitchen, can you tell the others?"}},
        {{"en-gb-scotland", 160,
          "Right. So. The thing is, we have had a problem with the heating again, and the "
          "engineer cannot come before Monday."}},
        {{"en+m3", 190, "Hi.", 0.9},
         {"en+m3", 190,
          "Sorry. I'm in the car. Can you hear me? I will be about twenty minutes late, the "
          "traffic on the bridge is terrible this morning."}},
        {{"en-us+f2", 150,
          "Thank you for calling. Your reference number is four seven two, nine nine one. Please "
          "keep it for your records."}},
        {{"en-gb-x-rp", 200,
          "Well, I suppose we could try that, but honestly I doubt the committee will agree to "
          "it before the end of the quarter."}},
    };
}

std::vector<CallScript> testCalls() {
    const auto all = benchmarkCalls();
    return {all[0], all[2], all[5]};
}

Line render(const std::string& folder, const std::vector<CallScript>& calls, double lead,
            double gapLow, double gapHigh, double tail, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> gap(gapLow, gapHigh);
    std::vector<std::vector<std::int16_t>> spoken;
    std::vector<std::size_t> starts;  // of each utterance
    Line line;
    std::size_t at = static_cast<std::size_t>(lead * kRate);
    int n = 0;
    for (std::size_t c = 0; c < calls.size(); ++c) {
        if (c > 0) at += static_cast<std::size_t>(gap(random) * kRate);
        Call call;
        call.firstWord = static_cast<double>(at) / kRate;
        for (const Utterance& u : calls[c]) {
            spoken.push_back(speak(u, folder + "/utterance" + std::to_string(n++)));
            starts.push_back(at);
            at += spoken.back().size();
            call.lastWord = static_cast<double>(at) / kRate;
            at += static_cast<std::size_t>(u.pauseAfter * kRate);
        }
        line.calls.push_back(call);
    }
    at += static_cast<std::size_t>(tail * kRate);
    std::uniform_real_distribution<double> noise(-kNoisePeak, kNoisePeak);
    std::vector<double> mix(at);
    for (double& v : mix)
        v = noise(random);
    for (std::size_t u = 0; u < spoken.size(); ++u)
        for (std::size_t i = 0; i < spoken[u].size(); ++i)
            mix[starts[u] + i] += spoken[u][i];
    std::vector<std::int16_t> samples(at);
    std::transform(mix.begin(), mix.end(), samples.begin(), [](double v) {
        return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
    });
    line.path = folder + "/natural-line.wav";
    line.seconds = static_cast<double>(at) / kRate;
    testsupport::writePcm16Wav(line.path, samples, kRate, 1);
    return line;
}

std::vector<std::int16_t> decode(const std::string& path, const std::string& scratch) {
    runTool("sox", {path, "-r", "8000", "-c", "1", "-b", "16", "-e", "signed-integer", "-t", "raw",
                    scratch});
    return rawSamples(scratch);
}

std::vector<std::int16_t> readLine(const std::string& path) {
    return testsupport::pcm16(testsupport::chunkData(testsupport::readFile(path), "data"));
}

Placement place(const std::vector<std::int16_t>& line, const std::vector<std::int16_t>& rec) {
    Placement p;
    if (rec.size() < 2 * kRate || line.size() < rec.size()) return p;
    const std::vector<double> lineEnvelope = envelope(line.data(), line.size());
    // Two seconds from the first word find the recording on the whole line.
    const std::size_t window = 2 * kRate;
    std::size_t spoken = 0;
    while (spoken + window < rec.size() && rms(rec.data() + spoken, kPiece) < kQuietRms)
        spoken += kPiece;
    spoken = std::min(spoken, rec.size() - window);
    const Best first =
        search(line, lineEnvelope, rec.data() + spoken, window, 0, static_cast<long>(line.size()));
    if (first.score < kMatch) return p;
    long offset = first.offset - static_cast<long>(spoken);  // the line's index of rec[0]
    p.found = true;
    p.lineStart = static_cast<double>(offset) / kRate;
    // Then piece by piece from the start: where a piece no longer matches the line where the
    // one before it did, the recording jumped; look for it within 4 s either way.
    const long reach = 4 * kRate;
    for (std::size_t at = 0; at + kPiece <= rec.size(); at += kPiece) {
        const std::int16_t* piece = rec.data() + at;
        if (rms(piece, kPiece) < kQuietRms) continue;
        const long here = offset + static_cast<long>(at);
        if (here >= 0 && here + static_cast<long>(kPiece) <= static_cast<long>(line.size()) &&
            correlation(piece, line.data() + here, kPiece) >= kMatch)
            continue;
        // A second of context makes the envelope search sure.
        const std::size_t n = std::min<std::size_t>(kRate, rec.size() - at);
        const Best moved = search(line, lineEnvelope, piece, n, here - reach, here + reach);
        if (moved.score < kMatch || moved.offset == here) continue;
        p.jumps.push_back(static_cast<double>(moved.offset - here) / kRate);
        offset += moved.offset - here;
    }
    p.lineEnd = static_cast<double>(offset + static_cast<long>(rec.size())) / kRate;
    return p;
}

std::vector<CallScore> score(const Line& line, const std::vector<Placement>& recordings) {
    std::vector<CallScore> scores;
    for (const Call& call : line.calls) {
        CallScore s;
        const Placement* best = nullptr;
        double bestOverlap = 0;
        for (const Placement& p : recordings) {
            if (!p.found) continue;
            const double overlap =
                std::min(p.lineEnd, call.lastWord) - std::max(p.lineStart, call.firstWord);
            if (overlap <= 0) continue;
            ++s.files;
            if (overlap > bestOverlap) {
                bestOverlap = overlap;
                best = &p;
            }
        }
        if (best) {
            s.headMargin = call.firstWord - best->lineStart;
            s.tailMargin = best->lineEnd - call.lastWord;
            s.jumps = best->jumps;
            s.missing = std::accumulate(s.jumps.begin(), s.jumps.end(), 0.0,
                                        [](double sum, double j) { return sum + std::fabs(j); });
        } else {
            s.headMargin = s.tailMargin = -(call.lastWord - call.firstWord);
        }
        scores.push_back(s);
    }
    return scores;
}

}  // namespace e2e::natural
