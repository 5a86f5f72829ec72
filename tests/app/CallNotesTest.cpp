#include <gtest/gtest.h>

#include "app/library/model/CallNotes.h"
#include "core/calls/CallFiles.h"
#include "core/calls/CallsFolderAccess.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

using namespace parlaro;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

struct FakeList final : CallListView {
    int rows = 0;
    QString selected;
    QString noteBox = "stale";
    std::map<QString, QString> rowNotes;
    int rowCount() const override { return rows; }
    QString selectedKey() const override { return selected; }
    void setRowNote(const QString& key, const QString& note) override { rowNotes[key] = note; }
    void setNoteBox(const QString& text) override { noteBox = text; }
};

struct FakeEditor final : NoteEditor {
    std::optional<QString> answer;
    QString shown;
    std::optional<QString> edit(const QString& note) override {
        shown = note;
        return answer;
    }
};

struct Library {
    TempDir dir;
    CallCollection calls;
    FakeList list;
    QString wav = QString::fromStdString(dir.file("20050314-093015-ann-83.wav"));

    Library(const QString& note) {
        QString key = "1";
        calls.Add(1, "ann", "14-Mar-2005", "09:30:15", 83, note, wav, -1, key);
        list.rows = 1;
        list.selected = key;
    }
};

}  // namespace

TEST(CallNotes, TheNoteBoxShowsTheSelectedCallsNote) {
    const std::vector<std::tuple<QString, QString>> table = {
        {"", "(No Note)"},
        {"supplier", "supplier"},
        {"first line<CR>second line", "first line\nsecond line"},
        {"from a file  <CR> next", "from a file  \n next"},
    };
    for (const auto& [note, shown] : table) {
        Library lib(note);
        ShowSelectedNote(lib.list, lib.calls);
        EXPECT_EQ(lib.list.noteBox, shown);
    }
    Library empty("x");
    empty.list.rows = 0;
    ShowSelectedNote(empty.list, empty.calls);
    EXPECT_EQ(empty.list.noteBox, "");
    empty.list.rows = 1;
    empty.list.selected = "no key";
    ShowSelectedNote(empty.list, empty.calls);
    EXPECT_EQ(empty.list.noteBox, "");
}

TEST(CallNotes, AnEditedNoteIsStoredWithMarkedLineBreaksAndShown) {
    Library lib("old");
    FakeEditor editor;
    editor.answer = "call back\ntomorrow";
    EditCallNote("#1#", lib.calls, lib.list, editor);
    EXPECT_EQ(editor.shown, "old");
    EXPECT_EQ(readFile(lib.dir.file("20050314-093015-ann-83.txt")), "call back<CR>tomorrow");
    EXPECT_EQ(lib.calls.Item("#1#").CallNote, "call back\ntomorrow");
    EXPECT_EQ(lib.list.rowNotes["#1#"], "call back\ntomorrow");
    EXPECT_EQ(lib.list.noteBox, "call back\ntomorrow");
}

TEST(CallNotes, NothingIsWrittenForAnUnchangedCancelledOrUnwritableNote) {
    {
        Library lib("same");
        FakeEditor editor;
        editor.answer = "same";
        EditCallNote("#1#", lib.calls, lib.list, editor);
        EXPECT_FALSE(QFile::exists(QString(lib.wav).replace(".wav", ".txt")));
        editor.answer.reset();  // cancelled
        EditCallNote("#1#", lib.calls, lib.list, editor);
        EXPECT_FALSE(QFile::exists(QString(lib.wav).replace(".wav", ".txt")));
        EXPECT_TRUE(lib.list.rowNotes.empty());
    }
    {
        Library lib("kept");
        lib.calls.Item("#1#").RecordingLocation = "/nonexistent-folder/x.wav";
        FakeEditor editor;
        editor.answer = "new";
        EditCallNote("#1#", lib.calls, lib.list, editor);
        EXPECT_EQ(lib.calls.Item("#1#").CallNote, "kept");
        EXPECT_TRUE(lib.list.rowNotes.empty());
        EXPECT_EQ(lib.list.noteBox, "stale");
    }
}

// Notes are as private as the calls folder says, whatever the umask: the user's alone in their
// own folder; in a folder an administrator made for a group, the folder's group with the
// folder's group bits, and nothing for others.
TEST(CallNotes, ANoteIsReadableOnlyByWhomItsFolderSays) {
    struct Case {
        const char* what;
        uid_t owner;  // of the calls folder; -1: the user's own
        mode_t folderMode;
        mode_t noteMode;
    };
    const uid_t me = static_cast<uid_t>(-1);
    std::vector<Case> table = {{"own folder", me, 0755, 0600}};
    if (testsupport::runningAsRoot()) {
        table.push_back({"group folder", 4242, 02770, 0660});
        table.push_back({"group may read", 4242, 02750, 0640});
    }
    const testsupport::Umask open(0);
    for (const Case& c : table) {
        for (const bool edited : {false, true}) {
            for (const bool existed : {false, true}) {
                SCOPED_TRACE(std::string(c.what) + (edited ? ", edited" : ", written") +
                             (existed ? ", over an old note" : ""));
                Library lib("");
                ::chmod(lib.dir.path().c_str(), c.folderMode);
                if (c.owner != me) {
                    ASSERT_EQ(::chown(lib.dir.path().c_str(), c.owner, -1), 0);
                }
                const std::string note = lib.dir.file("20050314-093015-ann-83.txt");
                if (existed) {
                    writeFile(note, "old");
                    ::chmod(note.c_str(), 0666);
                }
                if (edited) {
                    FakeEditor editor;
                    editor.answer = "secret";
                    EditCallNote("#1#", lib.calls, lib.list, editor);
                } else {
                    CallRecord call;
                    call.RecordingLocation = "20050314-093015-ann-83.wav";
                    call.CallNote = "secret";
                    testsupport::ScriptedPrompter prompter;
                    WriteCallNote(call, QString::fromStdString(lib.dir.path()), prompter);
                }
                struct stat st {};
                ASSERT_EQ(::stat(note.c_str(), &st), 0);
                EXPECT_EQ(st.st_mode & 07777, c.noteMode);
                EXPECT_EQ(readFile(note), "secret");
            }
        }
    }
}

// Whose a folder is decides who may read what is filed in it.
TEST(CallsFolderAccess, FollowsTheFoldersOwnerGroupAndMode) {
    Identity ann;
    ann.user = 1000;
    ann.group = 1000;
    ann.groups = {1000, 50};
    const auto folder = [](uid_t owner, gid_t group, mode_t mode) {
        struct stat st {};
        st.st_uid = owner;
        st.st_gid = group;
        st.st_mode = S_IFDIR | mode;
        return st;
    };
    const struct {
        struct stat folder;
        mode_t file, made;
        std::optional<gid_t> group;
    } table[] = {
        {folder(1000, 1000, 0755), 0600, 0700, {}},      // her own folder
        {folder(1000, 1000, 0777), 0600, 0700, {}},      // her own, however open
        {folder(0, 50, 02770), 0660, 02770, 50},         // an administrator's, for group 50
        {folder(0, 50, 0750), 0640, 02750, 50},          // the group may only read
        {folder(0, 50, 0707), 0600, 02700, 50},          // nothing for the group, nor others
        {folder(1000, 50, 0775), 0660, 02770, 50},       // hers, given to a group she is in
        {folder(1000, 1000, 02750), 0640, 02750, 1000},  // hers, marked for her group
        {folder(0, 0, 01777), 0600, 0700, {}},           // /tmp: a group she is not in
        {folder(2000, 2000, 0777), 0600, 0700, {}},      // someone else's
        {folder(2000, 1000, 0770), 0660, 02770, 1000},   // someone else's, her group
    };
    for (const auto& c : table) {
        const auto access = AccessInFolder(c.folder, ann);
        EXPECT_EQ(access.fileMode, c.file) << std::oct << c.folder.st_mode;
        EXPECT_EQ(access.folderMode, c.made) << std::oct << c.folder.st_mode;
        EXPECT_EQ(access.group, c.group) << std::oct << c.folder.st_mode;
    }
}
