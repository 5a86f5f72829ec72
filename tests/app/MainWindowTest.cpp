#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "tests/app/SettingsFixture.h"

#include <QApplication>
#include <QLabel>

#include <cstdlib>

using namespace parlaro;

namespace {

struct FixedClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2005, 3, 14), QTime(9, 30, 15)); }
};

struct Form : testsupport::SettingsFixture {
    int argc = 1;
    char name[8] = "test";
    char* argv[2] = {name, nullptr};
    // No display in tests, whatever the environment says.
    bool offscreen = ::setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0;
    QApplication app{argc, argv};
    FixedClock clock;
    StartupEnvironment env{QString::fromStdString(dir.file("prog")), true,
                           QString::fromStdString(dir.file("data")), "",
                           [] { return QByteArray("Ann"); }};
};

}  // namespace

TEST(MainWindow, LoadsWithCaptionPanelsIndicatorAndStoredSize) {
    Form f;
    FormPosition(f.reg, f.paths.user).save({6000, 9000, 0, 0});
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    EXPECT_EQ(w.windowTitle(), "Parlaro Call Recorder");
    EXPECT_EQ(w.panelText(1), "Ready - Manual Recording");
    EXPECT_EQ(w.panelText(2), "00:00:00");
    EXPECT_EQ(w.panelText(4), "Monday, Mar 14 2005 - 09:30:15");
    EXPECT_EQ(w.findChild<QLabel*>("imgRecording")->toolTip(), "Ready");
    EXPECT_EQ(w.size(), QSize(600, 400));
    EXPECT_EQ(w.values().userName, "ann");
    EXPECT_EQ(w.values().tempFolder, QString::fromStdString(f.dir.file("data/Parlaro/")));
    EXPECT_EQ(w.settings().CallPath, QString::fromStdString(f.dir.file("data/Parlaro/Calls/")));
    w.setIndicator(true, "Recording");
    EXPECT_EQ(w.findChild<QLabel*>("imgRecording")->toolTip(), "Recording");
}

TEST(MainWindow, ClosingIsRefusedWhilePreventShutdownIsOn) {
    Form f;
    f.userSets("SD", registry::RegistryValue::number(1));
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    w.terminationRequested(1);
    EXPECT_TRUE(w.isVisible());
    w.terminationRequested(2);
    EXPECT_FALSE(w.isVisible());
}
