#include "tests/e2e/Workstation.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>

namespace fs = std::filesystem;

namespace e2e {

namespace {

bool isUnfinished(const std::string& name) {
    const auto call = parseCallName(name);
    return call && !call->seconds;
}

}  // namespace

Workstation::Workstation() {
    for (const char* sub : {"config", "xdg", "data", "tmp", "home"})
        fs::create_directories(dir_.file(sub));
    fs::create_directories(dir_.file("run"));
    ::chmod(dir_.file("run").c_str(), 0700);
}

testsupport::ProcessOptions Workstation::options(const std::string& lineFile) const {
    testsupport::ProcessOptions o;
    o.env = {{"XDG_CONFIG_HOME", dir_.file("config")},
             {"XDG_CONFIG_DIRS", dir_.file("xdg")},
             {"XDG_DATA_HOME", dir_.file("data")},
             {"XDG_RUNTIME_DIR", dir_.file("run")},
             {"TMPDIR", dir_.file("tmp")},
             {"HOME", dir_.file("home")},
             {"AURX_DEVICES", "virtual"},
             {"AURX_CLOCK", "realtime"},
             {"AURX_LINE_IN", lineFile},
             {"AURX_LINE_LOOP", "0"}};
    return o;
}

void Workstation::set(const std::string& name, int value) const {
    const auto r = testsupport::runProcess(
        testsupport::program("parlaro-reg"),
        {"set", "HKEY_CURRENT_USER\\SOFTWARE\\Parlaro", name, "dword", std::to_string(value)},
        options(""));
    if (r.status != 0) ADD_FAILURE() << "parlaro-reg set " << name << ": " << r.err;
}

std::unique_ptr<testsupport::RunningProcess> Workstation::start(const std::string& lineFile) const {
    return std::make_unique<testsupport::RunningProcess>(
        testsupport::program("parlaro"), std::vector<std::string>{}, options(lineFile));
}

std::unique_ptr<testsupport::RunningProcess> Workstation::startOnSystemDevices() const {
    testsupport::ProcessOptions o = options("");
    for (const char* inherited : {"HOME", "XDG_RUNTIME_DIR"})
        if (std::getenv(inherited)) o.env.erase(inherited);
    o.env.erase("AURX_CLOCK");
    o.env.erase("AURX_LINE_IN");
    o.env["AURX_DEVICES"] = "system";
    return std::make_unique<testsupport::RunningProcess>(testsupport::program("parlaro"),
                                                         std::vector<std::string>{}, o);
}

std::unique_ptr<testsupport::RunningProcess> Workstation::startWithoutSoundCard() const {
    testsupport::writeFile(dir_.file("home/.asoundrc"),
                           "pcm.!default { type hw card 99 }\nctl.!default { type hw card 99 }\n");
    testsupport::writeFile(dir_.file("pulse-client.conf"), "autospawn = no\n");
    testsupport::ProcessOptions o = options("");
    o.env["AURX_DEVICES"] = "system";
    o.env["PULSE_CLIENTCONFIG"] = dir_.file("pulse-client.conf");
    o.env["PULSE_SERVER"] = "unix:" + dir_.file("no-sound-server");
    o.env["JACK_NO_START_SERVER"] = "1";
    return std::make_unique<testsupport::RunningProcess>(testsupport::program("parlaro"),
                                                         std::vector<std::string>{}, o);
}

std::vector<std::string> Workstation::files(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename();
        if (e.is_regular_file() && name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

bool Workstation::detectionFilePresent() const {
    const auto tmp = files(tmpDir(), ".tmp");
    return std::any_of(tmp.begin(), tmp.end(),
                       [](const std::string& n) { return n.rfind("AUR", 0) == 0; });
}

std::optional<std::chrono::steady_clock::time_point> Workstation::waitForLineStart(
    int timeoutMs) const {
    if (!testsupport::waitFor([&] { return detectionFilePresent(); }, timeoutMs))
        return std::nullopt;
    return std::chrono::steady_clock::now();
}

std::optional<std::string> Workstation::waitForCallStart(int timeoutMs) const {
    std::optional<std::string> found;
    testsupport::waitFor(
        [&] {
            for (const auto& name : files(tempFolder(), ".wav"))
                if (isUnfinished(name)) found = name;
            return found.has_value();
        },
        timeoutMs);
    return found;
}

std::vector<std::string> Workstation::waitForCalls(std::size_t count, int timeoutMs) const {
    testsupport::waitFor([&] { return files(callsFolder(), ".wav").size() >= count; }, timeoutMs);
    return files(callsFolder(), ".wav");
}

testsupport::ProcessResult endWith(testsupport::RunningProcess& p, int signal, int timeoutMs) {
    p.signal(signal);
    testsupport::ProcessResult r = p.wait(timeoutMs);
    if (r.status == -1) {
        ADD_FAILURE() << "parlaro did not end within " << timeoutMs << " ms of signal " << signal;
        p.signal(SIGKILL);
        r = p.wait(5000);
    }
    return r;
}

std::string waitForMessage(testsupport::RunningProcess& p, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string err;
    while (messages(err).empty() && std::chrono::steady_clock::now() < deadline) {
        err = p.wait(100).err;
        if (!p.running()) break;
    }
    return err;
}

std::vector<std::string> messages(const std::string& err) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while ((pos = err.find("PARLARO-MESSAGE ", pos)) != std::string::npos) {
        const auto end = err.find('\n', pos);
        const std::string line = err.substr(pos, end - pos);
        if (line.find("has not been used on this PC before") == std::string::npos)
            out.push_back(line);
        pos = end;
    }
    return out;
}

std::optional<CallName> parseCallName(const std::string& name) {
    static const std::regex pattern(R"(^(\d{8})-(\d\d)(\d\d)(\d\d)-([^-/]+)(-(\d+))?\.wav$)");
    std::smatch m;
    if (!std::regex_match(name, m, pattern)) return std::nullopt;
    CallName call;
    call.date = m[1];
    call.secondOfDay = std::stoi(m[2]) * 3600 + std::stoi(m[3]) * 60 + std::stoi(m[4]);
    call.user = m[5];
    if (m[7].matched) call.seconds = std::stoi(m[7]);
    return call;
}

std::string callUser() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return "ANON";
    std::string name = found->pw_name;
    for (char& c : name)
        c = c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}

}  // namespace e2e
