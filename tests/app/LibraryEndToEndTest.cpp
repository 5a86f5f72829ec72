// The library from end to end in one process, on the virtual devices: calls recorded from the
// virtual line are filed by the real mover, found through the Find dialog and played to the
// virtual speaker, which must receive exactly what was recorded.
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/library/model/CallListModel.h"
#include "app/library/ui/FindCallDialog.h"
#include "tests/app/SettingsFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>

using namespace parlaro;
using testsupport::readFile;
using testsupport::run;

namespace {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// The sample bytes of a WAV file, as sox reads them.
std::string samples(const std::string& wav, const std::string& raw) {
    if (run("sox", wav + " -t raw " + raw) != 0) return "<unreadable>";
    return readFile(raw);
}

}  // namespace

TEST(LibraryEndToEnd, RecordedCallsAreFoundAndPlayBackExactly) {
    testsupport::SettingsFixture f;
    const std::string line = f.dir.file("line.wav");
    // Two seconds of quiet line, four of a loud tone (a call), then quiet again.
    ASSERT_EQ(run("sox", "-n -r 8000 -c 1 -b 16 " + line +
                             " synth 2 sine 440 vol 0 : synth 4 sine 440 vol 0.5 : synth 12 "
                             "sine 440 vol 0"),
              0);
    // The devices are made once per process: this test runs alone in its program.
    ::setenv("AURX_LINE_IN", line.c_str(), 1);
    ::setenv("AURX_SPEAKER_OUT", f.dir.file("speaker.wav").c_str(), 1);
    // The mover reads the same settings as the window.
    ::setenv("XDG_CONFIG_HOME", f.dir.file("config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", f.dir.file("xdg").c_str(), 1);
    for (const auto& [name, value] : std::vector<std::pair<const char*, int>>{{"AutoRecord", 1},
                                                                              {"AddNote", 0},
                                                                              {"CallTimeOut", 2},
                                                                              {"MinCallLength", 2},
                                                                              {"Format", 1},
                                                                              {"PreRoll", 1}})
        f.userSets(name, parlaro::registry::RegistryValue::number(static_cast<uint32_t>(value)));

    int argc = 1;
    char name[8] = "test";
    char* argv[2] = {name, nullptr};
    QApplication app(argc, argv);
    SystemClock clock;
    StartupEnvironment env{PARLARO_BINARY_DIR "/bin", false,
                           QString::fromStdString(f.dir.file("data")), "",
                           [] { return QByteArray("Ann"); }};
    MainWindow w(f.globals, f.reg, f.prompter, env, clock);
    w.Load();
    w.show();

    // The call is recorded, ends by the latch and appears at the top of the list.
    ASSERT_TRUE(waitFor([&] { return w.calls().Count() == 1; }, 20000));
    const QString calls = w.settings().CallPath;
    ASSERT_TRUE(
        waitFor([&] { return QDir(calls).entryList({"*.wav"}, QDir::Files).size() == 1; }, 5000))
        << "the mover files the call";
    const QString file = calls + QDir(calls).entryList({"*.wav"}, QDir::Files).at(0);
    std::string info;
    ASSERT_EQ(run("sox", "--i -D " + file.toStdString(), &info), 0);
    // Four seconds of tone, a second kept from before its first loud poll, two to three of the
    // latch.
    EXPECT_NEAR(std::stod(info), 4 + 1 + 2.5, 1.0) << info;

    // Found through the Find dialog by user and length.
    w.onFind();
    FindCallDialog* find = w.findDialog();
    ASSERT_NE(find, nullptr);
    find->findChild<QLineEdit*>("txtUser")->setText("an");
    find->findChild<QLineEdit*>("txtMinLength")->setText("0:03");
    find->findChild<QPushButton*>("cmdSearch")->click();
    ASSERT_EQ(w.rowCount(), 1);
    EXPECT_EQ(w.calls().Item(1).RecordingLocation, file);
    find->findChild<QLineEdit*>("txtUser")->setText("bob");
    find->findChild<QPushButton*>("cmdSearch")->click();
    EXPECT_EQ(w.rowCount(), 0);
    ASSERT_FALSE(f.prompter.shown.empty());
    EXPECT_EQ(f.prompter.shown.back().text, "No calls match your search criteria");
    find->findChild<QPushButton*>("cmdClear")->click();
    find->findChild<QPushButton*>("cmdSearch")->click();
    ASSERT_EQ(w.rowCount(), 1);

    // Played to the speaker, sample for sample.
    w.onListActivated();
    EXPECT_TRUE(w.controller().playbackMode());
    ASSERT_TRUE(waitFor([&] { return !w.controller().playbackMode(); }, 15000));
    EXPECT_EQ(samples(f.dir.file("speaker.wav"), f.dir.file("speaker.raw")),
              samples(file.toStdString(), f.dir.file("call.raw")));
}
