#include "tests/realserver/Child.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <utility>

extern char** environ;

namespace testsupport {

Child::Child(const std::vector<std::string>& argv, const std::string& output,
             const std::string& errors) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const char* to = output.empty() ? "/dev/null" : output.c_str();
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, to, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (errors.empty())
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

Child::Child(Child&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}

Child& Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
    }
    return *this;
}

Child::~Child() {
    stop();
}

void Child::signal(int sig) const {
    if (pid_ > 0) ::kill(pid_, sig);
}

int Child::wait(std::chrono::milliseconds bound) {
    if (pid_ <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || r < 0) {
            pid_ = -1;
            return r < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void Child::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGCONT);
    ::kill(pid_, SIGTERM);
    if (wait(std::chrono::milliseconds(1000)) != -1 || pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    wait();
}

int runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds bound) {
    Child c(argv);
    if (!c.running()) return -1;
    return c.wait(bound);
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

}  // namespace testsupport
