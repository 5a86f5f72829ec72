#include <gtest/gtest.h>

#include "app/recording/CallInput.h"
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
    EXPECT_FLOAT_EQ(r.rec.preRoll, 10.0F) << "the most a call may reach back";
    EXPECT_EQ(r.view.panels[1], "Ready - Automatic Recording");
    for (const auto& [level, text] : std::vector<std::pair<float, QString>>{{-23.5F, "-23.5"},
                                                                            {-56.3296F, "-56.3"},
                                                                            {0, "0.0"},
                                                                            {-9999, "\u2014"},
                                                                            {-100, "\u2014"}}) {
        r.rec.left = level;
        r.c->CheckLevels();
        EXPECT_EQ(r.view.leftText, text) << level;
    }
}

TEST(RecordingController, AboutOneAndAHalfSecondsOfVoiceStartACallThatReachesBackToItsOnset) {
    struct Case {
        const char* name;
        std::vector<std::pair<double, float>> line;  // seconds, level
        bool callStarts;
        double leadIn;  // seconds of the line the call begins with (±0.2)
        int preRoll = 3;
    };
    // Syllables: 0.3 s loud, 0.1 s quiet.
    std::vector<std::pair<double, float>> speech;
    for (int i = 0; i < 5; ++i)
        speech.insert(speech.end(), {{0.3, -6}, {0.1, -40}});
    // Clicks: one loud buffer every half second.
    std::vector<std::pair<double, float>> clicks;
    for (int i = 0; i < 12; ++i)
        clicks.insert(clicks.end(), {{0.1, -6}, {0.4, -40}});
    const std::vector<Case> cases = {
        {"1.4 s burst", {{1.4, -6}, {3, -40}}, false, 0},
        {"level exactly at Sensitivity is quiet", {{5, -18}}, false, 0},
        {"just above Sensitivity", {{1.8, -17.9F}}, true, 1.6 + 3},
        {"dips between words do not start the count again",
         {{0.8, -6}, {0.5, -40}, {0.8, -6}},
         true,
         1.6 + 3},
        {"syllables", speech, true, 1.6 + 3},
        {"a pause of a second does", {{1.2, -6}, {1.0, -40}, {1.2, -6}, {3, -40}}, false, 0},
        {"clicks", clicks, false, 0},
        {"'Hi.' and a pause", {{0.4, -6}, {1.2, -40}, {1.8, -6}}, true, 1.6 + 1.6 + 3},
        {"without PreRoll", {{0.4, -6}, {1.2, -40}, {1.8, -6}}, true, 0, 0},
        {"never more than 10 s",
         {{0.4, -6},
          {1.6, -40},
          {0.4, -6},
          {1.6, -40},
          {0.4, -6},
          {1.6, -40},
          {0.4, -6},
          {1.6, -40},
          {1.8, -6}},
         true,
         10},
    };
    for (const auto& tc : cases) {
        ControllerRig r;
        r.settings.PreRoll = tc.preRoll;
        listening(r);
        for (const auto& [seconds, level] : tc.line)
            r.loud(seconds, level);
        EXPECT_EQ(r.c->recording(), tc.callStarts) << tc.name;
        EXPECT_EQ(!r.rec.openedPath.isEmpty(), tc.callStarts) << tc.name;
        if (tc.callStarts) {
            EXPECT_NEAR(r.rec.leadIn, tc.leadIn, 0.21) << tc.name;
        }
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
    EXPECT_EQ(r.rec.calls.back(), "ContinueInNewFile") << "the capture runs on into the call";
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

TEST(RecordingController, ShortCallsAreThrownAwayAndCallsEndedForTheOptionsKept) {
    struct Case {
        const char* name;
        double speech;
        std::vector<Answer> options;  // answers to the warning; none: no options
        bool kept;
        const char* note;
    };
    const std::vector<Case> cases = {
        {"shorter than MinCallLength", 2, {}, false, ""},
        {"long enough", 12, {}, true, "(prompted)"},
        {"ended for the options",
         12,
         {Answer::Ok},
         true,
         "Recording ended when the options were opened."},
        {"a stray Enter keeps recording", 12, {Answer::Cancel}, true, "(prompted)"},
    };
    for (const auto& tc : cases) {
        ControllerRig r;
        r.settings.AddNote = true;
        r.settings.MinCallLength = 15;  // the call begins 4.6 s before its trigger
        listening(r);
        r.loud(1.8);
        ASSERT_TRUE(r.c->recording()) << tc.name;
        r.loud(tc.speech);
        if (!tc.options.empty()) {
            r.prompter.answers.assign(tc.options.begin(), tc.options.end());
            r.c->onOptions();
            EXPECT_EQ(r.prompter.shown.back().title, "Warning");
            EXPECT_EQ(r.prompter.shown.back().defaultAnswer(), Answer::Cancel) << tc.name;
            EXPECT_EQ(r.view.options, tc.options[0] == Answer::Ok ? 1 : 0) << tc.name;
            EXPECT_EQ(r.c->recording(), tc.options[0] != Answer::Ok) << tc.name;
            EXPECT_EQ(r.view.indicator, r.c->recording()) << tc.name;
            EXPECT_EQ(r.view.panels[1], r.c->recording() ? "Recording - Automatic Recording"
                                                         : "Ready - Automatic Recording")
                << tc.name;
        }
        r.quiet(8);
        const bool prompted = r.prompt.isOpen();
        if (prompted) r.prompt.CloseAddNoteForm("");
        EXPECT_EQ(r.view.added.size(), tc.kept ? 1u : 0u) << tc.name;
        EXPECT_EQ(r.launcher.opened.size(), tc.kept ? 1u : 0u) << tc.name;
        EXPECT_EQ(r.tempFiles().size(), tc.kept ? 1 : 0) << tc.name;
        if (tc.kept) {
            EXPECT_EQ(prompted ? "(prompted)" : r.view.added[0].CallNote, tc.note) << tc.name;
        }
    }
}

TEST(RecordingController, ACallIsKeptOnlyWhenItLastsMinCallLengthToTheSample) {
    for (const auto& [position, kept] :
         std::vector<std::pair<double, bool>>{{9.92, false}, {9.9999, false}, {10.0, true}}) {
        ControllerRig r;
        listening(r);
        r.loud(1.8);
        r.rec.position = position;
        r.c->EndCallForShutdown();
        EXPECT_EQ(r.view.added.size(), kept ? 1u : 0u) << position;
    }
}

TEST(RecordingController, StopEndsAnAutomaticCallAndTheNextWaitsForAQuietLine) {
    ControllerRig r;
    r.settings.MinCallLength = 1;
    listening(r);
    r.loud(4);
    ASSERT_TRUE(r.c->recording());
    r.c->onKey(10);
    EXPECT_FALSE(r.c->recording());
    ASSERT_EQ(r.view.added.size(), 1u);
    EXPECT_EQ(r.view.panels[1],
              "Call stopped - the next call starts after 5 s of quiet - Automatic Recording");
    // The far end goes on talking, with short pauses: no second file.
    r.loud(6);
    r.quiet(3);
    r.loud(3);
    EXPECT_FALSE(r.c->recording());
    EXPECT_TRUE(r.c->heldAfterStop());
    r.quiet(5.2);
    EXPECT_FALSE(r.c->heldAfterStop());
    EXPECT_EQ(r.view.panels[1], "Ready - Automatic Recording");
    r.loud(1.8);
    EXPECT_TRUE(r.c->recording()) << "the next call";
    EXPECT_EQ(r.view.added.size(), 1u);
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

// The sound system stops during a call and comes back: the status bar says so while it lasts,
// and the call's note keeps where and for how long; a stall while only listening is said, not
// noted.
TEST(RecordingController, AStalledSoundSystemIsToldAndTheCallsNoteSaysWhatWasMissing) {
    ControllerRig r;
    r.settings.AddNote = true;
    listening(r);
    r.rec.news = {{false, 0, 0}, {true, 0, 4}};
    r.c->UpdateTimeStamp();
    r.loud(12);
    r.rec.news = {{false, 65.2, 0}};
    r.c->UpdateTimeStamp();
    EXPECT_EQ(r.view.panels[1].left(52), "No sound is coming in - the sound system has stopped");
    r.rec.news = {{true, 65.2, 9.4}};
    r.c->UpdateTimeStamp();
    EXPECT_EQ(r.view.panels[1].left(9), "Recording");
    r.quiet(7);
    ASSERT_TRUE(r.prompt.isOpen());
    r.prompt.typed = "supplier";
    r.quiet(20);
    ASSERT_EQ(r.view.added.size(), 1u);
    EXPECT_EQ(r.view.added[0].CallNote,
              "supplier\nAudio missing from 01:05 for 9 s (the sound system stopped)");
}

TEST(InputStallNotes, TheLineSaysWhereAndForHowLongAndFollowsTheNote) {
    EXPECT_EQ(parlaro::missingAudioLine(0, 1.2),
              "Audio missing from 00:00 for 1 s (the sound system stopped)");
    EXPECT_EQ(parlaro::missingAudioLine(4503.9, 0.3),
              "Audio missing from 75:03 for 1 s (the sound system stopped)")
        << "minutes past the hour, and never 0 s";
    const QStringList lines{"a", "b"};
    EXPECT_EQ(parlaro::noteWithLines("", lines), "a\nb");
    EXPECT_EQ(parlaro::noteWithLines("note", lines), "note\na\nb");
    EXPECT_EQ(parlaro::noteWithLines("note\n", lines), "note\na\nb");
    EXPECT_EQ(parlaro::noteWithLines("note", {}), "note");
}

TEST(RecordingController, ThisComputersCallsAreRecordedFromTheirInputInTheFormatsChannels) {
    struct Case {
        int input, format;
        std::vector<QString> devices;
        int32_t device;
        int16_t channels;
        bool told;  // the computer's calls are missing
    };
    const std::vector<QString> withCalls{"default", "HDA Intel", "This computer's calls"};
    const Case cases[] = {
        {0, 0, withCalls, -1, 1, false},
        {1, 0, withCalls, 2, 1, false},  // GSM: both sides mixed
        {1, 1, withCalls, 2, 2, false},  // PCM: this side left, the other right
        {1, 1, {"default"}, -1, 1, true},
    };
    for (const Case& k : cases) {
        ControllerRig r;
        r.settings.Input = k.input;
        r.settings.Format = k.format;
        r.rec.deviceNames = k.devices;
        listening(r);
        SCOPED_TRACE(testing::Message() << "input " << k.input << ", format " << k.format);
        EXPECT_EQ(r.rec.device, k.device);
        EXPECT_EQ(r.rec.channels, k.channels);
        EXPECT_EQ(r.prompter.texts(), k.told ? std::vector<QString>{ComputerCallsMissingText()}
                                             : std::vector<QString>{});
    }
}

TEST(RecordingController, OnThisComputersCallsTheOtherSideAloneStartsACall) {
    for (const int input : {0, 1}) {
        ControllerRig r;
        r.settings.Input = input;
        r.settings.Format = 1;
        r.rec.deviceNames = {"This computer's calls"};
        listening(r);
        r.rec.right = -6;  // the far side speaks; the microphone is quiet
        r.quiet(3);
        EXPECT_EQ(r.c->recording(), input == 1) << "input " << input;
    }
}
