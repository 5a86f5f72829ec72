#include <gtest/gtest.h>

#include "app/options/Calibration.h"
#include "app/options/CalibrationDialog.h"
#include "app/options/CalibrationWizard.h"
#include "app/options/HelpPage.h"
#include "app/recording/ControlRecorder.h"
#include "recorder/qt/AurxWidget.h"
#include "tests/app/ControllerRig.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/app/TestApplication.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <chrono>
#include <deque>
#include <functional>
#include <thread>

using namespace parlaro;
using testsupport::FakeRecorder;
using testsupport::ScriptedPrompter;

namespace {

struct FakeView final : CalibrationView {
    QString level, dir = "Increase Levels";
    bool ok = false, flashing = false, busy = false;
    bool step1 = true, step2 = true;
    int waits = 0;
    std::function<void()> onWait;
    std::vector<QString> directions;
    void setLevelText(const QString& t) override { level = t; }
    void setDirection(const QString& t) override {
        dir = t;
        directions.push_back(t);
    }
    QString direction() const override { return dir; }
    void showLevelOk(bool o) override { ok = o; }
    void setFlashing(bool on) override { flashing = on; }
    void setStepsEnabled(bool a, bool b) override {
        step1 = a;
        step2 = b;
    }
    void setBusy(bool b) override { busy = b; }
    void wait(int ms) override {
        EXPECT_EQ(ms, 200);
        ++waits;
        if (onWait) onWait();
    }
};

struct Rig {
    FakeRecorder recorder;
    FakeView view;
    ScriptedPrompter prompter;
    Calibration cal{recorder, view, prompter};
};

}  // namespace

TEST(Calibration, TheLevelWindowAndItsDirections) {
    const struct {
        float level;
        bool inRange;
        const char* direction;
    } cases[] = {
        {-10.0F, true, "Level OK - replace handset"},
        {-4.01F, true, "Level OK - replace handset"},
        {-4.0F, false, "Increase Level (or phone on hook)"},
        {-3.9F, false, "Decrease Level"},
        {0.0F, false, "Decrease Level"},
        {-10.01F, false, "Increase Level (or phone on hook)"},
        {-9999.0F, false, "Increase Level (or phone on hook)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Calibration::inRange(c.level), c.inRange) << c.level;
        EXPECT_EQ(Calibration::directionFor(c.level), c.direction) << c.level;
    }
}

TEST(Calibration, StepOneFollowsTheLevelUntilStepTwoStarts) {
    Rig r;
    std::deque<float> levels{-30, -7, -7, -2};
    r.recorder.left = -30;
    std::vector<bool> flashing;
    bool stepTwo = false;
    r.view.onWait = [&] {
        if (stepTwo) return;
        flashing.push_back(r.view.flashing);
        levels.pop_front();
        if (levels.empty()) {
            stepTwo = true;
            r.cal.measureQuietLine();  // the user moves on while step 1 runs
            return;
        }
        r.recorder.left = levels.front();
    };
    r.cal.adjustLevel();
    EXPECT_EQ(flashing, (std::vector<bool>{false, true, true, false}));
    // Step 1 recorded from the control's temporary file, and stopped after its last round.
    ASSERT_GE(r.recorder.calls.size(), 2u);
    EXPECT_EQ(r.recorder.calls[0], "OpenTemporaryFile");
    EXPECT_EQ(r.recorder.calls[1], "StartRecording");
    EXPECT_EQ(r.recorder.calls.back(), "Reset");
    const std::vector<QString> expected{"Increase Level (or phone on hook)",
                                        "Level OK - replace handset", "Level OK - replace handset",
                                        "Decrease Level", "Level OK"};
    EXPECT_EQ(r.view.directions, expected);
}

TEST(Calibration, StepTwoKeepsTheLoudestQuietReadingFlooredAtFiftyAndWarnsWhenOffHook) {
    const struct {
        std::vector<float> readings;
        int maximum;
        bool warned;
    } cases[] = {
        {{-40, -30.4F, -35, -31, -33}, -30, false},
        {{-9999, -9999, -9999, -9999, -9999}, -50, false},
        {{-60, -55, -70, -52, -61}, -50, false},
        {{-20, -9.4F, -12, -15, -30}, -9, true},
        {{-3, -2, -6, -5, -4}, -2, true},
    };
    for (const auto& c : cases) {
        Rig r;
        std::size_t i = 0;
        r.recorder.left = c.readings[0];
        r.view.onWait = [&] {
            EXPECT_TRUE(r.view.busy);
            if (++i < c.readings.size()) r.recorder.left = c.readings[i];
        };
        r.cal.measureQuietLine();
        EXPECT_EQ(r.view.waits, 5);
        EXPECT_EQ(r.cal.quietLineMaximum(), c.maximum);
        EXPECT_FALSE(r.view.busy);
        EXPECT_TRUE(r.view.step1 && r.view.step2);
        std::vector<QString> texts;
        if (c.warned)
            texts.push_back(
                "Audio level seems high - check the phone is on the hook.  Sensitivity level has "
                "been set");
        texts.push_back("Calibration complete");
        EXPECT_EQ(r.prompter.texts(), texts) << c.maximum;
        EXPECT_EQ(r.prompter.shown.back().title, "Parlaro - Calibration");
    }
    // Never measured.
    Rig idle;
    EXPECT_EQ(idle.cal.quietLineMaximum(), -9999);
}

TEST(Calibration, TheFlashAlternatesTheTwoLevelOkTexts) {
    Rig r;
    r.view.dir = "Decrease Level";
    r.cal.flash();
    EXPECT_EQ(r.view.dir, "Level OK - replace handset");
    r.cal.flash();
    EXPECT_EQ(r.view.dir, "Level OK - go to step 2");
    r.cal.flash();
    EXPECT_EQ(r.view.dir, "Level OK - replace handset");
}

namespace {

struct ScriptedWizard final : WizardUi {
    std::deque<HelpPageResult> results;
    std::vector<int> pages;
    int mixers = 0;
    std::optional<int> measured = -30;
    bool calibrated = false;
    HelpPageResult showPage(int page) override {
        pages.push_back(page);
        if (page >= 3 || results.empty()) return {"Next"};
        HelpPageResult r = results.front();
        results.pop_front();
        return r;
    }
    void showMixer() override { ++mixers; }
    std::optional<int> calibrate() override {
        calibrated = true;
        return measured;
    }
};

HelpPageResult next(bool skip = false) {
    return {"Next", skip, false, false};
}
HelpPageResult answered(bool advanced, bool microphone) {
    return {"Next", false, advanced, microphone};
}

}  // namespace

TEST(CalibrationWizard, PagesFollowTheAnswers) {
    const struct {
        std::deque<HelpPageResult> script;
        std::vector<int> pages;
        int mixers;
        bool calibrated;
    } cases[] = {
        {{{"", false, false, false}}, {1}, 0, false},                  // page 1 closed
        {{next(true)}, {1}, 1, true},                                  // help skipped
        {{next(), {"Prev"}, next(true)}, {1, 2, 1}, 2, true},          // back to page 1
        {{next(), answered(true, true)}, {1, 2, 5}, 1, true},          // both seen
        {{next(), answered(true, false)}, {1, 2, 3, 5}, 1, true},      // no microphone
        {{next(), answered(false, true)}, {1, 2, 4, 5}, 1, true},      // no Advanced
        {{next(), answered(false, false)}, {1, 2, 3, 4, 5}, 1, true},  // neither
        {{next(), {""}}, {1, 2}, 1, false},                            // page 2 closed
    };
    for (const auto& c : cases) {
        ScriptedWizard ui;
        ui.results = c.script;
        const std::optional<int> result = RunCalibrationWizard(ui);
        EXPECT_EQ(ui.pages, c.pages);
        EXPECT_EQ(ui.mixers, c.mixers);
        EXPECT_EQ(ui.calibrated, c.calibrated);
        EXPECT_EQ(result, c.calibrated ? std::optional<int>(-30) : std::nullopt);
    }
    ScriptedWizard cancelled;
    cancelled.results = {next(true)};
    cancelled.measured = std::nullopt;
    EXPECT_EQ(RunCalibrationWizard(cancelled), std::nullopt);
}

TEST(CalibrationWizard, TheQuestionsPageWantsBothAnswers) {
    testsupport::TestApplication application;
    ScriptedPrompter prompter;
    HelpPage page(nullptr, 2, prompter);
    auto* nextButton = page.findChild<QPushButton*>("cmdNext");
    ASSERT_NE(nextButton, nullptr);
    page.findChild<QRadioButton*>("chkAdvYes")->click();
    nextButton->click();
    EXPECT_EQ(prompter.texts(), std::vector<QString>{"Please select 'Yes' or 'No' options"});
    EXPECT_TRUE(page.result().button.isEmpty());
    page.findChild<QRadioButton*>("chkMicNo")->click();
    nextButton->click();
    EXPECT_EQ(page.result().button, "Next");
    EXPECT_TRUE(page.result().advancedVisible);
    EXPECT_FALSE(page.result().microphoneVisible);
    for (int p = 3; p <= 5; ++p)
        EXPECT_FALSE(HelpPage::picture(p).isNull());
}

TEST(CalibrationWizard, TheDialogMeasuresWithItsOwnControl) {
    testsupport::TestApplication application;
    ScriptedPrompter prompter;
    CalibrationDialog dialog(nullptr, prompter);
    EXPECT_EQ(dialog.findChild<QLabel*>("lblDirection")->text(), "Increase Levels");
    EXPECT_EQ(dialog.findChild<QPushButton*>("btnCalSens")->toolTip(),
              "Perform sound card calibration for optimum recording performance");
    // The virtual line is silent: the quiet line is as quiet as it gets.
    dialog.findChild<QPushButton*>("btnCalSens")->click();
    EXPECT_EQ(dialog.quietLineMaximum(), -50);
    EXPECT_EQ(prompter.texts(), std::vector<QString>{"Calibration complete"});
    dialog.findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_TRUE(dialog.cancelled());
}

// The trigger level calibration sets is compared with the main window's levels, so both must
// read a line alike: the calibration captures as the calls are recorded.
TEST(CalibrationWizard, TheQuietLineReadsAsTheMainMeterReadsIt) {
    testsupport::TempDir dir;
    const std::string line = dir.file("line.wav");
    // A steady hum at -45 dBFS; its level does not depend on when it is read.
    ASSERT_EQ(testsupport::run("sox", "-n -r 8000 -c 1 -b 16 " + line +
                                          " synth 3 sine 300 vol "
                                          "0.00562"),
              0);
    // The devices are made once per process: this test runs alone in its program.
    ::setenv("AURX_LINE_IN", line.c_str(), 1);
    ::setenv("AURX_LINE_LOOP", "1", 1);
    testsupport::TestApplication application;
    for (const bool gsm : {true, false}) {
        SCOPED_TRACE(gsm ? "GSM" : "8-bit PCM");
        ScriptedPrompter prompter;
        CalibrationDialog dialog(nullptr, prompter, gsm);
        dialog.findChild<QPushButton*>("btnCalSens")->click();
        // The main window's control, set up for the calls as the window sets it up.
        aurxqt::AurxWidget main;
        main.setSampleRate(8000);
        main.setBitsPerSample(8);
        main.setNumChannels(1);
        ControlRecorder recorder(main.control());
        if (gsm) {
            ASSERT_TRUE(recorder.setBitsPerSample(kAcmBitsPerSample));
            ASSERT_TRUE(recorder.setAcmFormat(kGsmFormatText));
        }
        ASSERT_EQ(recorder.OpenTemporaryFile(), 0);
        recorder.setPaused(true);
        ASSERT_EQ(recorder.StartRecording(), 0);
        // The first buffer may take a while on a loaded machine: until then the level reads as
        // the floor (-100).
        float level = -100;
        for (int i = 0; i < 60 && level <= -100; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            level = recorder.GetLevels().left;
        }
        recorder.Stop();
        recorder.Reset();
        EXPECT_NEAR(dialog.quietLineMaximum(), level, 1.0);
        EXPECT_NEAR(level, gsm ? -45 : -42, 1.5) << "8-bit samples hold no quieter line";
    }
}
