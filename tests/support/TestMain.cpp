// The tests' main: every test program runs on the virtual sound devices, without a display
// and without modal boxes, unless its environment says otherwise. ALSA reads the tests' own
// configuration, so that a sound server running on the machine is not used (nor its mixer
// changed) by a test.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::setenv("AURX_DEVICES", "virtual", 0);
    ::setenv("ALSA_CONFIG_PATH", PARLARO_SOURCE_DIR "/tests/support/alsa-private.conf", 0);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("PARLARO_UNATTENDED", "1", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
