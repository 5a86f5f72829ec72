// Which ALSA configurations send the default input straight to a PulseAudio server, and with what;
// and which questions the system's devices answer without starting PortAudio.
#include <gtest/gtest.h>
#include <portaudio.h>

#include <cstdlib>

#include "platform/wave/DeviceSet.h"
#include "platform/wave/PulseRoute.h"
#include "tests/support/TempDir.h"

using aurx::codecs::WaveFormat;
using aurx::wave::PulseRoute;
using aurx::wave::pulseRouteIn;
using testsupport::TempDir;
using testsupport::writeFile;

TEST(PulseRoute, TheDefaultDeviceIsFollowedToAPulseAudioServerWithItsSource) {
    EXPECT_EQ(pulseRouteIn("pcm.!default { type pulse }\n"), PulseRoute{});
    EXPECT_EQ(pulseRouteIn("pcm.!default { type pulse server \"unix:/run/p/native\" "
                           "device \"line_in\" }\n"),
              (PulseRoute{"unix:/run/p/native", "line_in"}));
    // As Debian's pulse.conf defines "pulse", with an argument, and a default that names it.
    const std::string named =
        "pcm.pulse { @args [ DEVICE ] @args.DEVICE { type string default "
        "\"\" } type pulse device $DEVICE }\n";
    EXPECT_EQ(pulseRouteIn(named + "pcm.!default pulse\n"), PulseRoute{});
    EXPECT_EQ(pulseRouteIn(named + "pcm.!default \"pulse:handset\"\n"),
              (PulseRoute{"", "handset"}));
    // PipeWire's plugin, as pipewire-alsa makes it the default: its PulseAudio server, if it
    // answers, has the same sources.
    EXPECT_EQ(pulseRouteIn("pcm.!default { type pipewire playback_node \"-1\" "
                           "capture_node \"-1\" }\n"),
              (PulseRoute{"", "", true}));
    EXPECT_EQ(pulseRouteIn("pcm.!default { type pipewire capture_node \"line_in\" }\n"),
              (PulseRoute{"", "line_in", true}));
}

TEST(PulseRoute, AnyOtherDefaultIsLeftToPortAudio) {
    EXPECT_EQ(pulseRouteIn("pcm.!default { type hw card 0 }\n"), std::nullopt);
    EXPECT_EQ(pulseRouteIn("pcm.!default { type plug slave.pcm { type pulse } }\n"), std::nullopt);
    EXPECT_EQ(pulseRouteIn("pcm.a b\npcm.b a\npcm.!default a\n"), std::nullopt)
        << "names that lead to each other";
    EXPECT_EQ(pulseRouteIn("pcm.other { type pulse }\n"), std::nullopt) << "no default at all";
    EXPECT_EQ(pulseRouteIn(""), std::nullopt);
    EXPECT_EQ(pulseRouteIn("pcm.!default { type pulse"), std::nullopt) << "cut short";
    EXPECT_EQ(pulseRouteIn("pcm.!default { type 42 }\n"), std::nullopt);
}

// What the system's devices ask of whom: format questions on the default devices go to the
// server that ALSA's default leads to, and PortAudio (which opens every device ALSA defines)
// starts only for what only it can answer. Each case runs in a process of its own: ALSA reads
// the configuration once.
TEST(SoundServerDevices, TheDefaultDevicesOfAPulseDefaultAreAskedWithoutPortAudio) {
    TempDir dir;
    writeFile(dir.file(".asoundrc"), "pcm.!default { type pulse }\n");
    ::setenv("HOME", dir.path().c_str(), 1);
    const auto devices = aurx::wave::makeSoundServerDevices();
    EXPECT_TRUE(devices->inputAccepts(-1, WaveFormat::pcm(8000, 1, 16)));
    EXPECT_TRUE(devices->outputAccepts(-1, WaveFormat::pcm(44100, 2, 8)));
    auto gsm = WaveFormat::pcm(8000, 1, 16);
    gsm.tag = 0x31;
    EXPECT_FALSE(devices->inputAccepts(-1, gsm)) << "only linear PCM is recorded from a device";
    EXPECT_FALSE(devices->inputAccepts(-1, WaveFormat::pcm(8000, 1, 24)));
    EXPECT_EQ(Pa_GetDeviceCount(), paNotInitialized);
}

// (PortAudio is not started with a pulse default here: it would open the plugin, whose
// libpulse threads ThreadSanitizer cannot follow.)
TEST(SoundServerDevices, AnyOtherDefaultAndTheNumberedDevicesAreAskedThroughPortAudio) {
    TempDir dir;
    writeFile(dir.file(".asoundrc"), "pcm.!default { type null }\n");
    ::setenv("HOME", dir.path().c_str(), 1);
    const auto devices = aurx::wave::makeSoundServerDevices();
    EXPECT_TRUE(devices->inputAccepts(-1, WaveFormat::pcm(8000, 1, 16)));
    EXPECT_GE(Pa_GetDeviceCount(), 0);
    const auto other = aurx::wave::makeSoundServerDevices();
    EXPECT_GE(other->inputCount(), 1) << "numbered devices are PortAudio's";
}

TEST(SoundServerDevices, APipeWireDefaultWhosePulseAudioServerDoesNotAnswerIsLeftToPortAudio) {
    TempDir dir;
    writeFile(dir.file(".asoundrc"), "pcm.!default { type pipewire }\n");
    ::setenv("HOME", dir.path().c_str(), 1);
    ::setenv("PULSE_SERVER", ("unix:" + dir.file("nobody")).c_str(), 1);
    const auto devices = aurx::wave::makeSoundServerDevices();
    devices->inputAccepts(-1, WaveFormat::pcm(8000, 1, 16));
    EXPECT_GE(Pa_GetDeviceCount(), 0) << "the question went to PortAudio";
}
