#include <gtest/gtest.h>

#include "core/calls/CallFiles.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>

#include <filesystem>

using namespace parlaro;
using testsupport::ScriptedPrompter;
using testsupport::TempDir;

TEST(CallFiles, NamesThatAreCallsGiveTheirFields) {
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path()) + "/";
    ScriptedPrompter p;
    const auto call = CallFromFileName(folder, "20261207-140322-anna-95.wav", p);
    ASSERT_TRUE(call);
    EXPECT_EQ(call->LoginName, "anna");
    EXPECT_EQ(call->CallDate, "07-Dec-2026");
    EXPECT_EQ(call->CallTime, "14:03:22");
    EXPECT_EQ(call->CallDuration, 95);
    EXPECT_EQ(call->RecordingLocation, folder + "20261207-140322-anna-95.wav");
    EXPECT_EQ(call->CallNote, "");
    // A folder given without its "/" still yields the full path.
    EXPECT_EQ(
        CallFromFileName(folder.chopped(1), "20261207-140322-anna-95.wav", p)->RecordingLocation,
        call->RecordingLocation);

    CallCollection calls;
    const CallRecord& added = AddFoundCall(calls, *call);
    EXPECT_EQ(added.CallDate, QDate(2026, 12, 7));
    EXPECT_EQ(added.CallTime, QTime(14, 3, 22));
    EXPECT_TRUE(p.shown.empty());
}

TEST(CallFiles, NamesThatAreNotCallsAreSkipped) {
    ScriptedPrompter p;
    for (const char* name : {
             "2026ab07-140322-anna-95.wav",  // letters for the month
             "20261307-140322-anna-95.wav",  // month 13
             "20260231-140322-anna-95.wav",  // 31 February
             "20261207-140322-anna.wav",     // still being recorded: no length
             "20261207-1403xx-anna-95.wav",  // no time
             "20261207-140322-anna-abc.wav",
             "notes.wav",
             ".wav",
             "",
         }) {
        EXPECT_FALSE(CallFromFileName("/calls/", name, p)) << name;
    }
    EXPECT_TRUE(p.shown.empty());
}

TEST(CallFiles, NotesReadInBothLineBreakFormsAndBesideTheRecording) {
    TempDir dir;
    // A folder whose own name holds ".wav": the note is still the one beside the recording.
    const std::string folder = dir.file("old.wav.calls");
    std::filesystem::create_directories(folder);
    const QString base = QString::fromStdString(folder) + "/";
    testsupport::writeFile(folder + "/20260101-090000-ann-10.txt", "first\r\nsecond");
    testsupport::writeFile(folder + "/20260101-100000-ann-10.txt", "first<CR>second");
    testsupport::writeFile(folder + "/20260101-110000-ann-10.txt", "");
    ScriptedPrompter p;
    EXPECT_EQ(getCallNote(base + "20260101-090000-ann-10.wav", p), "first <CR> second");
    EXPECT_EQ(getCallNote(base + "20260101-100000-ann-10.wav", p), "first<CR>second");
    EXPECT_EQ(getCallNote(base + "20260101-110000-ann-10.wav", p), "");
    EXPECT_EQ(getCallNote(base + "20260101-120000-ann-10.wav", p), "");
    EXPECT_EQ(NotePath("/a.wav/b.wav.wav"), "/a.wav/b.txt.txt");
    EXPECT_TRUE(p.shown.empty());
}

TEST(CallFiles, ANoteTheUserMayNotReadSaysSo) {
    TempDir dir;
    testsupport::writeFile(dir.file("20260101-090000-ann-10.txt"), "private");
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(dir.file("20260101-090000-ann-10.txt").c_str(), 0600);
    if (!testsupport::runningAsRoot()) ::chmod(dir.file("20260101-090000-ann-10.txt").c_str(), 0);
    const int status = testsupport::runUnprivileged([&] {
        ScriptedPrompter p;
        const QString note =
            getCallNote(QString::fromStdString(dir.file("20260101-090000-ann-10.wav")), p);
        return note == "<denied access to note file>" && p.shown.empty() ? 0 : 1;
    });
    EXPECT_EQ(status, 0);

    // Anything else that goes wrong is told, and the call has no note.
    std::filesystem::create_directories(dir.file("20260101-100000-ann-10.txt"));
    ScriptedPrompter p;
    EXPECT_EQ(getCallNote(QString::fromStdString(dir.file("20260101-100000-ann-10.wav")), p), "");
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_TRUE(p.shown[0].text.startsWith("Error occurred: 75, "));
    EXPECT_TRUE(p.shown[0].text.endsWith(", frmMain:getCallNote Method"));
}

TEST(CallFiles, TheNewCallsNoteIsWrittenIntoTheCallsFolderAsTyped) {
    TempDir dir;
    const QString callPath = QString::fromStdString(dir.path()) + "/";
    CallRecord call;
    call.RecordingLocation = "20260101-090000-ann-10.wav";
    call.CallNote = "Mr Smith\r\nwants a quote ";
    ScriptedPrompter p;
    WriteCallNote(call, callPath, p);
    EXPECT_EQ(testsupport::readFile(dir.file("20260101-090000-ann-10.txt")),
              "Mr Smith\r\nwants a quote ");
    EXPECT_EQ(getCallNote(callPath + call.RecordingLocation, p), "Mr Smith <CR> wants a quote ");

    call.CallNote = "shorter";
    WriteCallNote(call, callPath.chopped(1), p);  // a calls folder without its "/"
    EXPECT_EQ(testsupport::readFile(dir.file("20260101-090000-ann-10.txt")), "shorter");
    EXPECT_TRUE(p.shown.empty());

    WriteCallNote(call, callPath + "missing/", p);
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].text, "Error occurred: 76, Path not found, frmMain:WriteCallNote Method");
    EXPECT_EQ(p.shown[0].icon, Icon::Exclamation);
}

TEST(CallFiles, OddThingsInANotesPlaceAreReadSafely) {
    TempDir dir;
    const QString wav = QString::fromStdString(dir.file("20261207-140322-anna-95.wav"));
    ScriptedPrompter p;
    // A pipe named like a note must not hold the list up.
    ASSERT_EQ(::mkfifo(dir.file("20261207-140322-anna-95.txt").c_str(), 0600), 0);
    EXPECT_EQ(getCallNote(wav, p), "");
    std::filesystem::remove(dir.file("20261207-140322-anna-95.txt"));
    // A huge note is read as far as its first 64 KiB.
    testsupport::writeFile(dir.file("20261207-140322-anna-95.txt"), std::string(1 << 20, 'x'));
    EXPECT_EQ(getCallNote(wav, p).size(), 64 * 1024);
    // Bytes that are not UTF-8 come through as replacement characters, not as a failure.
    testsupport::writeFile(dir.file("20261207-140322-anna-95.txt"), "caf\xe9\xff ok");
    EXPECT_TRUE(getCallNote(wav, p).endsWith(" ok"));
    EXPECT_TRUE(p.shown.empty());
}
