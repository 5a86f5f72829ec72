#include <gtest/gtest.h>

#include "app/library/model/CallDeletion.h"
#include "app/library/playback/CallPlayback.h"
#include "tests/app/ControllerRig.h"

#include <QFile>

#include <filesystem>
#include <set>

using namespace parlaro;
using testsupport::ControllerRig;
namespace fs = std::filesystem;

namespace {

struct FakeList final : SelectedCallsView {
    CallCollection* calls = nullptr;
    int rows = 0;
    std::set<int> selected;
    std::vector<int> removed;
    QString noteBox = "a note";
    int fits = 0;
    int rowCount() const override { return rows; }
    bool isRowSelected(int row) const override { return selected.count(row) > 0; }
    void removeCall(int row) override {
        calls->Remove(row + 1);
        removed.push_back(row);
        --rows;
    }
    void setNoteBox(const QString& text) override { noteBox = text; }
    void FitCallColumns() override { ++fits; }
};

// Calls of anna and bob in a folder, every other one with a note, shown in the list.
struct Library {
    ControllerRig r;
    CallCollection calls;
    FakeList list;
    std::vector<QString> released;

    explicit Library(const std::vector<QString>& users) {
        int i = 0;
        for (const QString& user : users) {
            const QString name = QString("2026010%1-090000-%2-10.wav").arg(++i).arg(user);
            const QString path = QString::fromStdString(r.dir.file(name.toStdString()));
            write(path);
            if (i % 2 == 1) write(QString(path).replace(".wav", ".txt"));
            QString key = QString::number(i);
            calls.Add(i, user, "01-Jan-2026", "09:00:00", 10, "", path, -1, key);
        }
        list.rows = calls.Count();
        list.calls = &calls;
    }
    static void write(const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    void remove(const DeletePermissions& may) {
        DeleteCall(
            calls, list, may, [this](const QString& p) { released.push_back(p); }, r.prompter);
    }
    std::vector<QString> users() const {
        std::vector<QString> out;
        for (const CallRecord& c : calls)
            out.push_back(c.LoginName);
        return out;
    }
    // Recordings and notes left beside each other.
    std::size_t filesLeft() const {
        std::size_t n = 0;
        for (const auto& entry : fs::directory_iterator(r.dir.path())) {
            const auto ext = entry.path().extension();
            n += ext == ".wav" || ext == ".txt";
        }
        return n;
    }
};

DeletePermissions may(bool canDelete, bool ownOnly) {
    return {canDelete, ownOnly, "anna"};
}

}  // namespace

TEST(CallDeletion, WhoMayDeleteASelection) {
    const struct {
        bool canDelete, ownOnly;
        std::vector<QString> users;
        bool expected;
    } cases[] = {
        {false, false, {"anna"}, false},      {true, false, {"anna", "bob"}, true},
        {true, true, {"anna", "anna"}, true}, {true, true, {"anna", "bob"}, false},
        {true, true, {"Anna"}, false},  // names compare exactly
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CanDeleteSelection(c.users, may(c.canDelete, c.ownOnly)), c.expected)
            << c.canDelete << c.ownOnly << c.users.size();
    }
}

TEST(CallDeletion, SelectedCallsGoWithTheirNotesLastRowFirst) {
    Library lib({"anna", "bob", "anna", "bob"});
    const QString first = lib.calls.Item(1).RecordingLocation;
    const QString third = lib.calls.Item(3).RecordingLocation;
    ASSERT_EQ(lib.filesLeft(), 6u);
    lib.list.selected = {0, 2};
    lib.remove(may(true, false));

    EXPECT_EQ(lib.list.removed, (std::vector<int>{2, 0}));
    EXPECT_EQ(lib.released, (std::vector<QString>{third, first}));
    EXPECT_EQ(lib.users(), (std::vector<QString>{"bob", "bob"}));
    EXPECT_FALSE(QFile::exists(first));
    EXPECT_FALSE(QFile::exists(QString(first).replace(".wav", ".txt")));
    EXPECT_EQ(lib.filesLeft(), 2u);  // the two calls of bob, without notes
    EXPECT_EQ(lib.list.noteBox, "");
    EXPECT_EQ(lib.list.fits, 1);
    EXPECT_TRUE(lib.r.prompter.shown.empty());
}

TEST(CallDeletion, OwnCallsOnlyAndNoRightToDeleteSkipSilently) {
    Library lib({"anna", "bob", "anna"});
    lib.list.selected = {0, 1, 2};
    lib.remove(may(false, false));
    EXPECT_EQ(lib.calls.Count(), 3);
    EXPECT_EQ(lib.filesLeft(), 5u);

    lib.remove(may(true, true));
    EXPECT_EQ(lib.users(), std::vector<QString>{"bob"});
    EXPECT_EQ(lib.list.removed, (std::vector<int>{2, 0}));
    EXPECT_TRUE(lib.r.prompter.shown.empty());
}

TEST(CallDeletion, ARecordingThatCannotBeDeletedKeepsItsRowAndIsReported) {
    Library lib({"anna", "bob", "anna"});
    // A folder where the middle recording should be: it cannot be unlinked.
    const QString blocked = lib.calls.Item(2).RecordingLocation;
    QFile::remove(blocked);
    fs::create_directory(blocked.toStdString());
    fs::create_directory(blocked.toStdString() + "/inside");
    lib.list.selected = {0, 1, 2};
    lib.remove(may(true, false));

    EXPECT_EQ(lib.users(), std::vector<QString>{"bob"});
    EXPECT_EQ(lib.list.removed, (std::vector<int>{2, 0}));
    ASSERT_EQ(lib.r.prompter.shown.size(), 1u);
    EXPECT_TRUE(lib.r.prompter.shown[0].text.startsWith("The call " + blocked));
    // A recording already gone is no failure: the row just goes.
    QFile::remove(lib.calls.Item(1).RecordingLocation);
    fs::remove_all(blocked.toStdString());
    lib.list.selected = {0};
    lib.remove(may(true, false));
    EXPECT_EQ(lib.calls.Count(), 0);
    EXPECT_EQ(lib.r.prompter.shown.size(), 1u);
}

TEST(CallDeletion, DeletingTheCallBeingPlayedStopsPlaybackFirst) {
    Library lib({"anna", "bob"});
    testsupport::FakeRecorder player;
    player.total = 10;
    player.numSamples = 80000;
    struct : PlaybackView {
        void setSliderMaximum(int) override {}
        void setSliderValue(int) override {}
        int sliderValue() const override { return 0; }
        void setPositionText(const QString&) override {}
        void setPositionTimer(bool) override {}
        void showOpenCall(const QString&) override {}
    } view;
    lib.r.load();
    CallPlayback playback(player, lib.r.prompter, view, *lib.r.c);
    playback.PlayCall("#2#", lib.calls);
    ASSERT_TRUE(playback.playing());

    playback.releaseCall(lib.calls.Item(1).RecordingLocation);  // another call: plays on
    EXPECT_TRUE(playback.playing());
    player.calls.clear();
    lib.list.selected = {1};
    DeleteCall(
        lib.calls, lib.list, may(true, false),
        [&](const QString& p) {
            playback.releaseCall(p);
            // Stopped before the file goes.
            EXPECT_TRUE(QFile::exists(p));
        },
        lib.r.prompter);
    EXPECT_FALSE(playback.playing());
    ASSERT_GE(player.calls.size(), 2u);
    EXPECT_EQ(player.calls[0], "Stop");
    EXPECT_EQ(player.calls[1], "Reset");
    EXPECT_EQ(lib.calls.Count(), 1);
}
