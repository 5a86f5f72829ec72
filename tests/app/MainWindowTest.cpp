#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "tests/app/SettingsFixture.h"
#include "tests/app/TestApplication.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include "app/library/ui/AddNoteDialog.h"
#include "recorder/qt/AurxWidget.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>

using namespace parlaro;

namespace {

struct FixedClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2005, 3, 14), QTime(9, 30, 15)); }
};

struct Form : testsupport::SettingsFixture {
    testsupport::TestApplication qt;
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
    w.recordingPanel().setIndicator(true, "Recording");
    EXPECT_EQ(w.findChild<QLabel*>("imgRecording")->toolTip(), "Recording");
    // At rest nothing has been measured: the meter is dark and the levels are a dash.
    const aurx::Levels meter =
        w.findChild<aurxqt::AurxWidget*>("AURXCtrl")->control().meterLevels();
    EXPECT_LE(meter.leftLevel, -9999);
    EXPECT_EQ(meter.leftOverload, 0);
    EXPECT_EQ(w.findChild<QLabel*>("lblLeftLevel")->text(), QStringLiteral("\u2014"));
}

TEST(MainWindow, ClosingIsRefusedWhilePreventShutdownIsOn) {
    Form f;
    f.userSets("SD", parlaro::registry::RegistryValue::number(1));
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

TEST(MainWindow, CarriesTheRecordingSideWithItsNamedWidgetsAndTimers) {
    Form f;
    f.userSets("AutoRecord", parlaro::registry::RegistryValue::number(1));
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    for (const char* name :
         {"AURXCtrl",          "AURXPlayer",        "cmdRecord",          "cmdStop",
          "cmdPause",          "cmdPlay",           "cmdPBOffsetMinus10", "cmdPBOffsetMinus30",
          "cmdPBOffsetPlus10", "cmdPBOffsetPlus30", "cmdOptions",         "cmdQuit",
          "cmdSave",           "cmdEmail",          "cmdEditNote",        "lvwCalls",
          "txtCallNote",       "lblLeftLevel",      "lblRightLevel",      "Detection",
          "tmrVoxLatch",       "tmrTimeStamp",      "tmrAddNote",         "frmAddNote"})
        EXPECT_NE(w.findChild<QObject*>(name), nullptr) << name;
    EXPECT_TRUE(w.findChild<QTimer*>("Detection")->isActive());
    EXPECT_TRUE(w.findChild<QTimer*>("tmrTimeStamp")->isActive());
    EXPECT_FALSE(w.findChild<QTimer*>("tmrVoxLatch")->isActive());
    EXPECT_EQ(w.panelText(1), "Ready - Automatic Recording");
    EXPECT_FALSE(w.findChild<QPushButton*>("cmdRecord")->isEnabled());
    // Voice detection really starts on the window's own timer.
    QElapsedTimer waited;
    waited.start();
    while (!w.controller().monitoring() && waited.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(w.controller().monitoring());
}

TEST(MainWindow, EveryKeystrokeInTheNotePromptGivesTwentySecondsMore) {
    Form f;
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    QString note;
    bool closed = false;
    w.notePrompt().open([&](const QString& text) {
        note = text;
        closed = true;
    });
    QTimer* timer = w.findChild<QTimer*>("tmrAddNote");
    auto* box = w.notePrompt().findChild<QPlainTextEdit*>("txtCallNote");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toolTip(), "Enter a note to be associated with the call");
    timer->stop();
    box->insertPlainText("supplier");
    EXPECT_TRUE(timer->isActive()) << "typing starts the 20 seconds again";
    EXPECT_EQ(timer->interval(), 20000);
    w.controller().AddNoteTimerElapsed();
    EXPECT_TRUE(closed);
    EXPECT_EQ(note, "supplier");
    EXPECT_FALSE(w.notePrompt().isVisible());
    EXPECT_FALSE(box->isEnabled());

    // Cancel gives no note.
    closed = false;
    w.notePrompt().open([&](const QString& text) {
        note = text;
        closed = true;
    });
    box->insertPlainText("typed, then cancelled");
    w.notePrompt().findChild<QPushButton*>("cmdCancel")->click();
    EXPECT_TRUE(closed);
    EXPECT_EQ(note, "");
}

TEST(MainWindow, TheNotePromptBelongsToTheKeyboard) {
    Form f;
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    QApplication::processEvents();
    auto* box = w.notePrompt().findChild<QPlainTextEdit*>("txtCallNote");
    const auto press = [](QWidget* to, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent down(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(to, &down);
    };
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString note;  // what the call gets
    };
    for (const Case& c : std::vector<Case>{{Qt::Key_Return, Qt::ControlModifier, "line 1\n"},
                                           {Qt::Key_Enter, Qt::ControlModifier, "line 1\n"},
                                           {Qt::Key_Escape, Qt::NoModifier, ""}}) {
        QString note = "(open)";
        w.notePrompt().open([&](const QString& text) { note = text; });
        QApplication::processEvents();
        EXPECT_EQ(w.notePrompt().focusWidget(), box) << "the prompt opens in its text";
        box->insertPlainText("line 1");
        press(box, Qt::Key_Return);
        EXPECT_EQ(box->toPlainText(), "line 1\n") << "Enter starts a new line";
        press(box, Qt::Key_Tab);
        EXPECT_NE(w.notePrompt().focusWidget(), box) << "Tab moves on";
        EXPECT_EQ(box->toPlainText(), "line 1\n");
        box->setFocus();
        press(box, c.key, c.modifiers);
        EXPECT_EQ(note, c.note) << c.key;
        EXPECT_FALSE(w.notePrompt().isVisible());
        QApplication::processEvents();
        EXPECT_EQ(w.focusWidget(), w.findChild<QWidget*>("lvwCalls"))
            << "no button that changes what is recorded takes the next key";
    }
    for (const char* name : {"cmdOptions", "cmdQuit", "cmdRecord", "cmdStop"})
        EXPECT_EQ(w.findChild<QPushButton*>(name)->focusPolicy(), Qt::TabFocus) << name;
}

TEST(MainWindow, RecoveredCallsAndCallsTheMoverFilesAreListedAtOnce) {
    Form f;
    const std::string temp = f.dir.file("data/Parlaro/");
    const std::string calls = temp + "Calls/";
    const std::string staged = f.dir.file("staged/");
    for (const std::string& d : {calls, staged, f.dir.file("prog")})
        std::filesystem::create_directories(d);
    // A call cut off by a power cut: a PCM header whose sizes were never written, and 3 s.
    std::string cut(
        "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0"
        "\x10\0data\0\0\0\0",
        44);
    cut += std::string(48000, '\x10');
    testsupport::writeFile(temp + "20040314-093015-ann.wav", cut);
    // An earlier session's call that the mover files too.
    testsupport::writeFile(staged + "20040101-100000-bob-12.wav", "x");
    // The mover, as far as the window can tell: it files what waits, a moment after it starts.
    const std::string mover = f.dir.file("prog/mover");
    testsupport::writeFile(mover, "#!/bin/sh\nsleep 0.5\nmv " + temp + "*-*-*-*.wav " + staged +
                                      "*.wav " + calls + "\n");
    std::filesystem::permissions(mover, std::filesystem::perms::owner_all);
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    ASSERT_EQ(w.rowCount(), 1) << "the recovered call, though it is not today's";
    EXPECT_EQ(w.calls().Item(1).RecordingLocation,
              QString::fromStdString(calls + "20040314-093015-ann-3.wav"));
    EXPECT_EQ(w.panelText(1),
              "Recovered a call cut off when Parlaro last ended: "
              "20040314-093015-ann-3.wav - Manual Recording");
    QElapsedTimer waited;
    waited.start();
    while (w.rowCount() < 2 && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(w.rowCount(), 2) << "the mover's end lists what it filed";
    EXPECT_EQ(w.calls().Item(1).LoginName, "bob");
    EXPECT_EQ(w.calls().Item(2).LoginName, "ann");
}

TEST(MainWindow, TheDeleteKeyAndTheCallMenuDeleteWithinTheUsersRights) {
    Form f;
    f.userSets("DeleteOwnOnly", parlaro::registry::RegistryValue::number(1));
    const std::string calls = f.dir.file("data/Parlaro/Calls/");
    std::filesystem::create_directories(calls);
    for (const char* name :
         {"20050314-080000-ann-10.wav", "20050314-081000-bob-10.wav", "20050314-082000-ann-10.wav"})
        testsupport::writeFile(calls + name, "x");
    testsupport::writeFile(calls + "20050314-082000-ann-10.txt", "the newest");
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    auto* list = w.findChild<QTreeView*>("lvwCalls");
    ASSERT_EQ(list->model()->rowCount(), 3);

    // Newest first: ann 08:20, bob 08:10, ann 08:00. Both of ann's and bob's selected: the
    // menu does not offer deletion, and the key deletes only ann's.
    list->selectionModel()->select(list->model()->index(0, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->selectionModel()->select(list->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.showCallMenu(list->visualRect(list->model()->index(0, 0)).center());
    EXPECT_FALSE(w.findChild<QAction*>("mnuPopupDeleteCall")->isEnabled());
    w.findChild<QMenu*>("mnuPopup")->hide();
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent key(type, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(list, &key);
    }
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), "bob");
    EXPECT_FALSE(std::filesystem::exists(calls + "20050314-082000-ann-10.wav"));
    EXPECT_FALSE(std::filesystem::exists(calls + "20050314-082000-ann-10.txt"));
    EXPECT_TRUE(std::filesystem::exists(calls + "20050314-081000-bob-10.wav"));

    // Ann's own call alone: offered, and the menu item deletes it.
    list->selectionModel()->setCurrentIndex(
        list->model()->index(1, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    w.showCallMenu(list->visualRect(list->model()->index(1, 0)).center());
    QAction* remove = w.findChild<QAction*>("mnuPopupDeleteCall");
    EXPECT_TRUE(remove->isEnabled());
    remove->trigger();
    EXPECT_EQ(list->model()->rowCount(), 1);
    EXPECT_FALSE(std::filesystem::exists(calls + "20050314-080000-ann-10.wav"));
}

TEST(MainWindow, TheCallColumnsKeepTheirWidthsFromSessionToSession) {
    // Widths are stored for the reference width of the list and scaled to the list shown:
    // closing and opening the same window again shows the same columns, however often.
    Form f;
    FormPosition(f.reg, f.paths.user).save({7500, 14000, 0, 0});
    std::vector<int> first;
    for (int session = 0; session < 4; ++session) {
        MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
        w.Load();
        w.show();
        QApplication::processEvents();
        const auto* list = w.findChild<QTreeView*>("lvwCalls");
        std::vector<int> widths;
        for (int c = 0; c < 4; ++c)
            widths.push_back(list->columnWidth(c));
        if (session == 0) {
            first = widths;
            ASSERT_GT(list->viewport()->width(), 400) << "a list wider than the reference";
        }
        EXPECT_EQ(widths, first) << "session " << session;
        ASSERT_TRUE(w.close());
    }
    EXPECT_LT(f.at(parlaro::registry::Root::CurrentUser, "GRD_USER").value.dword, 2000u);
}

TEST(MainWindow, AStoredColumnWidthBeyondReasonIsShownNoWiderThanTheList) {
    Form f;
    f.userSets("GRD_USER", parlaro::registry::RegistryValue::number(11572215));
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    QApplication::processEvents();
    const auto* list = w.findChild<QTreeView*>("lvwCalls");
    EXPECT_LE(list->columnWidth(0), std::max(list->viewport()->width(), 40));
}
