// aurx-host as it ships, on the shared library, against a sound server that dies under a
// recording through PortAudio: the recording ends with 9 and the sound libraries write nothing
// to the program's standard error.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include "tests/realserver/Child.h"
#include "tests/realserver/SoundServer.h"
#include "tests/support/TempDir.h"

using namespace testsupport;

namespace {

long long sizeOf(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

// PortAudio's number of the input device named `name`, as aurx-host lists them; -1 if none.
int inputNumbered(const TempDir& dir, const std::string& name) {
    std::string script = "new c\n";
    for (int i = 0; i < 16; ++i)
        script += "get RecordDeviceName " + std::to_string(i) + "\n";
    writeFile(dir.file("list.aurx"), script);
    Child host({AURX_HOST_PROGRAM, dir.file("list.aurx")}, dir.file("list.out"));
    if (host.wait() != 0) return -1;
    std::istringstream lines(readFile(dir.file("list.out")));
    std::string line;
    for (int i = 0; std::getline(lines, line); ++i)
        if (line == "RecordDeviceName = \"" + name + "\"") return i;
    return -1;
}

}  // namespace

TEST(HostProgram, AServerThatDiesUnderARecordingLeavesStandardErrorEmpty) {
    if (const auto why = soundServerUnavailable(); !why.empty()) GTEST_SKIP() << why;
    TempDir dir;
    const auto server = startSoundServer(dir.path());
    ASSERT_TRUE(server->up()) << server->log();
    const int device = inputNumbered(dir, server->alsaDevice());
    ASSERT_GE(device, 0) << readFile(dir.file("list.out"));
    const std::string call = dir.file("call.wav");
    writeFile(dir.file("record.aurx"),
              "new rec\n"
              "quiet NewLevelValues\n"
              "put RecordDevice " +
                  std::to_string(device) +
                  "\n"
                  "put SampleRate 8000\n"
                  "put NumChannels 1\n"
                  "call OpenNewFile \"" +
                  call +
                  "\"\n"
                  "call StartRecording\n"
                  "wait RecordingStopped 10000\n");
    Child host({AURX_HOST_PROGRAM, dir.file("record.aurx")}, dir.file("host.out"),
               dir.file("host.err"));
    // A second of sound in the file, then the server goes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sizeOf(call) < 44 + 16000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_GE(sizeOf(call), 44 + 16000) << readFile(dir.file("host.out"));
    server->kill(SIGKILL);
    EXPECT_EQ(host.wait(std::chrono::seconds(20)), 0);
    EXPECT_NE(readFile(dir.file("host.out")).find("event RecordingStopped 9"), std::string::npos)
        << readFile(dir.file("host.out"));
    EXPECT_EQ(readFile(dir.file("host.err")), "");
}
