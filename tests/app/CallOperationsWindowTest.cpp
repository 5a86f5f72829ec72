#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "tests/app/FakeXdgEmail.h"
#include "tests/app/SettingsFixture.h"
#include "tests/app/TestApplication.h"
#include "tests/support/OpenCounter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/Sound.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace parlaro;

namespace {

struct FixedClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2005, 3, 14), QTime(9, 30, 15)); }
};

// A window over a calls folder holding two of today's calls, the newer with a note.
struct Form : testsupport::SettingsFixture {
    testsupport::TestApplication qt;
    FixedClock clock;
    StartupEnvironment env{QString::fromStdString(dir.file("prog")), true,
                           QString::fromStdString(dir.file("data")), "",
                           [] { return QByteArray("Ann"); }};
    std::string calls = dir.file("data/Parlaro/Calls/");

    void addCalls() {
        std::filesystem::create_directories(calls);
        testsupport::writeFile(calls + "20050314-080000-ann-10.wav", "x");
        testsupport::writeFile(calls + "20050314-082000-bob-10.wav", "y");
        testsupport::writeFile(calls + "20050314-082000-bob-10.txt", "ring back");
    }
};

void selectAll(QTreeView* list) {
    list->selectionModel()->select(
        QItemSelection(list->model()->index(0, 0),
                       list->model()->index(list->model()->rowCount() - 1, 0)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace

TEST(CallOperationsWindow, TheCallMenuOffersSavingAndMailingToThoseWhoMayPlay) {
    for (const bool canPlay : {true, false}) {
        Form f;
        f.userSets("CanPlay", parlaro::registry::RegistryValue::number(canPlay ? 1 : 0));
        f.addCalls();
        MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
        w.Load();
        w.show();
        auto* list = w.findChild<QTreeView*>("lvwCalls");
        ASSERT_EQ(list->model()->rowCount(), 2);
        selectAll(list);
        w.showCallMenu(list->visualRect(list->model()->index(0, 0)).center());
        EXPECT_EQ(w.findChild<QAction*>("mnuPopupSaveCall")->isEnabled(), canPlay);
        EXPECT_EQ(w.findChild<QAction*>("mnuPopupEmailCall")->isEnabled(), canPlay);
        EXPECT_EQ(w.findChild<QPushButton*>("cmdSave")->isEnabled(), canPlay);
        EXPECT_EQ(w.findChild<QPushButton*>("cmdEmail")->isEnabled(), canPlay);
        w.findChild<QMenu*>("mnuPopup")->hide();
    }
}

TEST(CallOperationsWindow, EmailCallsHandsTheSelectedCallsToTheMailClient) {
    Form f;
    f.userSets("ShareFormat",
               parlaro::registry::RegistryValue::number(0));  // the recordings themselves
    f.addCalls();
    testsupport::FakeXdgEmail fake;
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    f.prompter.shown.clear();  // what start-up told
    auto* list = w.findChild<QTreeView*>("lvwCalls");
    ASSERT_EQ(list->model()->rowCount(), 2);
    selectAll(list);
    w.findChild<QAction*>("mnuPopupEmailCall")->trigger();

    // Newest first, as the list shows them.
    const QString bob = QString::fromStdString(f.calls + "20050314-082000-bob-10.wav");
    const QString ann = QString::fromStdString(f.calls + "20050314-080000-ann-10.wav");
    EXPECT_EQ(fake.arguments(),
              (QStringList{"--utf8", "--subject", "Parlaro Telephone Call Recording", "--body",
                           "Parlaro Telephone Call Recording\n\n20050314-082000-bob-10.wav\nNote: "
                           "ring back\n\n20050314-080000-ann-10.wav\nNote: <no note>",
                           "--attach", bob, "--attach", ann}));
    EXPECT_TRUE(f.prompter.shown.empty());
    EXPECT_TRUE(w.findChild<QPushButton*>("cmdEmail")->isEnabled());
}

TEST(CallOperationsWindow, DroppingTwoFilesOnTheListPlaysNothing) {
    Form f;
    f.addCalls();
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    f.prompter.shown.clear();  // what start-up told
    auto* list = w.findChild<QTreeView*>("lvwCalls");
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString(f.calls + "20050314-080000-ann-10.wav")),
         QUrl::fromLocalFile(QString::fromStdString(f.calls + "20050314-082000-bob-10.wav"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    ASSERT_EQ(f.prompter.shown.size(), 1u);
    EXPECT_EQ(f.prompter.shown[0].text, "Please drag a single file at a time");
    EXPECT_EQ(f.prompter.shown[0].title, "Drag / Drop");
    EXPECT_FALSE(w.playback().playing());
}

TEST(CallOperationsWindow, AnMp3FileFromAnotherProgramDroppedOnTheListPlays) {
    Form f;
    f.addCalls();
    testsupport::writePcm16Wav(f.dir.file("source.wav"), testsupport::sine(440, 8000, 16000, 8000),
                               8000, 1);
    struct Dropped {
        const char* name;
        const char* lame;
    } table[] = {
        {"plain.mp3", "--cbr -b 16"},
        {"titled.mp3", "--cbr -b 16 --add-id3v2 --id3v2-only --tt Title --ta Artist"},
        {"both-tags.mp3", "--cbr -b 16 --add-id3v2 --tt Title --tc Comment"},
        {"old-tag.mp3", "--cbr -b 16 --id3v1-only --tt Title"},
        {"variable.mp3", "-V 5 --add-id3v2 --tt Title"},
    };
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    auto* list = w.findChild<QTreeView*>("lvwCalls");
    for (const Dropped& d : table) {
        const std::string path = f.dir.file(d.name);
        ASSERT_EQ(testsupport::run("lame", std::string("--quiet ") + d.lame + " " +
                                               f.dir.file("source.wav") + " " + path),
                  0);
        f.prompter.shown.clear();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
        EXPECT_TRUE(w.playback().playing()) << d.name;
        for (const Message& m : f.prompter.shown)
            ADD_FAILURE() << d.name << ": " << m.text.toStdString();
    }
    w.playback().StopPlayback();
}

TEST(CallOperationsWindow, TheListReadsTheNotesOfTheRowsItShowsNotOfEveryCall) {
    Form f;
    std::filesystem::create_directories(f.calls);
    for (int i = 0; i < 2000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "20050314-%02d%02d%02d-ann-10", 8 + i / 3600, i / 60 % 60,
                      i % 60);
        testsupport::writeFile(f.calls + name + ".wav", "");
        testsupport::writeFile(f.calls + name + ".txt", "note " + std::to_string(i));
    }
    testsupport::OpenCounter opens(f.calls);
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    auto* list = w.findChild<QTreeView*>("lvwCalls");
    ASSERT_EQ(list->model()->rowCount(), 2000);
    // The newest call heads the list; its note shows once its rows have been read.
    ASSERT_TRUE(testsupport::waitFor(
        [&] {
            QApplication::processEvents();
            return list->model()->index(0, 4).data().toString() == "note 1999";
        },
        10000));
    EXPECT_EQ(w.findChild<QPlainTextEdit*>("txtCallNote")->toPlainText(), "note 1999");
    int read = 0;
    for (const auto& [name, count] : opens.take())
        read += count;
    EXPECT_GE(read, 10);
    EXPECT_LE(read, 200) << "notes read for rows nobody sees";
}

TEST(CallOperationsWindow, SendAsInTheCallMenuShowsAndKeepsTheFormat) {
    Form f;
    f.addCalls();
    // Calls with sound in them, for the converter.
    for (const char* name : {"20050314-080000-ann-10.wav", "20050314-082000-bob-10.wav"})
        testsupport::writePcm16Wav(f.calls + name, testsupport::sine(440, 8000, 8000, 8000), 8000,
                                   1);
    testsupport::FakeXdgEmail fake;
    MainWindow w(f.globals, f.reg, f.prompter, f.env, f.clock);
    w.Load();
    w.show();
    f.prompter.shown.clear();  // what start-up told
    auto* list = w.findChild<QTreeView*>("lvwCalls");
    selectAll(list);
    const auto checked = [&] {
        w.showCallMenu(list->visualRect(list->model()->index(0, 0)).center());
        QStringList on;
        for (const char* name : {"mnuSendAsOriginal", "mnuSendAsOpus", "mnuSendAsMP3"})
            if (w.findChild<QAction*>(name)->isChecked()) on << name;
        w.findChild<QMenu*>("mnuPopup")->hide();
        return on;
    };
    EXPECT_EQ(checked(), QStringList{"mnuSendAsOpus"});  // the default
    EXPECT_EQ(w.findChild<QMenu*>("mnuSendAs")->title(), "Send as");

    w.findChild<QAction*>("mnuSendAsMP3")->trigger();
    EXPECT_EQ(checked(), QStringList{"mnuSendAsMP3"});
    for (const auto root :
         {parlaro::registry::Root::CurrentUser, parlaro::registry::Root::LocalMachine})
        EXPECT_EQ(f.at(root, "ShareFormat").value.dword, 2u);

    // Mailing now attaches MP3 copies; the recordings stay as they were.
    w.findChild<QAction*>("mnuPopupEmailCall")->trigger();
    EXPECT_TRUE(f.prompter.shown.empty());
    const QStringList args = fake.arguments();
    ASSERT_EQ(args.count("--attach"), 2);
    EXPECT_TRUE(args.last().endsWith("/20050314-080000-ann-10.mp3")) << args.last().toStdString();
    EXPECT_TRUE(QFileInfo::exists(args.last()));  // kept while the program runs
    EXPECT_EQ(testsupport::filesIn(f.calls).size(), 3u);
}
