// The real parlaro in automatic mode on a virtual line playing in real time: which stretches of
// the line become calls, how long their files are, and in what format.
#include "tests/e2e/AutomaticMode.h"
#include "tests/e2e/LineAudio.h"
#include "tests/e2e/SoxProbe.h"
#include "tests/e2e/Workstation.h"

#include <gtest/gtest.h>

#include <signal.h>

using namespace e2e;

namespace {

std::string listed(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names)
        out += n + " ";
    return out;
}

}  // namespace

// Two calls, a short burst that must not become one, GSM 6.10 with 3 s of pre-roll and the note
// prompt on (nothing is typed, so no note is written; the first call's prompt is still open when
// the second call starts).
TEST(AutomaticRecording, EachCallOnTheLineBecomesOneFiledGsmRecording) {
    const Line& l = line(LineKind::TwoCallsAndABurst);
    Workstation ws;
    preset(ws, {.addNote = true});
    const std::string day = today();

    auto p = ws.start(l.path);
    const auto lineStart = ws.waitForLineStart(20000);
    ASSERT_TRUE(lineStart) << "the detection never started";
    LineClock(*lineStart).sleepUntil(l.seconds + 0.5);
    const auto r = endWith(*p, SIGTERM);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(messages(r.err).empty()) << r.err;

    const auto calls = ws.waitForCalls(2, 5000);
    ASSERT_EQ(calls.size(), 2u) << listed(calls);
    EXPECT_TRUE(Workstation::files(ws.callsFolder(), ".txt").empty());
    EXPECT_TRUE(Workstation::files(ws.tempFolder(), ".wav").empty())
        << listed(Workstation::files(ws.tempFolder(), ".wav"));
    EXPECT_FALSE(ws.detectionFilePresent()) << "the detection's temporary file was left behind";

    std::vector<CallName> names;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(calls[i]);
        const auto name = parseCallName(calls[i]);
        ASSERT_TRUE(name && name->seconds);
        names.push_back(*name);
        EXPECT_TRUE(name->date == day || name->date == today());
        EXPECT_EQ(name->user, callUser());

        const std::string path = ws.callsFolder() + calls[i];
        const AudioInfo info = probe(path);
        EXPECT_EQ(info.encoding, "GSM");
        EXPECT_EQ(info.rate, 8000);
        EXPECT_EQ(info.channels, 1);
        EXPECT_NEAR(info.seconds,
                    expectedCallSeconds(l.speech[i], kPreRoll, kCallTimeOut,
                                        heardBefore(l.speech, i, kCallTimeOut)),
                    1.0);
        EXPECT_TRUE(nameLengthFits(*name->seconds, info.seconds))
            << "N " << *name->seconds << ", file " << info.seconds << " s";
        // The pre-roll reaches back into the line's quiet before the first word.
        EXPECT_LT(peak(path, 0, 0.3), 0.05);
        EXPECT_GT(peak(path, 1.5, 3), 0.5);
    }
    // Each call is named for the moment its speech set off the trigger (to the second; the two
    // triggers may take a few polls more or less).
    EXPECT_NEAR(names[1].secondOfDay - names[0].secondOfDay, l.speech[1].start - l.speech[0].start,
                2.0);
}

// Format 1 is the telephone's own PCM: 8 kHz, 8-bit, mono. Without pre-roll the file starts
// where the trigger fired, inside the words.
TEST(AutomaticRecording, FormatOneRecordsEightKilohertzEightBitPcmWithoutPreRoll) {
    const Line& l = line(LineKind::OneCall);
    Workstation ws;
    preset(ws, {.format = 1, .preRoll = 0});

    auto p = ws.start(l.path);
    ASSERT_TRUE(ws.waitForLineStart(20000));
    const auto calls = ws.waitForCalls(1, static_cast<int>(l.seconds * 1000) + 5000);
    const auto r = endWith(*p, SIGTERM);
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(calls.size(), 1u) << listed(calls);

    const std::string path = ws.callsFolder() + calls[0];
    const AudioInfo info = probe(path);
    EXPECT_EQ(info.encoding, "8-bit Unsigned Integer PCM");
    EXPECT_EQ(info.rate, 8000);
    EXPECT_EQ(info.precision, 8);
    EXPECT_EQ(info.channels, 1);
    EXPECT_NEAR(info.seconds, expectedCallSeconds(l.speech[0], 0, kCallTimeOut), 1.0);
    EXPECT_GT(peak(path, 0, 0.3), 0.15);
}
