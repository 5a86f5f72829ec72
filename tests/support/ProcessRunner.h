// Running the programs under test as real processes, with their own environment, optionally as
// an ordinary user (the tests may run as root, for whom no permission is ever refused).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProcessResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

struct ProcessOptions {
    // Added to (or replacing in) the test's own, after PARLARO_UNATTENDED=1 and
    // QT_QPA_PLATFORM=offscreen.
    std::map<std::string, std::string> env;
    bool unprivileged = false;
    int timeoutMs = 30000;
};

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options = {});

// A process left running until stop() or destruction (SIGKILL then).
class RunningProcess {
  public:
    RunningProcess(const std::string& program, const std::vector<std::string>& args,
                   const ProcessOptions& options = {});
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;
    ~RunningProcess();

    void signal(int sig) const;
    bool running();
    // Waits for the end; nothing sets status when it did not end in time.
    ProcessResult wait(int timeoutMs);

  private:
    int pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    ProcessResult result_;
    bool ended_ = false;
};

bool runningAsRoot();
// Runs fn in a child process as an ordinary user and returns its exit status.
int runUnprivileged(const std::function<int()>& fn);
// Lets the ordinary user of runUnprivileged own path and everything below it.
void handToUser(const std::string& path);

// Waits until pred() holds or timeoutMs pass.
bool waitFor(const std::function<bool()>& pred, int timeoutMs);

// Path of a built program.
std::string program(const std::string& name);

}  // namespace testsupport
