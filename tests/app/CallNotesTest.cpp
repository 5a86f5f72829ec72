#include <gtest/gtest.h>

#include "app/library/CallFiles.h"
#include "app/library/CallNotes.h"
#include "tests/support/TempDir.h"

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
