// The folder tree shows places, not the machine's insides, and keeps the user's place: a new
// folder is shown and made current, a deleted one gives way to its parent, and the current
// folder is where the next start opens.
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/library/model/Folders.h"
#include "app/library/ui/FolderPane.h"
#include "tests/app/SettingsFixture.h"
#include "tests/app/TestApplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QTreeView>

using namespace parlaro;

TEST(FolderTree, SystemFoldersAndPseudoFileSystemsAreLeftOut) {
    testsupport::TempDir dir;
    const QString table = QString::fromStdString(dir.file("mounts"));
    testsupport::writeFile(dir.file("mounts"),
                           "/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\n"
                           "tmpfs /tmp tmpfs rw 0 0\n/dev/sdb1 /home ext4 rw 0 0\n"
                           "cgroup /sys/fs/cgroup cgroup2 rw 0 0\n"
                           "/dev/sdc1 /run/media/ann/USB\\040STICK vfat rw 0 0\n"
                           "overlay /var/lib/docker/overlay2/x/merged overlay rw 0 0\n");
    const HiddenFolders hidden(table);
    const std::pair<const char*, bool> rows[] = {
        {"/", false},
        {"/proc", true},
        {"/sys", true},
        {"/sys/fs/cgroup", true},
        {"/dev", true},
        {"/run", true},
        {"/run/user/1000", true},
        {"/boot", true},
        {"/lost+found", true},
        {"/tmp", true},
        {"/home", false},
        {"/run/media/ann/USB STICK", false},
        {"/srv/calls", false},
        {"/var/lib/docker/overlay2/x/merged", true},
    };
    for (const auto& [path, hides] : rows)
        EXPECT_EQ(hidden.hides(path), hides) << path;

    const std::vector<Place> places{{"/", "/"}, {"Home", "/home/ann"}, {"USB", "/mnt/usb"}};
    const std::pair<const char*, const char*> in[] = {
        {"/home/ann/Calls", "/home/ann"}, {"/home/ann", "/home/ann"}, {"/home/annex/Calls", "/"},
        {"/mnt/usb/", "/mnt/usb"},        {"/srv/calls", "/"},
    };
    for (const auto& [path, place] : in)
        EXPECT_EQ(PlaceOf(places, path), place) << path;
}

namespace {

struct FixedClock : Clock {
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 9), QTime(9, 30, 15)); }
};

// Runs the event loop until `done` or five seconds.
template <class Done>
bool settle(Done done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

}  // namespace

TEST(FolderTree, StartsAtThePlaceLeavesOutTheSystemAndKeepsTheUsersPlace) {
    testsupport::SettingsFixture f;
    testsupport::TestApplication qt;
    FixedClock clock;
    StartupEnvironment env{QString::fromStdString(f.dir.file("prog")), true,
                           QString::fromStdString(f.dir.file("data")), "",
                           [] { return QByteArray("Ann"); }};
    MainWindow w(f.globals, f.reg, f.prompter, env, clock);
    w.Load();
    auto* pane = w.findChild<FolderPane*>();
    auto* tree = w.findChild<QTreeView*>("dirList");
    ASSERT_TRUE(pane && tree);
    auto* model = qobject_cast<QFileSystemModel*>(tree->model());
    const QString calls = w.settings().CallPath;
    EXPECT_EQ(pane->dirListPath(), calls);
    EXPECT_EQ(model->filePath(tree->rootIndex()), "/") << "the calls folder's place";

    // The root's system folders are hidden once the root has been read.
    const QModelIndex root = tree->rootIndex();
    ASSERT_TRUE(settle([&] { return model->rowCount(root) > 3; }));
    settle([&] { return tree->isRowHidden(model->index("/proc").row(), root); });
    for (const char* system : {"/proc", "/sys", "/dev"})
        EXPECT_TRUE(tree->isRowHidden(model->index(system).row(), root)) << system;
    EXPECT_FALSE(tree->isRowHidden(model->index("/usr").row(), root));
    const QString top = "/" + calls.section('/', 1, 1);
    EXPECT_FALSE(tree->isRowHidden(model->index(top).row(), root)) << "the way to the calls";

    // A new folder is shown, expanded to, and made the current folder.
    const QString made = calls + "2026";
    ASSERT_TRUE(QDir().mkpath(made));
    pane->showNewFolder(made);
    EXPECT_EQ(pane->dirListPath(), made + "/");
    EXPECT_EQ(w.settings().SearchPath, made + "/");
    auto* fresh = qobject_cast<QFileSystemModel*>(tree->model());
    EXPECT_TRUE(tree->isExpanded(fresh->index(calls.chopped(1))));

    // Deleting it goes to its parent, not to the top.
    pane->onDeleteFolder();
    EXPECT_FALSE(QDir(made).exists());
    EXPECT_EQ(pane->dirListPath(), calls);
    EXPECT_EQ(w.settings().SearchPath, calls);
}
