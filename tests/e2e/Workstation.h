// One user's machine for running the real parlaro: its own settings, data, runtime and
// temporary folders and home, with the settings preset through parlaro-reg before the start.
#pragma once

#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

class Workstation {
  public:
    Workstation();

    // A dword in HKEY_CURRENT_USER\SOFTWARE\Parlaro.
    void set(const std::string& name, int value) const;

    // parlaro on the virtual line playing `lineFile` in real time.
    std::unique_ptr<testsupport::RunningProcess> start(const std::string& lineFile) const;
    // parlaro on the system's sound devices as this process has them (its sound server, ALSA's
    // configuration, home and runtime folder).
    std::unique_ptr<testsupport::RunningProcess> startOnSystemDevices() const;
    // parlaro on the system's sound devices, where ALSA's default device is a card that does
    // not exist and no sound server can be reached or started.
    std::unique_ptr<testsupport::RunningProcess> startWithoutSoundCard() const;

    std::string tempFolder() const { return dir_.file("data/Parlaro/"); }
    std::string callsFolder() const { return dir_.file("data/Parlaro/Calls/"); }
    std::string settingsFolder() const { return dir_.file("config/Parlaro/"); }
    std::string tmpDir() const { return dir_.file("tmp"); }

    // The names in `folder` ending with `suffix`, sorted.
    static std::vector<std::string> files(const std::string& folder, const std::string& suffix);
    // Whether the detection's temporary file is in the temporary folder (TMPDIR).
    bool detectionFilePresent() const;
    // Waits for the detection's first temporary file, made as the virtual line starts to play;
    // when that was, or none after timeoutMs.
    std::optional<std::chrono::steady_clock::time_point> waitForLineStart(int timeoutMs) const;
    // Waits for a call being recorded (its unfinished file in the temporary recording folder).
    std::optional<std::string> waitForCallStart(int timeoutMs) const;
    // Waits until the mover has filed `count` recordings into the calls folder.
    std::vector<std::string> waitForCalls(std::size_t count, int timeoutMs) const;

  private:
    testsupport::ProcessOptions options(const std::string& lineFile) const;

    testsupport::TempDir dir_;
};

// Sends `signal` and waits for the end; a parlaro still running after timeoutMs is killed and
// the test fails.
testsupport::ProcessResult endWith(testsupport::RunningProcess& p, int signal,
                                   int timeoutMs = 15000);
// Waits until the running process has shown a message box (see messages()); its standard error
// so far.
std::string waitForMessage(testsupport::RunningProcess& p, int timeoutMs);

// The message boxes a run showed, one PARLARO-MESSAGE line each, without the first start's
// notice (every test's machine is new).
std::vector<std::string> messages(const std::string& err);

// A call file's name, YYYYMMDD-HHMMSS-user[-N].wav.
struct CallName {
    std::string date;  // YYYYMMDD
    int secondOfDay = 0;
    std::string user;
    std::optional<int> seconds;  // N; none while the call is unfinished
};
std::optional<CallName> parseCallName(const std::string& name);
// The user part of the names: the login name in lower case, '-' as '_'.
std::string callUser();
// Today's date as YYYYMMDD, local time.
std::string today();

}  // namespace e2e
