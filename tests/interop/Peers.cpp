#include "tests/interop/Peers.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

namespace interop {
namespace {

// The value after "Name : " on the line that starts with `name`.
std::string field(const std::string& report, const std::string& name) {
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name, 0) != 0) continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const auto start = line.find_first_not_of(' ', colon + 1);
        return start == std::string::npos ? std::string() : line.substr(start);
    }
    return {};
}

std::vector<std::int16_t> decodeRaw(const std::string& program, const std::string& arguments,
                                    const std::string& rawPath) {
    mustRun(program, arguments);
    return testsupport::pcm16(testsupport::readFile(rawPath));
}

}  // namespace

void mustRun(const std::string& program, const std::string& arguments) {
    std::string output;
    const int status = testsupport::run(program, arguments, &output);
    if (status != 0)
        ADD_FAILURE() << program << " " << arguments << " exited with " << status << ":\n"
                      << output;
}

SoxInfo soxInfo(const std::string& path) {
    std::string report;
    const int status = testsupport::run("sox", "--i " + path, &report);
    EXPECT_EQ(status, 0) << report;
    SoxInfo info;
    info.channels = static_cast<unsigned>(std::stoul("0" + field(report, "Channels")));
    info.rate = static_cast<unsigned>(std::stoul("0" + field(report, "Sample Rate")));
    info.encoding = field(report, "Sample Encoding");
    const std::string duration = field(report, "Duration");  // "00:00:00.10 = 800 samples ~ …"
    const auto eq = duration.find('=');
    if (eq != std::string::npos) info.samples = std::stoull(duration.substr(eq + 1));
    return info;
}

std::vector<std::int16_t> soxDecode(const std::string& path) {
    const std::string raw = path + ".sox.raw";
    return decodeRaw("sox", path + " -t raw -e signed-integer -b 16 -L " + raw, raw);
}

std::vector<std::int16_t> mpg123Decode(const std::string& path) {
    const std::string raw = path + ".mpg123.raw";
    // Through sh so that only the samples, not mpg123's remarks, reach the raw file. Every
    // frame's samples, as the length of a stream counts them.
    return decodeRaw("sh", "-c 'mpg123 -q -s --no-gapless " + path + " > " + raw + "'", raw);
}

}  // namespace interop
