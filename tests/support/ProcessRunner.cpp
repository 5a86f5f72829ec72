#include "tests/support/ProcessRunner.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace testsupport {

namespace {

constexpr uid_t kNobody = 65534;

void becomeOrdinaryUser() {
    if (::geteuid() != 0) return;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
        ::_exit(126);
    }
}

int decode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

int spawn(const std::string& prog, const std::vector<std::string>& args,
          const ProcessOptions& options, int& outFd, int& errFd) {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const auto eq = entry.find('=');
        if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    // Programs under test never wait for a person or need a display.
    env["PARLARO_UNATTENDED"] = "1";
    env["QT_QPA_PLATFORM"] = "offscreen";
    for (const auto& [k, v] : options.env)
        env[k] = v;
    std::vector<std::string> envStrings;
    for (const auto& [k, v] : env)
        envStrings.push_back(k + "=" + v);
    std::vector<char*> envp;
    for (auto& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings{prog};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        const int devnull = ::open("/dev/null", O_RDONLY);
        ::dup2(devnull, 0);
        if (options.unprivileged) becomeOrdinaryUser();
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    outFd = out[0];
    errFd = err[0];
    return pid;
}

void drain(int& fd, std::string& into) {
    if (fd < 0) return;
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
        into.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

RunningProcess::RunningProcess(const std::string& prog, const std::vector<std::string>& args,
                               const ProcessOptions& options) {
    pid_ = spawn(prog, args, options, outFd_, errFd_);
}

RunningProcess::~RunningProcess() {
    if (pid_ > 0 && !ended_) {
        ::kill(pid_, SIGKILL);
        wait(5000);
    }
    if (outFd_ >= 0) ::close(outFd_);
    if (errFd_ >= 0) ::close(errFd_);
}

void RunningProcess::signal(int sig) const {
    if (pid_ > 0 && !ended_) ::kill(pid_, sig);
}

bool RunningProcess::running() {
    if (ended_ || pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        ended_ = true;
        result_.status = decode(status);
        return false;
    }
    return true;
}

ProcessResult RunningProcess::wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (outFd_ >= 0 || errFd_ >= 0 || running()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
        const int n = ::poll(fds, 2, static_cast<int>(std::min<long>(left.count(), 50)));
        if (n > 0) {
            if (fds[0].revents) drain(outFd_, result_.out);
            if (fds[1].revents) drain(errFd_, result_.err);
        }
    }
    running();
    ProcessResult r = result_;
    if (!ended_) r.status = -1;
    return r;
}

ProcessResult runProcess(const std::string& prog, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
    RunningProcess p(prog, args, options);
    ProcessResult r = p.wait(options.timeoutMs);
    return r;
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

int runUnprivileged(const std::function<int()>& fn) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        becomeOrdinaryUser();
        ::_exit(fn());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return decode(status);
}

void handToUser(const std::string& path) {
    if (!runningAsRoot()) return;
    namespace fs = std::filesystem;
    [[maybe_unused]] int r = ::chown(path.c_str(), kNobody, kNobody);
    ::chmod(path.c_str(), 0755);
    if (!fs::is_directory(path)) return;
    for (const auto& e : fs::recursive_directory_iterator(path)) {
        r = ::lchown(e.path().c_str(), kNobody, kNobody);
    }
}

bool waitFor(const std::function<bool()>& pred, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string program(const std::string& name) {
    return std::string(PARLARO_BINARY_DIR) + "/bin/" + name;
}

}  // namespace testsupport
