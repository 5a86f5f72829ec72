#include "tests/e2e/SoxProbe.h"

#include "tests/e2e/LineAudio.h"
#include "tests/support/ProcessRunner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace e2e {

namespace {

std::string run(const std::string& name, const std::vector<std::string>& args) {
    const auto r = testsupport::runProcess(tool(name), args);
    if (r.status != 0)
        throw std::runtime_error(name + " cannot read " + args.front() + ": " + r.err);
    // sox writes its statistics to standard error, soxi to standard output.
    return r.out + r.err;
}

// The text after "Label" and its colon, up to the end of the line.
std::string field(const std::string& text, const std::string& label) {
    const auto at = text.find(label);
    if (at == std::string::npos) return {};
    const auto colon = text.find(':', at);
    const auto end = text.find('\n', colon);
    std::string value = text.substr(colon + 1, end - colon - 1);
    value.erase(0, value.find_first_not_of(' '));
    return value;
}

}  // namespace

AudioInfo probe(const std::string& path) {
    const std::string text = run("soxi", {path});
    AudioInfo info;
    info.channels = std::atoi(field(text, "Channels").c_str());
    info.rate = std::atoi(field(text, "Sample Rate").c_str());
    info.precision = std::atoi(field(text, "Precision").c_str());
    info.encoding = field(text, "Sample Encoding");
    // "00:00:07.80 = 62400 samples ~ ...": the sample count is exact.
    const std::string duration = field(text, "Duration");
    const auto eq = duration.find('=');
    if (eq != std::string::npos && info.rate > 0)
        info.seconds = std::atof(duration.c_str() + eq + 1) / info.rate;
    return info;
}

double peak(const std::string& path, double from, double length) {
    std::ostringstream a, b;
    a << from;
    b << length;
    const std::string text = run("sox", {path, "-n", "trim", a.str(), b.str(), "stat"});
    return std::max(std::fabs(std::atof(field(text, "Maximum amplitude").c_str())),
                    std::fabs(std::atof(field(text, "Minimum amplitude").c_str())));
}

}  // namespace e2e
