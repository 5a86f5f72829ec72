#include <gtest/gtest.h>

#include "app/library/model/CallListModel.h"
#include "app/library/model/Folders.h"
#include "app/library/playback/Waveform.h"
#include "core/support/AppError.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/app/TestApplication.h"
#include "tests/support/OpenCounter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cmath>

using namespace parlaro;
using testsupport::run;
using testsupport::TempDir;
using testsupport::writeFile;

TEST(Folders, ForbiddenNamesAndExistingFoldersAreRefused) {
    TempDir dir;
    const QString parent = QString::fromStdString(dir.path());
    QDir().mkdir(parent + "/March");
    const QString kForbidden = "A folder cannot contain any of the following characters:\r\n" +
                               QString(23, ' ') + "\\ / : * ? \" < > |";
    const std::vector<std::tuple<QString, bool, QString, QString>> table = {
        {"April", true, "", ""},
        {"say \"hi\"", false, "New Folder", kForbidden},
        {"a|b", false, "New Folder", kForbidden},
        {"a:b", false, "New Folder", kForbidden},
        {"a\\b", false, "New Folder", kForbidden},
        {"March", false, "March", "Folder already exists!"},
    };
    for (const auto& [name, made, title, text] : table) {
        testsupport::ScriptedPrompter prompter;
        EXPECT_EQ(MakeCallFolder(parent, name, prompter), made) << name.toStdString();
        if (made) {
            EXPECT_TRUE(QFileInfo(parent + "/" + name).isDir());
            EXPECT_TRUE(prompter.shown.empty());
        } else {
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].title, title);
            EXPECT_EQ(prompter.shown[0].text, text);
        }
    }
}

TEST(Folders, OnlyFoldersWithoutFilesOneLevelDownAreDeleted) {
    TempDir dir;
    const QString root = QString::fromStdString(dir.path());
    QDir().mkpath(root + "/empty/sub/deeper");
    QDir().mkpath(root + "/noted/sub");
    writeFile(dir.file("noted/sub/20050314-093015-ann-83.txt"), "note");
    QDir().mkpath(root + "/deep/sub/deeper");
    writeFile(dir.file("deep/sub/deeper/x.wav"), "");
    testsupport::ScriptedPrompter prompter;
    EXPECT_TRUE(DeleteCallFolder(root + "/empty", prompter));
    EXPECT_FALSE(QFileInfo::exists(root + "/empty"));
    EXPECT_FALSE(DeleteCallFolder(root + "/noted", prompter));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, root + "/noted");
    EXPECT_EQ(prompter.shown[0].text,
              "Folder or subfolder not empty - for safety please delete all calls in folder "
              "first");
    // Only one level down is looked at, as people were told.
    EXPECT_TRUE(DeleteCallFolder(root + "/deep", prompter));
    EXPECT_EQ(ExistingFolderAtOrAbove(root + "/deep/sub/deeper"), root);
}

TEST(Folders, PlacesAreTheRootHomeAndRealVolumes) {
    TempDir dir;
    writeFile(dir.file("mounts"),
              "proc /proc proc rw 0 0\n"
              "/dev/sda1 / ext4 rw 0 0\n"
              "/dev/sdb1 /media/ann/USB\\040STICK vfat rw 0 0\n"
              "//server/calls /mnt/calls cifs rw 0 0\n"
              "tmpfs /run/user/1000 tmpfs rw 0 0\n"
              "/dev/sda2 /boot/efi vfat rw 0 0\n"
              "server:/export /srv/nfs nfs4 rw 0 0\n"
              "overlay /var/lib/docker/overlay2/x overlay rw 0 0\n");
    const auto places = ListPlaces("/home/ann", QString::fromStdString(dir.file("mounts")));
    QStringList paths;
    for (const auto& p : places)
        paths << p.path;
    EXPECT_EQ(paths,
              (QStringList{"/", "/home/ann", "/media/ann/USB STICK", "/mnt/calls", "/srv/nfs"}));
}

TEST(CallListModel, RowsShowTheCollectionWithKeysAndDurations) {
    CallCollection calls;
    QString k1 = "1", k2 = "2";
    calls.Add(1, "ann", "07-Dec-2026", "14:03:22", 3725, "supplier<CR>invoice", "/c/a.wav", -1, k1);
    calls.Add(2, "bob", "08-Dec-2026", "09:00:00", 95, "", "/c/b.wav", -1, k2);
    CallListModel model(calls);
    ASSERT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 5);
    const auto text = [&](int row, int column) {
        return model.data(model.index(row, column), Qt::DisplayRole).toString();
    };
    EXPECT_EQ(text(0, 0), "ann");
    EXPECT_EQ(text(0, 1), "07-Dec-2026");
    EXPECT_EQ(text(0, 2), "14:03:22");
    EXPECT_EQ(text(0, 3), "01:02:05");
    EXPECT_EQ(text(0, 4), "supplier<CR>invoice");
    EXPECT_EQ(text(1, 3), "00:01:35");
    EXPECT_EQ(model.data(model.index(1, 0), CallListModel::KeyRole).toString(), "#2#");
    EXPECT_EQ(model.rowOf("#2#"), 1);
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "Duration");
}

TEST(CallListModel, NotesLeftForLaterAreReadWhenTheirRowsAreShownAndOnlyThen) {
    testsupport::TestApplication qt;
    TempDir dir;
    CallCollection calls;
    std::vector<std::string> notes;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = dir.file("20260101-" + std::to_string(100000 + i) + "-ann-5");
        writeFile(name + ".wav", "");
        notes.push_back("note " + std::to_string(i) + "\r\nline two");
        writeFile(name + ".txt", notes.back());
        CallRecord c;
        c.iCall = i + 1;
        c.LoginName = "ann";
        c.CallDate = QDate(2026, 1, 1);
        c.CallTime = QTime(10, 0, 0);
        c.RecordingLocation = QString::fromStdString(name + ".wav");
        c.noteDeferred = true;
        calls.adopt(c);
    }
    testsupport::OpenCounter opens(dir.path());
    CallListModel model(calls);
    const auto note = [&](int row) {
        return model.data(model.index(row, CallListModel::Note), Qt::DisplayRole).toString();
    };
    int changed = 0;
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++changed; });

    // A row shown for the first time shows no note yet, and its block of rows is read apart.
    EXPECT_EQ(note(500), "");
    ASSERT_TRUE(testsupport::waitFor(
        [&] {
            QCoreApplication::processEvents();
            return !model.readingNotes();
        },
        10000));
    EXPECT_GE(changed, 1);
    EXPECT_EQ(note(500), "note 500 <CR> line two");
    EXPECT_EQ(note(449), "note 449 <CR> line two");  // the same block of rows
    EXPECT_FALSE(calls.Item(501).noteDeferred);
    EXPECT_TRUE(calls.Item(1).noteDeferred);  // never shown: never read
    EXPECT_TRUE(calls.Item(1000).noteDeferred);
    const auto read = opens.take();
    EXPECT_EQ(read.size(), 64u);
    for (const auto& [name, count] : read)
        EXPECT_EQ(count, 1) << name;

    // A refill forgets what was being read for the old rows.
    EXPECT_EQ(note(0), "");
    model.beginRefill();
    calls.clear();
    model.endRefill();
    ASSERT_TRUE(testsupport::waitFor(
        [&] {
            QCoreApplication::processEvents();
            return !model.readingNotes();
        },
        10000));
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(CallCollection, ManyCallsAreAddedAndFoundQuickly) {
    CallCollection calls;
    for (int i = 1; i <= 100000; ++i) {
        QString key = QString::number(i);
        calls.Add(i, "ann", "07-Dec-2026", "14:03:22", i, "", "/c/x.wav", -1, key);
    }
    EXPECT_EQ(calls.Count(), 100000);
    EXPECT_EQ(calls.Item("#99999#").CallDuration, 99999);
    QString again = "5";
    EXPECT_THROW(calls.Add(5, "ann", "07-Dec-2026", "14:03:22", 1, "", "", -1, again), AppError);
}

TEST(Waveform, FollowsTheLoudnessOfTheCall) {
    TempDir dir;
    // One second of silence, one of a loud tone, one of a quiet tone; as PCM, GSM and MP3.
    ASSERT_EQ(run("sox", "-n -r 8000 -c 1 -b 16 " + dir.file("a.wav") +
                             " synth 1 sine 440 vol 0 : synth 1 sine 440 vol 0.8 : synth 1 sine "
                             "440 vol 0.1"),
              0);
    ASSERT_EQ(run("sox", dir.file("a.wav") + " -e gsm-full-rate " + dir.file("g.wav")), 0);
    // A dropped MP3 file too.
    ASSERT_EQ(run("lame", "--quiet -b 32 " + dir.file("a.wav") + " " + dir.file("m.mp3")), 0);
    for (const char* name : {"a.wav", "g.wav", "m.mp3"}) {
        const std::atomic<bool> stop{false};
        const auto wave = ComputeWaveform(QString::fromStdString(dir.file(name)), 0.1, stop);
        ASSERT_TRUE(wave) << name;
        ASSERT_GE(wave->peaks.size(), 29u) << name;
        EXPECT_LT(wave->peaks[5], 0.02F) << name;
        EXPECT_NEAR(wave->peaks[15], 0.8F, 0.1F) << name;
        EXPECT_NEAR(wave->peaks[25], 0.1F, 0.03F) << name;
    }
    writeFile(dir.file("bad.wav"), "not a recording");
    const std::atomic<bool> stop{false};
    EXPECT_FALSE(ComputeWaveform(QString::fromStdString(dir.file("bad.wav")), 0.1, stop));
    const std::atomic<bool> stopped{true};
    EXPECT_FALSE(ComputeWaveform(QString::fromStdString(dir.file("a.wav")), 0.1, stopped));
}
