#include <gtest/gtest.h>

#include "app/options/OptionsDialog.h"
#include "app/recording/CallInput.h"
#include "tests/app/ControllerRig.h"
#include "tests/app/SettingsFixture.h"
#include "tests/app/TestApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <cstdlib>
#include <filesystem>

using namespace parlaro;

namespace {

struct Options : testsupport::SettingsFixture {
    AppSettings settings;
    testsupport::FakeRecorder recorder;
    OptionsServices services;
    QString chosenFolder;
    std::unique_ptr<OptionsDialog> dialog;

    Options() {
        settings.CallPath = QString::fromStdString(dir.file("calls/"));
        services.browseForFolder = [this](QWidget*, const QString& title, const QString&) {
            EXPECT_EQ(title, "Select Default Calls Folder");
            return chosenFolder;
        };
    }
    OptionsDialog& open() {
        dialog = std::make_unique<OptionsDialog>(nullptr, settings, globals, recorder, prompter,
                                                 services);
        return *dialog;
    }
    template <typename W>
    W* child(const char* objectName) {
        W* w = dialog->findChild<W*>(objectName);
        EXPECT_NE(w, nullptr) << objectName;
        return w;
    }
    QString label(const char* objectName) { return child<QLabel>(objectName)->text(); }
    int32_t stored(const char* setting) { return globals.ReadSettingLong(setting, -12345); }
    long resets() const {
        return std::count(recorder.calls.begin(), recorder.calls.end(), "Reset");
    }
};

}  // namespace

TEST(OptionsDialog, LoadsTheSettingsAndAppliesTheFormatAgain) {
    testsupport::TestApplication application;
    Options o;
    o.settings.Sensitivity = -18;
    o.settings.CallTimeOut = 5;
    o.settings.MinCallLength = 10;
    o.settings.AutoRecord = true;
    o.settings.PlayOwnOnly = true;
    o.settings.CanDelete = false;
    o.settings.PW = "x";
    o.open();
    EXPECT_EQ(o.child<QSlider>("sldSensitivity")->value(), 32);
    EXPECT_EQ(o.label("lblSensitivity"), "-18 dB");
    EXPECT_EQ(o.label("lblLatchTime"), " 5 sec");
    EXPECT_EQ(o.label("lblMinCall"), "10 sec");
    EXPECT_TRUE(o.child<QCheckBox>("chkAutoRecord")->isChecked());
    EXPECT_TRUE(o.child<QRadioButton>("optPlay0")->isChecked());
    EXPECT_TRUE(o.child<QRadioButton>("optDel1")->isChecked());
    EXPECT_FALSE(o.child<QRadioButton>("optDel0")->isEnabled());
    EXPECT_TRUE(o.child<QCheckBox>("chkPassword")->isChecked());
    EXPECT_EQ(o.child<QLineEdit>("txtCallsFolder")->text(), o.settings.CallPath);
    // Only the format ran its handler: one Reset, GSM applied, automatic mode left on.
    EXPECT_EQ(o.resets(), 1);
    EXPECT_EQ(o.recorder.bits, kAcmBitsPerSample);
    EXPECT_EQ(o.recorder.acm, kGsmFormatText);
    EXPECT_TRUE(o.settings.AutoRecord);

    Options pcm;
    pcm.settings.Format = 1;
    pcm.open();
    EXPECT_TRUE(pcm.child<QRadioButton>("optFormat1")->isChecked());
    EXPECT_EQ(pcm.recorder.rate, 8000);
    EXPECT_EQ(pcm.recorder.bits, 8);
}

TEST(OptionsDialog, BoxesAndButtonsActAtOnce) {
    testsupport::TestApplication application;
    Options o;
    o.open();
    const struct {
        const char* widget;
        std::function<bool(const AppSettings&)> setting;
        bool expected;
    } clicks[] = {
        {"chkAddNote", [](const AppSettings& s) { return s.AddNote; }, false},
        {"chkAutoMaximize", [](const AppSettings& s) { return s.Maximise; }, false},
        {"chkPreventShutdown", [](const AppSettings& s) { return s.SD == 1; }, true},
        {"optPlay0", [](const AppSettings& s) { return s.PlayOwnOnly; }, true},
        {"optDel0", [](const AppSettings& s) { return s.DeleteOwnOnly; }, true},
        {"optPlay1", [](const AppSettings& s) { return s.PlayOwnOnly; }, false},
        {"chkPlay", [](const AppSettings& s) { return s.CanPlay; }, false},
        {"chkDelete", [](const AppSettings& s) { return s.CanDelete; }, false},
        {"chkAutoRecord", [](const AppSettings& s) { return s.AutoRecord; }, true},
    };
    for (const auto& c : clicks) {
        o.child<QAbstractButton>(c.widget)->click();
        EXPECT_EQ(c.setting(o.settings), c.expected) << c.widget;
    }
    // Without the right the choice of whose calls is greyed.
    EXPECT_FALSE(o.child<QRadioButton>("optPlay0")->isEnabled());
    EXPECT_FALSE(o.child<QRadioButton>("optDel1")->isEnabled());
    o.child<QCheckBox>("chkPlay")->click();
    EXPECT_TRUE(o.child<QRadioButton>("optPlay0")->isEnabled());

    // Automatic recording switched off stops voice detection at once.
    const long before = o.resets();
    o.child<QCheckBox>("chkAutoRecord")->click();
    EXPECT_FALSE(o.settings.AutoRecord);
    EXPECT_EQ(o.resets(), before + 1);

    o.child<QRadioButton>("optFormat1")->click();
    EXPECT_EQ(o.settings.Format, 1);
    EXPECT_EQ(o.recorder.rate, 8000);
    EXPECT_EQ(o.recorder.bits, 8);
    o.child<QRadioButton>("optFormat0")->click();
    EXPECT_EQ(o.settings.Format, 0);
    EXPECT_EQ(o.recorder.bits, kAcmBitsPerSample);
    // Nothing was saved yet.
    EXPECT_EQ(o.stored("SD"), -12345);
}

TEST(OptionsDialog, ThisComputersCallsAreChosenWhereTheSoundSystemHasThem) {
    testsupport::TestApplication application;
    Options o;
    o.open();
    // Not here: said, and the line stays.
    o.child<QRadioButton>("optInput1")->click();
    EXPECT_EQ(o.settings.Input, 0);
    EXPECT_TRUE(o.child<QRadioButton>("optInput0")->isChecked());
    EXPECT_EQ(o.prompter.texts(), std::vector<QString>{ComputerCallsMissingText()});
    // Here: two channels in PCM, one in GSM, and back to the line's default input.
    o.recorder.deviceNames = {"HDA Intel", "This computer's calls"};
    o.child<QRadioButton>("optFormat1")->click();
    o.child<QRadioButton>("optInput1")->click();
    EXPECT_EQ(o.settings.Input, 1);
    EXPECT_EQ(o.recorder.device, 1);
    EXPECT_EQ(o.recorder.channels, 2);
    o.child<QRadioButton>("optFormat0")->click();
    EXPECT_EQ(o.recorder.channels, 1);
    o.child<QRadioButton>("optInput0")->click();
    EXPECT_EQ(o.settings.Input, 0);
    EXPECT_EQ(o.recorder.device, -1);
    EXPECT_EQ(o.prompter.shown.size(), 1u);
}

TEST(OptionsDialog, SlidersAndRetentionAreTakenAndEverythingSavedOnClose) {
    testsupport::TestApplication application;
    Options o;
    o.open();
    o.child<QSlider>("sldSensitivity")->setValue(50);
    EXPECT_EQ(o.label("lblSensitivity"), "  0 dB");
    o.child<QSlider>("sldLatch")->setValue(20);
    EXPECT_EQ(o.label("lblLatchTime"), "20 sec");
    o.child<QSlider>("sldMinCall")->setValue(0);
    EXPECT_EQ(o.label("lblMinCall"), " 0 sec");
    o.child<QSpinBox>("spnKeepDays")->setValue(90);
    EXPECT_EQ(o.settings.Sensitivity, -18) << "a slider acts only on close";

    o.child<QPushButton>("cmdClose")->click();
    EXPECT_EQ(o.dialog->result(), QDialog::Accepted);
    EXPECT_EQ(o.settings.Sensitivity, 0);
    EXPECT_EQ(o.settings.CallTimeOut, 20);
    EXPECT_EQ(o.settings.MinCallLength, 0);
    EXPECT_EQ(o.stored("Sensitivity"), 0);
    EXPECT_EQ(o.stored("CallTimeOut"), 20);
    EXPECT_EQ(o.stored("KeepDays"), 90);
    EXPECT_EQ(o.machineString("CallPath"), o.settings.CallPath.toUtf8());
    EXPECT_TRUE(o.prompter.shown.empty());

    // Escape or the close box also applies and saves: there is no Cancel.
    Options esc;
    esc.open();
    esc.child<QSlider>("sldLatch")->setValue(7);
    esc.dialog->reject();
    EXPECT_EQ(esc.stored("CallTimeOut"), 7);
}

TEST(OptionsDialog, ATypedCallsFolderIsAskedAboutAndMustExist) {
    testsupport::TestApplication application;
    Options o;
    const std::string other = o.dir.file("other");
    o.open();
    auto* folder = o.child<QLineEdit>("txtCallsFolder");

    folder->setText(QString::fromStdString(o.dir.file("missing")));
    o.prompter.answers = {Answer::Yes};
    EXPECT_FALSE(o.dialog->closeOptions());
    ASSERT_EQ(o.prompter.texts().size(), 2u);
    EXPECT_EQ(o.prompter.shown[0].title, "Save Changes?");
    EXPECT_EQ(o.prompter.shown[0].text, "Save new calls folder?");
    EXPECT_EQ(o.prompter.shown[1].text, "Folder: " + folder->text() + " does not exist");
    EXPECT_EQ(o.stored("CallTimeOut"), -12345) << "nothing is saved while the dialog stays";

    // No: the typed folder is ignored.
    o.prompter.shown.clear();
    o.prompter.answers = {Answer::No};
    const QString before = o.settings.CallPath;
    EXPECT_TRUE(o.dialog->closeOptions());
    EXPECT_EQ(o.settings.CallPath, before);

    // Yes to a folder that exists: it becomes the calls folder, ending in "/".
    Options yes;
    std::filesystem::create_directories(other);
    yes.open();
    yes.child<QLineEdit>("txtCallsFolder")->setText(QString::fromStdString(other));
    yes.prompter.answers = {Answer::Yes};
    EXPECT_TRUE(yes.dialog->closeOptions());
    EXPECT_EQ(yes.settings.CallPath, QString::fromStdString(other + "/"));

    // Chosen with the chooser: no question at close.
    Options chosen;
    chosen.chosenFolder = QString::fromStdString(other + "/");
    chosen.open();
    chosen.child<QPushButton>("cmdChangeCallsFolder")->click();
    EXPECT_EQ(chosen.settings.CallPath, chosen.chosenFolder);
    EXPECT_TRUE(chosen.dialog->closeOptions());
    EXPECT_TRUE(chosen.prompter.shown.empty());
}

TEST(OptionsDialog, ClearingThePasswordAsksFirst) {
    testsupport::TestApplication application;
    Options o;
    o.settings.PW = "cipher";
    o.globals.WriteSetting("PW", "cipher");
    o.open();
    auto* box = o.child<QCheckBox>("chkPassword");
    o.prompter.answers = {Answer::No};
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(o.settings.PW, "cipher");
    ASSERT_EQ(o.prompter.shown.size(), 1u);
    EXPECT_EQ(o.prompter.shown[0].text, "Clear Options Password?");
    EXPECT_EQ(o.prompter.shown[0].buttons, Buttons::YesNo);

    o.prompter.answers = {Answer::Yes};
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(o.settings.PW.isEmpty());
    EXPECT_TRUE(o.userString("PW").isEmpty());
    EXPECT_TRUE(o.machineString("PW").isEmpty());

    // Setting one runs the change dialog; the box then shows whether one is set.
    bool asked = false;
    o.services.changePassword = [&](QWidget*) {
        asked = true;
        return true;
    };
    o.open();
    o.child<QCheckBox>("chkPassword")->click();
    EXPECT_TRUE(asked);
    EXPECT_TRUE(o.child<QCheckBox>("chkPassword")->isChecked());
}

TEST(OptionsDialog, CalibrationSetsTheTriggerTwoDecibelsAboveTheQuietLine) {
    testsupport::TestApplication application;
    const struct {
        int quietLine;
        int slider;
        const char* label;
    } cases[] = {
        {-30, 22, "-28 dB"},   {-50, 2, "-48 dB"},
        {-2, 50, "  0 dB"},    {-1, 32, "-18 dB"},  // too loud to be a quiet line: unchanged
        {-9999, 32, "-18 dB"},                      // never measured: unchanged
    };
    for (const auto& c : cases) {
        Options o;
        std::optional<int> result = c.quietLine;
        o.services.calibrate = [&](QWidget*) { return result; };
        o.open();
        o.child<QPushButton>("btnCal")->click();
        EXPECT_EQ(o.child<QSlider>("sldSensitivity")->value(), c.slider) << c.quietLine;
        EXPECT_EQ(o.label("lblSensitivity"), c.label) << c.quietLine;
    }
}
