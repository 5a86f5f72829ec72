// Automatic mode on a machine whose sound input cannot record: parlaro says so at once and
// carries on (in manual mode) rather than waiting for a device.
#include "tests/e2e/Workstation.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <ostream>

using namespace e2e;

namespace {

struct NoInputCase {
    int format;
    const char* message;
};

void PrintTo(const NoInputCase& c, std::ostream* out) {
    *out << "Format " << c.format;
}

class MissingInputDevice : public testing::TestWithParam<NoInputCase> {};

}  // namespace

TEST_P(MissingInputDevice, IsToldAndParlaroStaysUp) {
    Workstation ws;
    ws.set("AutoRecord", 1);
    ws.set("Format", GetParam().format);
    auto p = ws.startWithoutSoundCard();
    const std::string err = waitForMessage(*p, 15000);
    ASSERT_EQ(messages(err).size(), 1u) << err;
    EXPECT_NE(messages(err)[0].find(GetParam().message), std::string::npos) << err;
    EXPECT_TRUE(p->running());
    const auto r = endWith(*p, SIGTERM, 10000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Workstation::files(ws.callsFolder(), ".wav").empty());
}

// GSM is not checked against the device until the detection opens its file; PCM is checked
// when the recorder is reset.
INSTANTIATE_TEST_SUITE_P(Formats, MissingInputDevice,
                         testing::Values(NoInputCase{0, "[Error] Recording Control Error: "},
                                         NoInputCase{1, "Failed to reset Voice Detection"}),
                         [](const auto& row) {
                             return row.param.format == 0 ? std::string("Gsm") : std::string("Pcm");
                         });
