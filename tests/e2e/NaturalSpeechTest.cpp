// The real parlaro, every setting at its default but automatic recording, on a line of natural
// speech: each call is recorded, into one file, from before its first word to after its last,
// with nothing missing where listening turned into recording.
#include <gtest/gtest.h>

#include "tests/e2e/AutomaticMode.h"
#include "tests/e2e/NaturalLine.h"

#include <csignal>

using namespace e2e;

TEST(NaturalSpeech, EveryCallIsRecordedWholeInOneFile) {
    testsupport::TempDir scratch;
    // Gaps long enough for a call to end (5 to 6 s) and the next one's 3 s before its onset.
    const natural::Line line =
        natural::render(scratch.file(""), natural::testCalls(), 4, 10, 12, 9);
    Workstation ws;
    ws.set("AutoRecord", 1);
    ws.set("AddNote", 0);
    auto p = ws.start(line.path);
    const auto lineStart = ws.waitForLineStart(20000);
    ASSERT_TRUE(lineStart) << "the detection never started";
    LineClock(*lineStart).sleepUntil(line.seconds + 0.5);
    const auto r = endWith(*p, SIGTERM);
    EXPECT_EQ(r.status, 0) << r.err;

    const auto calls = ws.waitForCalls(line.calls.size(), 5000);
    ASSERT_EQ(calls.size(), line.calls.size()) << calls.size() << " files for the calls";
    const std::vector<std::int16_t> heard = natural::readLine(line.path);
    std::vector<natural::Placement> placed;
    for (const std::string& call : calls) {
        placed.push_back(natural::place(
            heard, natural::decode(ws.callsFolder() + call, scratch.file(call + ".raw"))));
        EXPECT_TRUE(placed.back().found) << call;
    }
    const auto scores = natural::score(line, placed);
    for (std::size_t i = 0; i < scores.size(); ++i) {
        SCOPED_TRACE(testing::Message()
                     << "call " << i + 1 << " at " << line.calls[i].firstWord << " s");
        EXPECT_EQ(scores[i].files, 1);
        // PreRoll's 3 s before the first loud poll, which comes up to 0.3 s after the word.
        EXPECT_GE(scores[i].headMargin, 2.5);
        // CallTimeOut's 5 s of quiet after the last word, less a poll.
        EXPECT_GE(scores[i].tailMargin, 4.5);
        EXPECT_TRUE(scores[i].jumps.empty()) << scores[i].missing << " s of the line missing";
    }
}
