// aurx-host as a user runs it: scripts in, lines out, exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

using namespace testsupport;

namespace {

struct Run {
    int status;
    std::string output;
};

Run host(const TempDir& dir, const std::string& script,
         const std::string& env = "AURX_DEVICES=virtual") {
    const std::string path = dir.file("script.aurx");
    writeFile(path, script);
    Run r{};
    r.status =
        run("env " + env + " " PARLARO_BINARY_DIR "/tools/aurx-host/aurx-host", path, &r.output);
    return r;
}

// The peak resident memory, in KiB, of aurx-host running `script` on the virtual devices.
long peakKib(const TempDir& dir, const std::string& script) {
    const std::string path = dir.file("peak.aurx");
    writeFile(path, script);
    const std::string host = PARLARO_BINARY_DIR "/tools/aurx-host/aurx-host";
    // Under AddressSanitizer freed memory is held back for a while; here it must be returned.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = "ASAN_OPTIONS=" + std::string(asan ? asan : "") +
                                    ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0";
    std::vector<std::string> words = {
        "/usr/bin/env", "AURX_DEVICES=virtual", "AURX_CLOCK=fast", asanOptions, host, path};
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

}  // namespace

TEST(AurxHost, PrintsPropertiesCallsAndRefusalsInItsFormat) {
    TempDir dir;
    const auto r = host(dir, R"(# a comment, then a blank line

new rec
get Status
call Reset
call GetLevels
put SampleRate 7000
put NumSegments 21
put VoxStartLevel -12.5
get VoxStartLevel
put RecordTimeLimit 0.1
get RecordTimeLimit
get RecordLimit
put AcmFormat "31000100401F0000590600004100000002004001"
get AcmFormat
call GetAcmFormatAsString
put AcmFormat bytes:3100
put AcmFormat bytes2d:31000100401f0000590600004100000002004001
put AcmFormat empty
put AcmFormat "3g"
put SampleRate "eight thousand"
get RecordDeviceName 0
get PlaybackDeviceName 9
call OpenNewFile "/no/such/folder/x.wav"
get LastError
get LastError
)");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.output,
        "Status = 0\n"
        "Reset: errorCode=0\n"
        "GetLevels: leftLevel=0 leftOverload=0 rightLevel=0 rightOverload=0\n"
        "refused: AURX300 SampleRate must be one of 192000, 96000, 88200, 64000, 48000, 44100, "
        "32000, 22050, 16000, 11025, 8000, 6000\n"
        "refused: AURX300 NumSegments must be in the range 1 to 20\n"
        "ok\n"
        "VoxStartLevel = -12.5\n"
        "ok\n"
        "RecordTimeLimit = 0.1\n"
        "RecordLimit = 4410\n"
        "ok\n"
        "AcmFormat = 31000100401f0000590600004100000002004001\n"
        "GetAcmFormatAsString: outVal=\"GSM 6.10: 8.000 kHz, Mono\" errorCode=0\n"
        "ok\n"
        "refused: ACM format must be a one-dimensional array\n"
        "ok\n"
        "refused: ACM Format string contains non-hex characters\n"
        "refused: Type mismatch.\n"
        "RecordDeviceName = \"Virtual Line In\"\n"
        "PlaybackDeviceName = \"\"\n"
        "OpenNewFile: errorCode=2\n"
        "LastError = 2\n"
        "LastError = 0\n");
}

TEST(AurxHost, QuotedWordsKeepSpacesAndEscapes) {
    TempDir dir;
    const std::string name = dir.file("a \"quoted\" name.wav");
    std::string escaped;
    for (char c : name) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    const auto r = host(dir, "new rec\ncall OpenNewFile \"" + escaped + "\"\nget Filename\n");
    EXPECT_EQ(r.output, "OpenNewFile: errorCode=0\nFilename = \"" + escaped + "\"\n");
    EXPECT_TRUE(exists(name));
}

TEST(AurxHost, AnUnparsableLineStopsWithStatusTwoAndNamesTheLine) {
    TempDir dir;
    for (const std::string bad :
         {"get NoSuchProperty", "frobnicate", "call Reset 1", "put Status", "get \"unclosed",
          "call OpenNewFile", "wait RecordingStopped", "put AcmFormat bytes:zz"}) {
        const auto r = host(dir, "new rec\nget Status\n" + bad + "\nget Status\n");
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.output.rfind("Status = 0\n", 0), 0u) << bad;
        EXPECT_NE(r.output.find("script.aurx:3: "), std::string::npos) << bad << ": " << r.output;
        EXPECT_EQ(r.output.find("Status = 0\nStatus"), std::string::npos)
            << "nothing after the bad line";
    }
    const auto none = host(dir, "get Status\n");
    EXPECT_EQ(none.status, 2);
}

TEST(AurxHost, ControlsAreNamedAndCommandsGoToTheCurrentOne) {
    TempDir dir;
    const auto r = host(dir, R"(new a
put NumSegments 3
new b
get NumSegments
use a
get NumSegments
drop a
use b
get NumSegments
)");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "ok\nNumSegments = 8\nNumSegments = 3\nNumSegments = 8\n");
    EXPECT_EQ(host(dir, "new a\ndrop a\nget Status\n").status, 2)
        << "no current control after drop";
}

TEST(AurxHost, EventsArePrintedWhenPumpedAndCanBeQuietened) {
    TempDir dir;
    writePcm16Wav(dir.file("line.wav"), sine(440, 0.5, 8000, 8000), 8000, 1);
    const std::string env =
        "AURX_DEVICES=virtual AURX_CLOCK=fast AURX_LINE_IN=" + dir.file("line.wav");
    const auto r = host(dir,
                        "new rec\nput SampleRate 8000\nput NumChannels 1\nput RecordLimit 4000\n"
                        "call OpenNewFile \"" +
                            dir.file("r.wav") +
                            "\"\n"
                            "quiet NewLevelValues\n"
                            "call StartRecording\n"
                            "wait RecordingStopped 5000\n"
                            "get NumSamples\n"
                            "wait PlaybackStopped 50\n"
                            "loud NewLevelValues\n"
                            "call OpenNewFile \"" +
                            dir.file("s.wav") +
                            "\"\n"
                            "call StartRecording\n"
                            "wait RecordingStopped 5000\n",
                        env);
    EXPECT_EQ(r.status, 0);
    const std::string quietPart =
        "ok\nok\nok\nOpenNewFile: errorCode=0\nStartRecording: errorCode=0\n"
        "event RecordingStopped 13\n"
        "NumSamples = 4000\n"
        "timeout PlaybackStopped\n"
        "OpenNewFile: errorCode=0\nStartRecording: errorCode=0\n";
    ASSERT_EQ(r.output.substr(0, quietPart.size()), quietPart);
    // Loud again: the level reports are printed (with the values current when they are
    // handled, which at this pace are the final ones).
    const std::string rest = r.output.substr(quietPart.size());
    EXPECT_EQ(rest.rfind("event NewLevelValues ", 0), 0u) << rest;
    EXPECT_NE(rest.find("event RecordingStopped 13\nevent NewLevelValues -9999 0 -9999 0\n"),
              std::string::npos)
        << rest;
}

TEST(AurxHost, SavesAndLoadsTheDesignTimeStream) {
    TempDir dir;
    const std::string stream = dir.file("rec.stream");
    const auto r = host(dir,
                        "new a\nput NumSegments 20\nput SampleRate 8000\nput NumChannels 1\n"
                        "put BitsPerSample 8\nput RecordTimeLimit 2.5\n"
                        "save \"" +
                            stream +
                            "\"\n"
                            "new b\nload \"" +
                            stream +
                            "\"\n"
                            "get NumSegments\nget SampleRate\nget RecordLimit\n"
                            "load \"" +
                            dir.file("missing") + "\"\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output,
              "ok\nok\nok\nok\nok\nok\nNumSegments = 20\nSampleRate = 8000\nRecordLimit = "
              "20000\nfailed\n");
    const std::string bytes = readFile(stream);
    ASSERT_EQ(bytes.size(), 84u);
    EXPECT_EQ(le32(bytes, 0), 768u);
    EXPECT_EQ(le32(bytes, 4), 5080u);
}

TEST(AurxHost, LoadOfAnythingButARegularFilePrintsFailed) {
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A folder threw, a FIFO blocked and /dev/zero was read until memory ran out; the
    // timeout turns a hang into a failure here.
    const auto r = host(dir,
                        "new c\nload \"" + dir.path() + "\"\nload \"" + fifo +
                            "\"\nload /dev/zero\nget NumSegments\n",
                        "AURX_DEVICES=virtual timeout 60");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "failed\nfailed\nfailed\nNumSegments = 8\n");
}

TEST(AurxHost, DevicesAndFifosAreRefusedAsFilesAndAsTheLine) {
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Opening /dev/zero searched its endless zeros for chunks, a FIFO blocked in the open, and
    // a line of /dev/zero kept StartRecording from returning: the timeout makes a hang fail.
    const auto r =
        host(dir,
             "new c\ncall OpenExistingOrNewFile /dev/zero\n"
             "call OpenExistingOrNewFile /dev/urandom\n"
             "call OpenExistingOrNewFile \"" +
                 fifo +
                 "\"\nput SampleRate 8000\nput NumChannels 1\n"
                 "call OpenNewFile \"" +
                 dir.file("call.wav") + "\"\ncall StartRecording\nsleep 300\ncall Stop\n",
             "AURX_DEVICES=virtual AURX_LINE_IN=/dev/zero timeout 60");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output,
              "OpenExistingOrNewFile: errorCode=2\nOpenExistingOrNewFile: errorCode=2\n"
              "OpenExistingOrNewFile: errorCode=2\nok\nok\nOpenNewFile: errorCode=0\n"
              "StartRecording: errorCode=0\nStop:\n");
}

TEST(AurxHost, MinuteLongMarkerTonesTakeNoMoreMemoryThanNone) {
    TempDir dir;
    const auto record = [&](const std::string& seconds) {
        return peakKib(dir,
                       "new c\nput SampleRate 48000\nput NumChannels 2\nput BitsPerSample 16\n"
                       "put PreToneDuration " +
                           seconds + "\nput PostToneDuration " + seconds +
                           "\nput RecordTimeLimit 0.2\ncall OpenNewFile \"" +
                           dir.file("tones.wav") +
                           "\"\ncall StartRecording\nwait RecordingStopped 60000\n"
                           "call Reset\n");
    };
    const long without = record("0");
    const long with = record("60");
    ASSERT_GT(without, 0);
    ASSERT_GT(with, 0);
    // Each tone is 11 MB of audio; made whole, it (and its copy waiting to be written) showed
    // in the peak.
    EXPECT_LT(with - without, 4 * 1024) << without << " KiB without tones, " << with << " with";
    EXPECT_EQ(std::filesystem::file_size(dir.file("tones.wav")), 46u + 2 * 11520000u + 38400u);
}

#ifdef AURX_HOST_WITH_QT
TEST(AurxHost, RendersTheMeterIntoAPng) {
    TempDir dir;
    const std::string png = dir.file("meter.png");
    const auto r = host(
        dir, "new a\nrender-meter \"" + png + "\" 120 30\nrender-meter \"" + png + "x\" 0 30\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "failed\n") << "only the empty size fails";
    const std::string bytes = readFile(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(
        bytes[16] << 24 | bytes[17] << 16 | bytes[18] << 8 | static_cast<unsigned char>(bytes[19]),
        120);
}

// Qt's libraries are a third of the program's start-up: only drawing the meter loads them.
TEST(AurxHost, StartsWithoutQt) {
    std::string libraries;
    ASSERT_EQ(run("ldd", PARLARO_BINARY_DIR "/tools/aurx-host/aurx-host", &libraries), 0);
    EXPECT_EQ(libraries.find("libQt6"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libaurx300-qt"), std::string::npos) << libraries;
}
#endif
