#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "tests/app/FakeXdgEmail.h"
#include "tests/app/SettingsFixture.h"
#include "tests/app/TestApplication.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>

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
        f.userSets("CanPlay", registry::RegistryValue::number(canPlay ? 1 : 0));
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
