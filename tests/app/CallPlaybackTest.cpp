#include <gtest/gtest.h>

#include "app/library/playback/CallPlayback.h"
#include "tests/app/ControllerRig.h"

#include <QFile>

using namespace parlaro;
using testsupport::ControllerRig;
using testsupport::FakeRecorder;

namespace {

struct FakePlaybackView final : PlaybackView {
    int maximum = -1, value = -1;
    QString text;
    bool timer = false;
    QString openCall;
    void setSliderMaximum(int s) override { maximum = s; }
    void setSliderValue(int s) override { value = s; }
    int sliderValue() const override { return value; }
    void setPositionText(const QString& t) override { text = t; }
    void setPositionTimer(bool running) override { timer = running; }
    void showOpenCall(const QString& path) override { openCall = path; }
};

struct Player {
    ControllerRig r;
    FakeRecorder player;
    FakePlaybackView view;
    CallPlayback pb{player, r.prompter, view, *r.c};
    CallCollection calls;
    QString key = "1";

    explicit Player(double seconds = 100) {
        r.load();
        const QString path = QString::fromStdString(r.dir.file("20050314-093015-ann-100.wav"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        calls.Add(1, "ann", "14-Mar-2005", "09:30:15", 100, "", path, -1, key);
        player.total = seconds;
        player.numSamples = static_cast<int32_t>(seconds * 8000);
    }
    void play() { pb.PlayCall(key, calls); }
};

}  // namespace

TEST(CallPlayback, PlayingACallSuspendsVoiceDetectionAndEndingItResumes) {
    Player p(99.6);
    ASSERT_TRUE(p.r.timers.isActive(MainTimer::Detection));
    p.play();
    EXPECT_TRUE(p.r.c->playbackMode());
    EXPECT_TRUE(p.player.playOnly);
    EXPECT_EQ(p.player.dataOnly, 0);
    EXPECT_EQ(p.view.maximum, 100);
    EXPECT_TRUE(p.view.timer);
    EXPECT_EQ(p.player.calls.back(), "StartPlayback");
    EXPECT_FALSE(p.r.timers.isActive(MainTimer::Detection));
    EXPECT_EQ(p.view.openCall, p.calls.Item(1).RecordingLocation);

    p.player.position = 12.4;
    p.pb.PositionTimerTick();
    EXPECT_EQ(p.view.text, "00:00:12");
    EXPECT_EQ(p.view.value, 12);
    p.player.position = 99.6;  // the end
    p.pb.PositionTimerTick();
    EXPECT_FALSE(p.r.c->playbackMode());
    EXPECT_EQ(p.view.text, "00:00:00");
    EXPECT_FALSE(p.view.timer);
    EXPECT_TRUE(p.r.timers.isActive(MainTimer::Detection));
}

TEST(CallPlayback, RewindAdvanceAndPlayAgain) {
    Player p;
    p.play();
    p.player.position = 12;
    p.pb.onRewind(30);
    EXPECT_DOUBLE_EQ(p.player.position, 0);
    p.player.position = 90;
    p.player.paused = true;
    p.pb.onAdvance(30);
    EXPECT_DOUBLE_EQ(p.player.position, 100) << "not beyond the end";
    EXPECT_EQ(p.view.value, 100) << "a paused player's slider moves at once";
    p.pb.PositionTimerTick();
    EXPECT_FALSE(p.r.c->playbackMode()) << "the next tick ends playback";

    p.play();
    p.player.position = 40;
    p.player.paused = true;
    p.pb.onPlay("#1#", p.calls);
    EXPECT_DOUBLE_EQ(p.player.position, 0) << "Play while playing starts again";
    EXPECT_FALSE(p.player.paused);

    Player idle;
    idle.pb.onRewind(10);  // no call open: nothing happens
    idle.pb.onAdvance(10);
    EXPECT_TRUE(idle.player.calls.empty());
}

TEST(CallPlayback, DraggingTheSliderShowsThePlaceAndPlaysFromItOnRelease) {
    Player p;
    p.play();
    p.pb.onSliderPressed();
    EXPECT_TRUE(p.player.paused);
    EXPECT_FALSE(p.view.timer);
    p.view.value = 65;
    p.pb.onSliderMoved(65);
    EXPECT_EQ(p.view.text, "00:01:05");
    EXPECT_DOUBLE_EQ(p.player.position, 0) << "the player waits for the release";
    p.pb.onSliderReleased();
    EXPECT_DOUBLE_EQ(p.player.position, 65);
    EXPECT_FALSE(p.player.paused);
    EXPECT_TRUE(p.view.timer);

    Player idle;
    idle.view.value = 30;
    idle.pb.onSliderReleased();
    EXPECT_EQ(idle.view.value, 0) << "outside playback the slider goes back";
}

TEST(CallPlayback, FilesThatCannotBePlayedAreToldAndNothingPlays) {
    struct Case {
        const char* name;
        std::function<void(Player&)> spoil;
        QString message;
    };
    const std::vector<Case> cases = {
        {"missing file", [](Player& p) { QFile::remove(p.calls.Item(1).RecordingLocation); },
         "Call file doesnt exist!"},
        {"open failure", [](Player& p) { p.player.openExistingCode = 4; },
         "Failed to open call for playback! Error was: 4"},
        {"no samples", [](Player& p) { p.player.numSamples = 0; }, "Error - no samples!"},
    };
    for (const auto& tc : cases) {
        Player p;
        tc.spoil(p);
        p.play();
        ASSERT_EQ(p.r.prompter.shown.size(), 1u) << tc.name;
        EXPECT_EQ(p.r.prompter.shown[0].text, tc.message) << tc.name;
        EXPECT_FALSE(p.r.c->playbackMode()) << tc.name;
        EXPECT_TRUE(p.r.timers.isActive(MainTimer::Detection)) << tc.name;
    }
}

TEST(CallPlayback, TheFileTypeComesFromTheEndingWhateverItsCase) {
    const std::vector<std::pair<QString, int16_t>> table = {
        {"call.wav", 0}, {"CALL.WAV", 0}, {"call.MP3", 2}, {"call.raw", 7}};
    for (const auto& [name, dataOnly] : table) {
        Player p;
        p.player.dataOnly = 7;
        p.pb.OpenCallForPlayback(QString::fromStdString(p.r.dir.file(name.toStdString())));
        EXPECT_EQ(p.player.dataOnly, dataOnly) << name.toStdString();
    }
}

TEST(CallPlayback, APlayerThatStopsByItselfEndsPlayback) {
    Player p;
    p.play();
    p.player.position = 10;
    p.player.status = RecorderStatus::FileOpen;  // the device failed
    p.pb.PositionTimerTick();
    EXPECT_FALSE(p.r.c->playbackMode());
}
