#include <gtest/gtest.h>

#include "app/recording/CallRecovery.h"
#include "app/recording/ControlRecorder.h"
#include "aurx/AURX300Ctrl.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <filesystem>
#include <functional>

using namespace parlaro;
using testsupport::readFile;
using testsupport::run;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

void le32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xff);
}

// What a power cut leaves of a PCM recording: the header's sizes were never patched.
std::string cutOffRecording(double seconds) {
    std::string s = "RIFF";
    le32(s, 0);
    s += "WAVEfmt ";
    le32(s, 16);
    s += std::string("\x01\x00\x01\x00", 4);
    le32(s, 8000);
    le32(s, 16000);
    s += std::string("\x02\x00\x10\x00", 4);
    s += "data";
    le32(s, 0);
    for (int i = 0; i < static_cast<int>(seconds * 8000); ++i) {
        const int16_t v = static_cast<int16_t>((i % 40) * 500 - 10000);
        s += static_cast<char>(v & 0xff);
        s += static_cast<char>((v >> 8) & 0xff);
    }
    return s;
}

}  // namespace

TEST(CallRecovery, OnlyRecordingsInProgressAreRecognised) {
    const std::vector<std::pair<QString, bool>> table = {
        {"20050314-093015-ann.wav", true},
        {"20050314-093015-ann.WAV", true},
        {"20050314-093015-ann-83.wav", false},
        {"20051314-093015-ann.wav", false},
        {"20050314-253015-ann.wav", false},
        {"AUR1a2b3c.tmp", false},
        {"notes.wav", false},
        {"20050314-093015-.wav", false},
    };
    for (const auto& [name, expected] : table)
        EXPECT_EQ(isUnfinishedCallName(name), expected) << name.toStdString();
}

TEST(CallRecovery, InterruptedCallsAreFinishedNamedNotedAndDamagedOnesLeft) {
    TempDir dir;
    const QString temp = QString::fromStdString(dir.file("wavs/"));
    const QString calls = QString::fromStdString(dir.file("calls/"));
    QDir().mkpath(temp);
    writeFile(dir.file("wavs/20050314-093015-ann.wav"), cutOffRecording(12.6));
    writeFile(dir.file("wavs/20050314-101500-ann.wav"), "this is no recording");
    writeFile(dir.file("wavs/20050314-083000-ann-42.wav"), cutOffRecording(1));  // finished

    aurx::AURX300Ctrl control;
    ControlRecorder recorder(control);
    testsupport::ScriptedPrompter prompter;
    const RecoveryOutcome outcome = RecoverInterruptedCalls(recorder, temp, calls, prompter);

    EXPECT_EQ(outcome.recovered, QStringList{"20050314-093015-ann-13.wav"});
    EXPECT_EQ(outcome.damaged, QStringList{"20050314-101500-ann.wav"});
    EXPECT_EQ(control.get_Status(), 1) << "the control is left without a file";
    // The header now tells every program the whole length.
    std::string info;
    ASSERT_EQ(run("sox", "--i -s " + dir.file("wavs/20050314-093015-ann-13.wav"), &info), 0);
    EXPECT_EQ(std::stol(info), 100800);
    EXPECT_EQ(readFile(dir.file("calls/20050314-093015-ann-13.txt")),
              "Recovered after Parlaro ended during the call");
    // The damaged one stays as it was and is named in one message.
    EXPECT_EQ(readFile(dir.file("wavs/20050314-101500-ann.wav")), "this is no recording");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.contains("20050314-101500-ann.wav"));
    EXPECT_TRUE(QFile::exists(temp + "20050314-083000-ann-42.wav"));
    EXPECT_FALSE(QFile::exists(calls + "20050314-083000-ann-42.txt"));

    // A second start finds nothing more to do.
    const RecoveryOutcome again = RecoverInterruptedCalls(recorder, temp, calls, prompter);
    EXPECT_TRUE(again.recovered.isEmpty());
}

// Anyone may plant files in a temporary folder such as /tmp/: only a regular file of the
// user's own is recovered. A link, whatever it leads to, is left as it is and so is its
// target; the others are named as not recoverable.
TEST(CallRecovery, OnlyTheUsersOwnRegularFilesAreRecovered) {
    TempDir dir;
    const QString temp = QString::fromStdString(dir.file("wavs/"));
    const QString calls = QString::fromStdString(dir.file("calls/"));
    QDir().mkpath(temp);
    const std::string outside = dir.file("outside.wav");
    const std::string recording = cutOffRecording(2);
    writeFile(outside, recording);
    struct Planted {
        std::string name;
        std::function<void(const std::string& path)> make;
        bool rootOnly = false;
    };
    const std::vector<Planted> table = {
        {"20050314-090000-eve.wav",
         [&](const std::string& path) { std::filesystem::create_symlink(outside, path); }},
        {"20050314-090001-eve.wav",
         [&](const std::string& path) {
             std::filesystem::create_symlink(dir.file("nowhere.wav"), path);
         }},
        {"20050314-090002-eve.wav", [](const std::string& path) { ::mkfifo(path.c_str(), 0666); }},
        {"20050314-090004-eve.wav",
         [&](const std::string& path) { ASSERT_EQ(::link(outside.c_str(), path.c_str()), 0); }},
        {"20050314-090003-eve.wav",
         [&](const std::string& path) {
             writeFile(path, recording);
             ASSERT_EQ(::chown(path.c_str(), 4242, 4242), 0);
         },
         true},
    };
    std::vector<std::string> planted;
    for (const auto& p : table) {
        if (p.rootOnly && !testsupport::runningAsRoot()) continue;
        p.make(dir.file("wavs/" + p.name));
        planted.push_back(p.name);
    }
    aurx::AURX300Ctrl control;
    ControlRecorder recorder(control);
    testsupport::ScriptedPrompter prompter;
    const RecoveryOutcome outcome = RecoverInterruptedCalls(recorder, temp, calls, prompter);

    EXPECT_TRUE(outcome.recovered.isEmpty()) << outcome.recovered.join(" ").toStdString();
    EXPECT_EQ(readFile(outside), recording) << "the link's target is untouched";
    ASSERT_EQ(prompter.shown.size(), 1u);
    for (const std::string& name : planted) {
        EXPECT_TRUE(std::filesystem::symlink_status(dir.file("wavs/" + name)).type() !=
                    std::filesystem::file_type::not_found)
            << name << " is left where it is";
        EXPECT_TRUE(prompter.shown[0].text.contains(QString::fromStdString(name))) << name;
    }
    EXPECT_TRUE(QDir(calls).isEmpty());
}

// The recording a call goes into is the user's alone from its first byte, whatever the umask.
TEST(CallRecovery, ARecordingIsMadeReadableByTheUserAlone) {
    TempDir dir;
    const testsupport::Umask open(0);
    aurx::AURX300Ctrl control;
    ControlRecorder recorder(control);
    const std::string path = dir.file("20050314-093015-ann.wav");
    EXPECT_EQ(recorder.OpenNewFile(QString::fromStdString(path)), 0);
    recorder.Reset();
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// The call's file is made by the window, the user's alone; whatever else is already in its place
// (a link planted in a shared temporary folder, a pipe, a second name of another file) is not
// opened, so nothing is written through it.
TEST(ControlRecorder, ANewCallFileIsNeverOpenedThroughWhatAlreadyStandsInItsPlace) {
    TempDir dir;
    const std::string call = dir.file("20050314-093015-ann.wav");
    struct Case {
        const char* what;
        std::function<void()> plant;
        int16_t code;
    };
    const std::vector<Case> cases = {
        {"nothing", [] {}, 0},
        {"our own file, opened again", [&] { writeFile(call, ""); }, 0},
        {"a link", [&] { ::symlink(dir.file("victim").c_str(), call.c_str()); }, 2},
        {"a pipe", [&] { ::mkfifo(call.c_str(), 0600); }, 2},
        {"a second name", [&] { ::link(dir.file("victim").c_str(), call.c_str()); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::unlink(call.c_str());
        writeFile(dir.file("victim"), "someone else's");
        c.plant();
        aurx::AURX300Ctrl control;
        ControlRecorder recorder(control);
        ASSERT_TRUE(recorder.setSampleRate(8000));
        EXPECT_EQ(recorder.OpenNewFile(QString::fromStdString(call)), c.code);
        recorder.Reset();
        EXPECT_EQ(readFile(dir.file("victim")), "someone else's");
    }
}
