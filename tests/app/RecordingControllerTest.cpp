#include <gtest/gtest.h>

#include "tests/app/ControllerRig.h"

#include <QDir>
#include <QFile>

using namespace parlaro;
using testsupport::ControllerRig;

namespace {

// Voice detection is running once the first poll has opened and started the paused recording.
void listening(ControllerRig& r) {
    ASSERT_TRUE(r.load());
    r.quiet(0.3);
    ASSERT_TRUE(r.c->monitoring());
}

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString("<missing>");
}

}  // namespace

TEST(RecordingController, VoiceDetectionRecordsPausedIntoATemporaryFile) {
    ControllerRig r;
    listening(r);
    EXPECT_EQ(r.rec.calls, (std::vector<std::string>{"Reset", "Stop", "Reset", "OpenTemporaryFile",
                                                     "StartRecording paused"}));
    EXPECT_FLOAT_EQ(r.rec.preRoll, 3.0F);
    EXPECT_EQ(r.view.panels[1], "Ready - Automatic Recording");
    r.rec.left = -23.5F;
    r.c->CheckLevels();
    EXPECT_EQ(r.view.leftText, "-23.5");
}

TEST(RecordingController, ACallStartsOnlyAfterOneAndAHalfSecondsOfUnbrokenSound) {
    struct Case {
        const char* name;
        std::vector<std::pair<double, float>> line;  // seconds, level
        bool callStarts;
    };
    const std::vector<Case> cases = {
        {"1.4 s burst", {{1.4, -6}, {3, -40}}, false},
        {"level exactly at Sensitivity is quiet", {{5, -18}}, false},
        {"just above Sensitivity", {{1.8, -17.9F}}, true},
        {"a quiet poll at 1.4 s restarts the delay", {{1.4, -6}, {0.2, -40}, {1.4, -6}}, false},
        {"then 1.6 s of sound after it", {{1.4, -6}, {0.2, -40}, {1.8, -6}}, true},
    };
    for (const auto& tc : cases) {
        ControllerRig r;
        listening(r);
        for (const auto& [seconds, level] : tc.line)
            r.loud(seconds, level);
        EXPECT_EQ(r.c->recording(), tc.callStarts) << tc.name;
        EXPECT_EQ(!r.rec.openedPath.isEmpty(), tc.callStarts) << tc.name;
    }
}

TEST(RecordingController, TheCallIsNamedByDateTimeAndUserAndRecordedUnpaused) {
    ControllerRig r;
    listening(r);
    r.view.minimised = true;
    r.loud(1.8);
    ASSERT_TRUE(r.c->recording());
    EXPECT_EQ(r.c->fileName(), "20050314-093016-ann.wav");
    EXPECT_EQ(r.rec.openedPath, r.values.tempFolder + "20050314-093016-ann.wav");
    EXPECT_FALSE(r.rec.paused);
    EXPECT_EQ(r.rec.calls.back(), "StartRecording");
    EXPECT_EQ(r.view.restored, 1) << "Maximise brings a minimised window up for the call";
    EXPECT_TRUE(r.view.indicator);
    EXPECT_EQ(r.view.panels[1], "Recording - Automatic Recording");
    EXPECT_FALSE(r.view.enabled[MainButton::Pause]);
    EXPECT_EQ(r.c->currentCall().LoginName, "ann");
    EXPECT_EQ(r.c->currentCall().CallTime, QTime(9, 30, 16));
}

TEST(RecordingController, TheLatchEndsTheCallCallTimeOutToOneSecondMoreAfterTheLastLoudPoll) {
    for (int timeout : {1, 5, 10}) {
        ControllerRig r;
        r.settings.CallTimeOut = timeout;
        r.settings.MinCallLength = 1;
        listening(r);
        r.loud(30);
        ASSERT_TRUE(r.c->recording());
        const int64_t lastLoud = r.timers.now;  // the last poll saw sound at or just before this
        int64_t ended = -1;
        for (int i = 0; i < 150 && ended < 0; ++i) {
            r.quiet(0.1);
            if (!r.c->recording()) ended = r.timers.now;
        }
        ASSERT_GE(ended, 0) << timeout;
        EXPECT_GT(ended - lastLoud, timeout * 1000 - 200) << timeout;
        EXPECT_LE(ended - lastLoud, timeout * 1000 + 1000) << timeout;
        // Kept: renamed with its length, filed by the mover, put in the list.
        ASSERT_EQ(r.view.added.size(), 1u);
        const CallRecord& call = r.view.added[0];
        EXPECT_TRUE(call.RecordingLocation.startsWith(r.settings.CallPath));
        EXPECT_EQ(r.launcher.opened, std::vector<QString>{"/opt/parlaro/mover"});
        EXPECT_TRUE(
            QFile::exists(r.values.tempFolder + QFileInfo(call.RecordingLocation).fileName()));
        EXPECT_EQ(r.view.panels[2], "00:00:00");
        EXPECT_EQ(r.view.panels[1], "Ready - Automatic Recording");
        // The next poll starts listening again.
        r.quiet(0.4);
        EXPECT_TRUE(r.c->monitoring()) << timeout;
    }
}

TEST(RecordingController, ShortCallsAndCallsMarkedInTheOptionsAreThrownAway) {
    struct Case {
        const char* name;
        double speech;
        bool viaOptions;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"shorter than MinCallLength", 2, false, false},
        {"long enough", 12, false, true},
        {"long, but the user went into the options", 12, true, false},
    };
    for (const auto& tc : cases) {
        ControllerRig r;
        r.settings.AddNote = true;
        listening(r);
        r.loud(1.8);
        ASSERT_TRUE(r.c->recording()) << tc.name;
        if (tc.viaOptions) {
            r.prompter.answers = {Answer::Ok};
            r.c->onOptions();
            EXPECT_EQ(r.prompter.shown.back().title, "Warning");
            EXPECT_TRUE(r.c->discardFlag());
        }
        r.loud(tc.speech);
        r.quiet(8);
        EXPECT_FALSE(r.c->recording()) << tc.name;
        if (r.prompt.isOpen()) r.prompt.CloseAddNoteForm("");
        EXPECT_EQ(r.view.added.size(), tc.kept ? 1u : 0u) << tc.name;
        EXPECT_EQ(r.launcher.opened.size(), tc.kept ? 1u : 0u) << tc.name;
        EXPECT_EQ(r.prompt.opened, tc.kept ? 1 : 0) << tc.name;
        EXPECT_EQ(r.tempFiles().size(), tc.kept ? 1 : 0) << tc.name;
        EXPECT_FALSE(r.c->discardFlag()) << tc.name;
    }
}

TEST(RecordingController, TheFileNameCarriesTheLengthShownInTheStatusBar) {
    ControllerRig r(false);
    ASSERT_TRUE(r.load());
    r.c->onRecord();
    r.rec.position = 3725.4;
    r.c->UpdateTimeStamp();
    EXPECT_EQ(r.view.panels[2], "01:02:05");
    r.c->onStop();
    EXPECT_EQ(r.tempFiles(), QStringList{"20050314-093015-ann-3725.wav"});
    ASSERT_EQ(r.view.added.size(), 1u);
    EXPECT_EQ(r.view.added[0].CallDuration, 3725);
    EXPECT_EQ(r.view.added[0].RecordingLocation,
              r.settings.CallPath + "20050314-093015-ann-3725.wav");
}

TEST(RecordingController, ACallDuringPlaybackStopsThePlayerFirst) {
    ControllerRig r;
    listening(r);
    r.c->setPlaybackMode(true);
    r.loud(1.8);
    EXPECT_EQ(r.view.playbackStops, 1);
    EXPECT_TRUE(r.c->recording());
}

TEST(RecordingController, ACallWhileTheLastNotePromptIsOpenGivesThatCallTheTypedNote) {
    ControllerRig r;
    r.settings.AddNote = true;
    listening(r);
    r.loud(12);
    r.quiet(7);
    ASSERT_TRUE(r.prompt.isOpen());
    EXPECT_TRUE(r.timers.isActive(MainTimer::AddNote));
    EXPECT_TRUE(r.view.added.empty()) << "the call is listed once its note is known";
    r.prompt.typed = "supplier\nabout invoice 4711";
    // The prompt does not hold up voice detection: the next call starts and takes the note.
    r.loud(1.8);
    EXPECT_TRUE(r.c->recording());
    EXPECT_FALSE(r.prompt.isOpen());
    EXPECT_FALSE(r.timers.isActive(MainTimer::AddNote));
    ASSERT_EQ(r.view.added.size(), 1u);
    EXPECT_EQ(r.view.added[0].CallNote, "supplier\nabout invoice 4711");
    const QString name = QFileInfo(r.view.added[0].RecordingLocation).fileName();
    EXPECT_EQ(readText(r.settings.CallPath + QString(name).replace(".wav", ".txt")),
              "supplier\nabout invoice 4711");
}

TEST(RecordingController, TheNotePromptClosesByItselfAndAMinimisedWindowGoesBack) {
    for (const bool typed : {false, true}) {
        ControllerRig r;
        r.settings.AddNote = true;
        listening(r);
        r.view.minimised = true;
        r.loud(12);
        r.quiet(7);
        ASSERT_TRUE(r.prompt.isOpen());
        if (typed) r.prompt.typed = "call back";
        r.quiet(20);
        EXPECT_FALSE(r.prompt.isOpen());
        ASSERT_EQ(r.view.added.size(), 1u);
        EXPECT_EQ(r.view.added[0].CallNote, typed ? "call back" : "");
        EXPECT_EQ(QDir(r.settings.CallPath).entryList(QDir::Files).size(), typed ? 1 : 0);
        EXPECT_EQ(r.view.minimisedAgain, 1);
    }
}

TEST(RecordingController, ManualModeRecordsWithTheKeysAndButtons) {
    ControllerRig r(false);
    ASSERT_TRUE(r.load());
    EXPECT_TRUE(r.view.enabled[MainButton::Record]);
    r.quiet(1);
    EXPECT_FALSE(r.c->monitoring()) << "no voice detection in manual mode";
    r.view.minimised = true;
    r.settings.Maximise = false;
    r.c->onKey(9);
    EXPECT_TRUE(r.c->recording());
    EXPECT_TRUE(r.c->callPending());
    EXPECT_EQ(r.view.flashes, 1);
    r.rec.position = 42;
    r.c->UpdateTimeStamp();
    r.c->onKey(10);
    EXPECT_FALSE(r.c->recording());
    EXPECT_FALSE(r.c->callPending());
    EXPECT_EQ(r.tempFiles(), QStringList{"20050314-093016-ann-42.wav"});
    r.c->onKey(11);
    EXPECT_EQ(r.view.plays, 1);

    // F9 does nothing in automatic mode; F10 without a call stops playback.
    ControllerRig a;
    listening(a);
    a.c->onKey(9);
    EXPECT_FALSE(a.c->recording());
    a.c->setPlaybackMode(true);
    a.c->onKey(10);
    EXPECT_EQ(a.view.playbackStops, 1);
    a.c->onKey(11);
    EXPECT_EQ(a.view.plays, 0);
}

TEST(RecordingController, ButtonsFollowModeAndRights) {
    struct Case {
        bool automatic, canPlay, playback;
        bool play, stop, record, save;
    };
    const std::vector<Case> cases = {
        {true, true, false, true, true, false, true},
        {true, false, false, false, false, false, false},
        {false, false, false, false, true, true, false},
        {false, true, true, true, true, false, true},
    };
    for (const auto& tc : cases) {
        ControllerRig r(tc.automatic);
        r.settings.CanPlay = tc.canPlay;
        r.c->setPlaybackMode(tc.playback);
        r.c->UpdateButtonStates();
        EXPECT_EQ(r.view.enabled[MainButton::Play], tc.play);
        EXPECT_EQ(r.view.enabled[MainButton::Advance30], tc.play);
        EXPECT_EQ(r.view.enabled[MainButton::Stop], tc.stop);
        EXPECT_EQ(r.view.enabled[MainButton::Record], tc.record);
        EXPECT_EQ(r.view.enabled[MainButton::Save], tc.save);
        EXPECT_EQ(r.view.enabled[MainButton::Email], tc.save);
    }
}

TEST(RecordingController, VoiceDetectionThatCannotStartSwitchesToManualMode) {
    struct Case {
        const char* name;
        std::function<void(testsupport::FakeRecorder&)> breakIt;
        bool loads;
        QString message;
    };
    const std::vector<Case> cases = {
        {"reset", [](auto& rec) { rec.resetCode = 1; }, false,
         "Failed to reset Voice Detection - please run in manual mode. Err: 1"},
        {"open", [](auto& rec) { rec.openTempCode = 2; }, true,
         "Recording Control Error: Cant open specified file: "},
        {"start", [](auto& rec) { rec.startCode = 9; }, true,
         "Failed to initialise Voice Detection - Check that other devices are not recording "
         "audio. \nSwitching to manual control.\nErr: 9"},
    };
    for (const auto& tc : cases) {
        ControllerRig r;
        tc.breakIt(r.rec);
        EXPECT_EQ(r.load(), tc.loads) << tc.name;
        r.quiet(1);
        ASSERT_EQ(r.prompter.shown.size(), 1u) << tc.name;
        EXPECT_EQ(r.prompter.shown[0].text, tc.message) << tc.name;
        EXPECT_FALSE(r.settings.AutoRecord) << tc.name;
        EXPECT_FALSE(r.c->monitoring()) << tc.name;
        EXPECT_TRUE(r.view.enabled[MainButton::Record]) << tc.name;
    }
}

TEST(RecordingController, AFailedStopIsToldAndTheControllerCarriesOn) {
    ControllerRig r(false);
    ASSERT_TRUE(r.load());
    r.c->onRecord();
    QFile::remove(r.rec.openedPath);  // the file vanished under the recording
    r.c->onStop();
    ASSERT_EQ(r.prompter.shown.size(), 1u);
    EXPECT_EQ(r.prompter.shown[0].text,
              "An error occurred when stopping recording.  The error reported was: 53: File not "
              "found");
    EXPECT_FALSE(r.c->recording());
    EXPECT_TRUE(r.view.added.empty());
    r.c->onRecord();
    EXPECT_TRUE(r.c->recording());
}

TEST(RecordingController, ACallTheControlEndsByItselfIsKeptAndToldOnce) {
    ControllerRig r;
    listening(r);
    r.loud(12);
    ASSERT_TRUE(r.c->recording());
    r.rec.status = RecorderStatus::FileOpen;  // the disk filled up
    r.rec.lastError = 8;
    r.loud(1);
    EXPECT_FALSE(r.c->recording());
    ASSERT_EQ(r.prompter.shown.size(), 1u);
    EXPECT_EQ(r.prompter.shown[0].text, "Recording Control Error: Error during recording");
    ASSERT_EQ(r.view.added.size(), 1u);
    EXPECT_EQ(r.launcher.opened.size(), 1u);
}

TEST(RecordingController, AShutdownEndsARunningCallWithoutThePrompt) {
    ControllerRig r;
    r.settings.AddNote = true;
    listening(r);
    r.loud(15);
    r.c->EndCallForShutdown();
    EXPECT_FALSE(r.c->recording());
    EXPECT_EQ(r.prompt.opened, 0);
    ASSERT_EQ(r.view.added.size(), 1u);
    EXPECT_EQ(r.launcher.opened.size(), 1u);
    r.c->EndCallForShutdown();  // nothing running: nothing happens
    EXPECT_EQ(r.view.added.size(), 1u);
}

TEST(RecordingController, AMoverThatCannotStartIsToldAndTheCallWaits) {
    ControllerRig r(false);
    ASSERT_TRUE(r.load());
    r.launcher.result = 2;
    r.c->onRecord();
    r.c->onStop();
    ASSERT_EQ(r.prompter.shown.size(), 1u);
    EXPECT_EQ(r.prompter.shown[0].title, "Parlaro Error");
    EXPECT_EQ(r.prompter.shown[0].text, "Parlaro failed to launch recording mover: 2");
    EXPECT_EQ(r.tempFiles().size(), 1);
    EXPECT_EQ(r.view.added.size(), 1u);
}
