// Which ALSA configurations send the default input straight to PulseAudio, and with what.
#include <gtest/gtest.h>

#include "platform/wave/PulseRoute.h"

using aurx::wave::PulseRoute;
using aurx::wave::pulseRouteIn;

TEST(PulseRoute, TheDefaultDeviceIsFollowedToPulseAudioWithItsServerAndSource) {
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
}

TEST(PulseRoute, AnyOtherDefaultIsLeftToPortAudio) {
    EXPECT_EQ(pulseRouteIn("pcm.!default { type hw card 0 }\n"), std::nullopt);
    EXPECT_EQ(pulseRouteIn("pcm.!default { type plug slave.pcm { type pulse } }\n"), std::nullopt);
    EXPECT_EQ(pulseRouteIn("pcm.!default { type pipewire }\n"), std::nullopt);
    EXPECT_EQ(pulseRouteIn("pcm.a b\npcm.b a\npcm.!default a\n"), std::nullopt)
        << "names that lead to each other";
    EXPECT_EQ(pulseRouteIn("pcm.other { type pulse }\n"), std::nullopt) << "no default at all";
    EXPECT_EQ(pulseRouteIn(""), std::nullopt);
    EXPECT_EQ(pulseRouteIn("pcm.!default { type pulse"), std::nullopt) << "cut short";
    EXPECT_EQ(pulseRouteIn("pcm.!default { type 42 }\n"), std::nullopt);
}
