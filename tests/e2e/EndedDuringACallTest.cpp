// parlaro ending while a call is being recorded: killed, the call is finished and filed at the
// next start; asked to end, it ends the call as the latch would and keeps it.
#include "tests/e2e/AutomaticMode.h"
#include "tests/e2e/LineAudio.h"
#include "tests/e2e/SoxProbe.h"
#include "tests/e2e/Workstation.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cmath>
#include <memory>

using namespace e2e;

namespace {

std::string stem(const std::string& wav) {
    return wav.substr(0, wav.size() - 4);
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Plays the one-call line until `intoSpeech` seconds after its words begin, with a call running.
// The unfinished call's name, or none when no call started.
std::optional<std::string> waitIntoTheCall(const Workstation& ws, double intoSpeech) {
    const Line& l = line(LineKind::OneCall);
    const auto lineStart = ws.waitForLineStart(20000);
    if (!lineStart) return std::nullopt;
    const auto started = ws.waitForCallStart(static_cast<int>(l.seconds * 1000));
    if (!started) return std::nullopt;
    LineClock(*lineStart).sleepUntil(l.speech[0].start + intoSpeech);
    return started;
}

}  // namespace

// Whatever the umask, the call is the user's alone from its first byte to its filing.
TEST(EndedDuringACall, AKilledCallIsRecoveredWithANoteAtTheNextStart) {
    constexpr double kIntoSpeech = 4.5;
    Workstation ws;
    auto open = std::make_unique<testsupport::Umask>(0);
    preset(ws, {});
    std::string unfinished;
    {
        auto p = ws.start(line(LineKind::OneCall).path);
        const auto started = waitIntoTheCall(ws, kIntoSpeech);
        ASSERT_TRUE(started) << "no call started";
        unfinished = *started;
        EXPECT_EQ(modeOf(ws.tempFolder()), 0700u);
        EXPECT_EQ(modeOf(ws.tempFolder() + unfinished), 0600u);
        p->signal(SIGKILL);
        EXPECT_EQ(p->wait(5000).status, 128 + SIGKILL);
    }
    ASSERT_TRUE(testsupport::exists(ws.tempFolder() + unfinished));

    auto p = ws.start(line(LineKind::Quiet).path);
    open.reset();
    const auto calls = ws.waitForCalls(1, 20000);
    testsupport::waitFor([&] { return !Workstation::files(ws.callsFolder(), ".txt").empty(); },
                         5000);
    const auto r = endWith(*p, SIGTERM);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(messages(r.err).empty()) << r.err;

    ASSERT_EQ(calls.size(), 1u);
    const auto name = parseCallName(calls[0]);
    ASSERT_TRUE(name && name->seconds) << calls[0];
    EXPECT_EQ(calls[0], stem(unfinished) + "-" + std::to_string(*name->seconds) + ".wav");
    EXPECT_EQ(testsupport::readFile(ws.callsFolder() + stem(calls[0]) + ".txt"),
              "Recovered after Parlaro ended during the call");
    EXPECT_TRUE(Workstation::files(ws.tempFolder(), ".wav").empty());
    EXPECT_EQ(modeOf(ws.settingsFolder()), 0700u);
    EXPECT_EQ(modeOf(ws.callsFolder()), 0700u);
    EXPECT_EQ(modeOf(ws.callsFolder() + calls[0]), 0600u);
    EXPECT_EQ(modeOf(ws.callsFolder() + stem(calls[0]) + ".txt"), 0600u);

    // Everything up to the kill, less what had not reached the disk (the control writes every
    // half second).
    const AudioInfo info = probe(ws.callsFolder() + calls[0]);
    EXPECT_EQ(info.encoding, "GSM");
    EXPECT_NEAR(info.seconds,
                kIntoSpeech - callBegins(kPreRoll, line(LineKind::OneCall).speech[0].start) - 0.25,
                1.0);
    EXPECT_LE(std::fabs(*name->seconds - info.seconds), 0.51);
}

// With the note prompt on: ending Parlaro ends the call without asking for a note, so nothing
// is left waiting for an answer when the program goes.
TEST(EndedDuringACall, SigtermEndsTheCallProperlyAndKeepsIt) {
    constexpr double kIntoSpeech = 4.0;
    Workstation ws;
    preset(ws, {.addNote = true});
    auto p = ws.start(line(LineKind::OneCall).path);
    const auto started = waitIntoTheCall(ws, kIntoSpeech);
    ASSERT_TRUE(started) << "no call started";
    const auto r = endWith(*p, SIGTERM, 10000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(messages(r.err).empty()) << r.err;

    const auto calls = ws.waitForCalls(1, 5000);
    ASSERT_EQ(calls.size(), 1u);
    const auto name = parseCallName(calls[0]);
    ASSERT_TRUE(name && name->seconds) << calls[0];
    EXPECT_EQ(calls[0], stem(*started) + "-" + std::to_string(*name->seconds) + ".wav");
    EXPECT_TRUE(Workstation::files(ws.callsFolder(), ".txt").empty());
    EXPECT_TRUE(Workstation::files(ws.tempFolder(), ".wav").empty());

    const std::string path = ws.callsFolder() + calls[0];
    const AudioInfo info = probe(path);
    EXPECT_EQ(info.encoding, "GSM");
    EXPECT_NEAR(info.seconds,
                kIntoSpeech - callBegins(kPreRoll, line(LineKind::OneCall).speech[0].start), 1.0);
    EXPECT_TRUE(nameLengthFits(*name->seconds, info.seconds))
        << "N " << *name->seconds << ", file " << info.seconds << " s";
    // Ended at the signal, in the middle of the words (a pause lasts under 0.5 s).
    EXPECT_GT(peak(path, info.seconds - 0.6, 0.6), 0.1);
}
