// The real parlaro on a desktop's sound server (PulseAudio, or PipeWire by either ALSA route),
// its settings at their defaults but automatic recording: spoken calls on the line, and the
// calls this computer makes, are each recorded whole, in one file.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include "tests/e2e/NaturalLine.h"
#include "tests/e2e/Workstation.h"
#include "tests/realserver/SoundServer.h"

using namespace e2e;

namespace {

// Plays two spoken calls into the speakers' sink while parlaro listens, with `input` as its
// Input setting (0 the line: the sink's monitor is the default source; 1 this computer's
// calls: a microphone of its own is the default source and the calls are the other side); each
// call must be in one file, from before its first word, without a hole.
void recordsTwoSpokenCalls(int input) {
    if (const auto why = testsupport::soundServerUnavailable(); !why.empty()) GTEST_SKIP() << why;
    testsupport::TempDir scratch;
    auto calls = natural::testCalls();
    calls.resize(2);
    const natural::Line line = natural::render(scratch.file(""), calls, 4, 10, 12, 7);
    std::filesystem::create_directories(scratch.file("server"));
    const auto server = testsupport::startSoundServer(scratch.file("server"));
    ASSERT_TRUE(server->up()) << server->log();
    if (input == 1) {
        ASSERT_TRUE(server->addMicrophone());
    }
    Workstation ws;
    ws.set("AutoRecord", 1);
    ws.set("AddNote", 0);
    ws.set("Input", input);
    auto p = ws.startOnSystemDevices();
    ASSERT_TRUE(ws.waitForLineStart(20000)) << "the detection never started";
    EXPECT_EQ(server->play(line.path, "nullsink", std::chrono::minutes(2)), 0);
    // The last call ends CallTimeOut (5 s) and a poll after its last word.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto r = endWith(*p, SIGTERM);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(messages(r.err).empty()) << r.err;

    const auto files = ws.waitForCalls(line.calls.size(), 5000);
    ASSERT_EQ(files.size(), line.calls.size()) << files.size() << " files for the calls";
    const std::vector<std::int16_t> heard = natural::readLine(line.path);
    std::vector<natural::Placement> placed;
    for (const std::string& call : files) {
        EXPECT_TRUE(parseCallName(call) && parseCallName(call)->seconds) << call;
        placed.push_back(natural::place(
            heard, natural::decode(ws.callsFolder() + call, scratch.file(call + ".raw"))));
        EXPECT_TRUE(placed.back().found) << call;
    }
    const auto scores = natural::score(line, placed);
    for (std::size_t i = 0; i < scores.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "call " << i + 1);
        EXPECT_EQ(scores[i].files, 1);
        EXPECT_GE(scores[i].headMargin, 2.5);
        EXPECT_TRUE(scores[i].jumps.empty()) << scores[i].missing << " s of the line missing";
    }
}

}  // namespace

TEST(SpokenCallsOnServer, EachCallOnTheLineIsRecordedWholeInOneFile) {
    recordsTwoSpokenCalls(0);
}

// In GSM, the default format, the two sides are mixed: the other side's words are the call.
TEST(SpokenCallsOnServer, EachOfThisComputersCallsIsRecordedWholeInOneFile) {
    recordsTwoSpokenCalls(1);
}
