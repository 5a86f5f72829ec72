#include <gtest/gtest.h>

#include "app/recording/MoverStart.h"
#include "app/recording/RecorderMessages.h"
#include "app/recording/StatusDisplay.h"
#include "app/recording/TimeText.h"
#include "core/support/AppError.h"
#include "core/support/RuntimeErrors.h"
#include "services/prompts/UnattendedPrompter.h"
#include "tests/app/ScriptedPrompter.h"

#include <cstdio>
#include <map>

using namespace parlaro;

TEST(RecorderMessages, EveryCodeHasItsText) {
    const std::map<int16_t, QString> table = {
        {1, "No device capable or recording with current settings"},
        {2, "Cant open specified file: C:/calls/x.wav"},
        {3, "Cant write to designated file - may be out of disk space"},
        {4, "Specified file is not an MS Wave file"},
        {5, "Unsupported Audio format"},
        {6, "Operating system resources running out - please close some other apps"},
        {7, "Recorder is in the wrong state for this operation"},
        {8, "Error during recording"},
        {9,
         "Error starting recording - please check no other devices are recording the same "
         "input"},
        {10, "Error starting playback"},
        {11, "Error during playback"},
        {12, "Couldnt display mixer"},
        {13, "Recording time limit reached"},
        {14, ""},
        {17, ""},
        {-1, ""},
    };
    for (const auto& [code, text] : table) {
        EXPECT_EQ(recorderErrorText(code, "C:/calls/x.wav"), "Recording Control Error: " + text)
            << code;
    }
}

TEST(RecorderMessages, TheBoxIsAnExclamationTitledError) {
    testsupport::ScriptedPrompter p;
    ShowRecorderError(p, 2, "/tmp/20260101-000000-ann.wav");
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].title, "Error");
    EXPECT_EQ(p.shown[0].icon, Icon::Exclamation);
    EXPECT_EQ(p.shown[0].buttons, Buttons::Ok);
    EXPECT_EQ(p.shown[0].text,
              "Recording Control Error: Cant open specified file: /tmp/20260101-000000-ann.wav");
}

namespace {

struct FakeStatusView : StatusView {
    std::map<int, QString> panels;
    bool red = false;
    QString tooltip, caption;
    void setPanelText(int panel, const QString& text) override { panels[panel] = text; }
    void setIndicator(bool recording, const QString& tip) override {
        red = recording;
        tooltip = tip;
    }
    void setCaption(const QString& c) override { caption = c; }
};

}  // namespace

TEST(StatusDisplay, TheModeSuffixFollowsTheSettingAtEachCall) {
    FakeStatusView view;
    AppSettings settings;
    StatusDisplay status(view, settings);
    status.SetStatus("Ready");
    EXPECT_EQ(view.panels[1], "Ready - Manual Recording");
    settings.AutoRecord = true;
    status.SetStatus("Recording Complete");
    EXPECT_EQ(view.panels[1], "Recording Complete - Automatic Recording");

    status.SetRecordingIndicator(true);
    EXPECT_TRUE(view.red);
    EXPECT_EQ(view.tooltip, "Recording");
    EXPECT_EQ(view.panels[1], "Recording - Automatic Recording");
    status.SetRecordingIndicator(false);
    EXPECT_FALSE(view.red);
    EXPECT_EQ(view.tooltip, "Ready");
    EXPECT_EQ(view.panels[1], "Ready - Automatic Recording");

    status.ShowCaption();
    EXPECT_EQ(view.caption, "Parlaro Call Recorder");
}

TEST(TimeText, DurationsAndBack) {
    const std::vector<std::tuple<int32_t, int16_t, QString>> table = {
        {3725, 1, "01:02:05"},    {59, 1, "00:00:59"},    {0, 1, "00:00:00"},
        {37259, 10, "01:02:05"},  {86399, 1, "23:59:59"}, {32768, 1, "09:06:08"},
        {360000, 1, "100:00:00"}, {5, 0, "00:00:00"},
    };
    for (const auto& [value, divisor, text] : table) {
        EXPECT_EQ(SecondsToHMS(value, divisor), text) << value << "/" << divisor;
        if (divisor == 1) {
            EXPECT_EQ(HMSToSeconds(QString(text).remove(':')), value) << value;
        }
    }
    EXPECT_EQ(HMSToSeconds("010205"), 3725);
    EXPECT_EQ(HMSToSeconds("0102"), 3720);
    EXPECT_EQ(HMSToSeconds("ab0205"), 125);
}

TEST(TimeText, TheClockPanelText) {
    EXPECT_EQ(ClockText(QDateTime(QDate(2005, 3, 14), QTime(9, 30, 15))),
              "Monday, Mar 14 2005 - 09:30:15");
    EXPECT_EQ(ClockText(QDateTime(QDate(2026, 12, 7), QTime(23, 5, 0))),
              "Monday, Dec 7 2026 - 23:05:00");
}

TEST(RuntimeErrors, GuardedProceduresNameThemselves) {
    const AppError error(53, "File not found");
    auto m = runtimeErrorMessage(Guarded::GetRegistrySettings, error);
    EXPECT_EQ(m.title, "Parlaro Error");
    EXPECT_EQ(m.icon, Icon::Critical);
    EXPECT_EQ(m.text,
              "An error occured in frmMain:GetRegistrySettings. The error was: 53: File not "
              "found\nWarning - your user settings may not be correct - please re-install.");
    EXPECT_EQ(runtimeErrorMessage(Guarded::GetPCAndUserName, error).text,
              "An error occured in frmMain:GetPCAndUserName. The error was: 53: File not found");
    EXPECT_EQ(runtimeErrorMessage(Guarded::FormLoad, error).text,
              "A fatal error occured during frmMain:Form_Load. The error was: 53: File not found");
    m = runtimeErrorMessage(Guarded::StopRecording, std::runtime_error("boom"));
    EXPECT_EQ(m.icon, Icon::Exclamation);
    EXPECT_EQ(m.text,
              "An error occurred when stopping recording.  The error reported was: 5: boom");
    EXPECT_EQ(libraryErrorMessage("frmMain:getCallNote Method", errorFromErrno(EACCES)).text,
              "Error occurred: 70, Permission denied, frmMain:getCallNote Method");
}

TEST(UnattendedPrompter, EachBoxIsOneLineAnsweredWithItsDefault) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    UnattendedPrompter p(out);
    EXPECT_EQ(p.show({"Parlaro", "Are you sure?", Icon::Exclamation, Buttons::YesNo}), Answer::Yes);
    EXPECT_EQ(p.show({"Parlaro - warning call will be lost", "a\r\nb\nc", Icon::Critical,
                      Buttons::OkCancel}),
              Answer::Ok);
    std::rewind(out);
    char buf[512] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf - 1, out);
    std::fclose(out);
    EXPECT_EQ(std::string(buf, n),
              "PARLARO-MESSAGE [Parlaro] Are you sure?\n"
              "PARLARO-MESSAGE [Parlaro - warning call will be lost] a\\nb\\nc\n");
}

namespace {

struct FakeLauncher : Launcher {
    int result = 33;
    QString started;
    int open(const QString& program) override {
        started = program;
        return result;
    }
};

}  // namespace

TEST(MoverStart, TheMoverIsStartedFromTheProgramFolderAndAFailureIsTold) {
    FakeLauncher launcher;
    testsupport::ScriptedPrompter p;
    EXPECT_TRUE(StartMover(launcher, p, "/opt/parlaro"));
    EXPECT_EQ(launcher.started, "/opt/parlaro/mover");
    EXPECT_TRUE(p.shown.empty());
    launcher.result = 2;
    EXPECT_FALSE(StartMover(launcher, p, "/opt/parlaro"));
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].title, "Parlaro Error");
    EXPECT_EQ(p.shown[0].text, "Parlaro failed to launch recording mover: 2");

    ShellLauncher shell;
    EXPECT_EQ(shell.open("/nonexistent/mover"), 2);
    EXPECT_GT(shell.open("/bin/true"), 32);
}
