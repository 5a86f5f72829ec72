// A program the tests start and own: it is ended (SIGKILL if need be) and reaped when the
// object goes, so no test leaves a process behind.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

class Child {
  public:
    Child() = default;
    // Starts argv[0] (looked up on PATH) with this process's environment; its output goes to
    // `output` (appended), or is discarded when empty; its standard error goes with it, or to
    // `errors` when that is given.
    Child(const std::vector<std::string>& argv, const std::string& output = {},
          const std::string& errors = {});
    Child(Child&& other) noexcept;
    Child& operator=(Child&& other) noexcept;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child();

    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int sig) const;
    // Waits for the program to end by itself; its exit status, or -1 after `bound`.
    int wait(std::chrono::milliseconds bound = std::chrono::milliseconds(30000));
    // Asks it to end (SIGTERM, then SIGKILL after a second) and reaps it.
    void stop();

  private:
    pid_t pid_ = -1;
};

// Runs a program to its end; its exit status, or -1 when it could not be run in time.
int runProgram(const std::vector<std::string>& argv,
               std::chrono::milliseconds bound = std::chrono::milliseconds(30000));

bool onPath(const std::string& program);

}  // namespace testsupport
