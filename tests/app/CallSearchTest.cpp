#include <gtest/gtest.h>

#include "core/calls/CallFiles.h"
#include "core/search/CallSearch.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/support/OpenCounter.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>

using namespace parlaro;
using testsupport::ScriptedPrompter;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

struct Rig {
    TempDir dir;
    ScriptedPrompter prompter;
    SearchScope scope;
    std::vector<CallRecord> calls;
    bool failed = false;

    Rig() {
        scope.SearchPath = QString::fromStdString(dir.path());
        scope.userName = "anna";
    }

    // A recording (empty: the name says it all) and, when given, its note.
    void call(const std::string& path, const std::string& note = {}) const {
        fs::create_directories(fs::path(dir.file(path)).parent_path());
        testsupport::writeFile(dir.file(path), "");
        if (note.empty()) return;
        std::string notePath = dir.file(path);
        notePath.replace(notePath.size() - 4, 4, ".txt");
        testsupport::writeFile(notePath, note);
    }

    // The calls found, as paths below the folder, in list order.
    std::vector<std::string> find(const SearchCriteria& criteria = {}) {
        CallSearch search(scope, prompter);
        search.FindCalls(criteria);
        failed = search.failed();
        calls = search.takeCalls();
        std::vector<std::string> found;
        for (const CallRecord& c : calls)
            found.push_back(c.RecordingLocation.mid(scope.SearchPath.size() + 1).toStdString());
        return found;
    }
};

using Names = std::vector<std::string>;

// The i-th second after 10:00:00 as "hhmmss".
std::string timeOfDay(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "10%02d%02d", i / 60 % 60, i % 60);
    return text;
}

SearchCriteria forDays(const char* start, const char* end) {
    SearchCriteria c;
    c.StartDate = start;
    c.EndDate = end;
    return c;
}

}  // namespace

TEST(CallSearch, AFolderListsItsCallsNewestFirstNumberedInListOrder) {
    Rig rig;
    rig.call("20260301-090000-bob-61.wav", "Mr Smith\r\nwants a quote");
    rig.call("20260302-101500-anna-5.wav");
    rig.call("20260301-170000-anna-3725.wav", "first<CR>second");
    testsupport::writeFile(rig.dir.file("20260303-080000-anna-9.txt"), "a note without a call");
    testsupport::writeFile(rig.dir.file("20260303-080000-anna.wav"), "");  // still recording
    testsupport::writeFile(rig.dir.file("readme.txt"), "");
    fs::create_directories(rig.dir.file("20260304-080000-anna-9.wav"));  // a folder, not a call

    EXPECT_EQ(rig.find(), (Names{"20260302-101500-anna-5.wav", "20260301-170000-anna-3725.wav",
                                 "20260301-090000-bob-61.wav"}));
    ASSERT_EQ(rig.calls.size(), 3u);
    const CallRecord& c = rig.calls[2];
    EXPECT_EQ(c.iCall, 3);
    EXPECT_EQ(c.LoginName, "bob");
    EXPECT_EQ(c.CallDate, QDate(2026, 3, 1));
    EXPECT_EQ(c.CallTime, QTime(9, 0, 0));
    EXPECT_EQ(c.CallDuration, 61);
    EXPECT_EQ(c.CallNote, "Mr Smith <CR> wants a quote");
    EXPECT_EQ(c.RecordingLocation, rig.scope.SearchPath + "/20260301-090000-bob-61.wav");
    EXPECT_EQ(rig.calls[0].iCall, 1);
    EXPECT_EQ(rig.calls[0].CallNote, "");
    EXPECT_EQ(rig.calls[1].CallNote, "first<CR>second");
    EXPECT_TRUE(rig.prompter.shown.empty());
    EXPECT_FALSE(rig.failed);

    // A folder given with its "/" is the same folder; a new search forgets the last.
    rig.scope.SearchPath += "/";
    CallSearch search(rig.scope, rig.prompter);
    EXPECT_EQ(search.FindCalls(forDays("20260302", "20260302")), 1);
    EXPECT_EQ(search.FindCalls({}), 3);
    EXPECT_EQ(search.calls()[2].RecordingLocation,
              rig.scope.SearchPath + "20260301-090000-bob-61.wav");
}

TEST(CallSearch, DateSearchesKeepExactlyTheirDays) {
    Rig rig;
    for (const char* day : {"20250303", "20260227", "20260228", "20260301", "20260302", "20260303",
                            "20260304", "20270301"}) {
        rig.call(std::string(day) + "-120000-anna-30.wav");
    }
    struct Case {
        const char *start, *end;
        Names days;
    };
    for (const Case& t : {
             Case{"20260228", "20260303", {"20260303", "20260302", "20260301", "20260228"}},
             Case{"20260303", "20260303", {"20260303"}},
             Case{"20260301", "20260331", {"20260304", "20260303", "20260302", "20260301"}},
             Case{"20251231", "20260301", {"20260301", "20260228", "20260227"}},
             Case{"20260304", "*", {"20270301", "20260304"}},  // a from-date alone: no end
             Case{"*",
                  "20260227",
                  {"20270301", "20260304", "20260303", "20260302", "20260301", "20260228",
                   "20260227", "20250303"}},  // no from: no limit
         }) {
        Names days;
        for (const std::string& name : rig.find(forDays(t.start, t.end)))
            days.push_back(name.substr(0, 8));
        EXPECT_EQ(days, t.days) << t.start << "-" << t.end;
    }
    EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(CallSearch, NoteWordsKeepOnlyCallsWhoseNotesHoldThemAll) {
    Rig rig;
    rig.call("20260101-090000-anna-10.wav", "Paid the INVOICE");
    rig.call("20260101-100000-anna-10.wav", "invoice sent");
    rig.call("20260101-110000-anna-10.wav");
    rig.call("20260101-120000-anna-10.wav", "paid\r\nInvoice 7");
    struct Case {
        const char* note;
        Names found;
    };
    const Names all{"20260101-120000-anna-10.wav", "20260101-110000-anna-10.wav",
                    "20260101-100000-anna-10.wav", "20260101-090000-anna-10.wav"};
    for (const Case& t : {
             Case{"invoice*paid", {"20260101-120000-anna-10.wav", "20260101-090000-anna-10.wav"}},
             Case{"INVOICE", {all[0], all[2], all[3]}},
             Case{"*", all},
             Case{"", all},
             Case{"refund", {}},
         }) {
        SearchCriteria c;
        c.Note = t.note;
        EXPECT_EQ(rig.find(c), t.found) << t.note;
    }
    // The list still shows each kept call's whole note.
    SearchCriteria c;
    c.Note = "invoice*paid";
    rig.find(c);
    EXPECT_EQ(rig.calls[0].CallNote, "paid <CR> Invoice 7");
}

TEST(CallSearch, WhoeverMayPlayOnlyTheirOwnCallsListsOnlyThose) {
    Rig rig;
    rig.call("20260101-090000-anna-10.wav");
    rig.call("20260101-100000-bob-10.wav");
    rig.call("20260101-110000-joanna-10.wav");
    struct Case {
        bool canPlay, ownOnly;
        const char* user;
        Names found;
    };
    for (const Case& t : {
             Case{true, false, "*bob*", {"20260101-100000-bob-10.wav"}},
             Case{true,
                  false,
                  "*ANNA*",
                  {"20260101-110000-joanna-10.wav", "20260101-090000-anna-10.wav"}},
             Case{true, true, "*bob*", {"20260101-090000-anna-10.wav"}},
             Case{true, true, "*", {"20260101-090000-anna-10.wav"}},  // not joanna
             Case{false, true, "*bob*", {"20260101-100000-bob-10.wav"}},
         }) {
        rig.scope.CanPlay = t.canPlay;
        rig.scope.PlayOwnOnly = t.ownOnly;
        SearchCriteria c;
        c.User = t.user;
        EXPECT_EQ(rig.find(c), t.found) << t.canPlay << t.ownOnly << t.user;
    }
}

TEST(CallSearch, CallLengthsCanBeLimitedAtEitherEnd) {
    Rig rig;
    int minute = 10;
    for (const char* seconds : {"5", "10", "60", "61", "3600"})
        rig.call("20260101-09" + std::to_string(minute++) + "00-anna-" + seconds + ".wav");
    struct Case {
        std::optional<int32_t> min, max;
        std::vector<int32_t> lengths;
    };
    for (const Case& t : {
             Case{{}, {}, {3600, 61, 60, 10, 5}},
             Case{10, 60, {60, 10}},
             Case{61, {}, {3600, 61}},
             Case{{}, 9, {5}},
             Case{11, 59, {}},
         }) {
        SearchCriteria c;
        c.MinSeconds = t.min;
        c.MaxSeconds = t.max;
        rig.find(c);
        std::vector<int32_t> lengths;
        for (const CallRecord& call : rig.calls)
            lengths.push_back(call.CallDuration);
        EXPECT_EQ(lengths, t.lengths) << t.min.value_or(-1) << "-" << t.max.value_or(-1);
    }
}

TEST(CallSearch, NamesThatAreNotCallsAreSkippedAndOddOnesReadAsEverywhere) {
    Rig rig;
    const Names names{
        "20261207-140322-anna-95.wav",  "20261207-140323-anna-95-copy.wav",
        "20261207-140324-anna-095.wav", "20261207-140325-anna-1234567890.wav",
        "2026127-140326-anna-95.wav",   "2026ab07-140322-anna-95.wav",
        "20261307-140322-anna-95.wav",  "20260231-140322-anna-95.wav",
        "20261207-1403xx-anna-95.wav",  "20261207-140322-anna-abc.wav",
        "20261207-140322-anna-.wav",    "x-y-z-w.wav",
        "20261207-140327-anna-12.WAV",
    };
    for (const std::string& n : names)
        rig.call(n);
    const Names found = rig.find();
    // Exactly the names CallFromFileName reads as calls, with the same fields.
    ScriptedPrompter p;
    std::size_t expected = 0;
    for (const std::string& n : names) {
        const auto fields = CallFromFileName(rig.scope.SearchPath, QString::fromStdString(n), p);
        const auto it = std::find(found.begin(), found.end(), n);
        EXPECT_EQ(fields.has_value(), it != found.end()) << n;
        if (!fields || it == found.end()) continue;
        ++expected;
        const CallRecord& c = rig.calls[static_cast<std::size_t>(it - found.begin())];
        EXPECT_EQ(c.LoginName, fields->LoginName) << n;
        EXPECT_EQ(c.CallDate, callDateFromText(fields->CallDate)) << n;
        EXPECT_EQ(c.CallTime, callTimeFromText(fields->CallTime)) << n;
        EXPECT_EQ(c.CallDuration, fields->CallDuration) << n;
    }
    EXPECT_EQ(found.size(), expected);
    EXPECT_GE(found.size(), 4u);  // the first three and the capital extension at least
    EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(CallSearch, SubfoldersFollowTheTopFolderEachInListingOrderAndNewestFirst) {
    Rig rig;
    rig.scope.subfolders = true;
    rig.call("20260101-090000-anna-10.wav");
    rig.call("20260102-090000-anna-10.wav");
    for (const char* sub : {"b", "a", "c"}) {
        rig.call(std::string(sub) + "/20260101-080000-anna-10.wav");
        rig.call(std::string(sub) + "/20260103-080000-anna-10.wav");
    }
    rig.call("a/deeper/20260105-080000-anna-10.wav");
    fs::create_directories(rig.dir.file("empty"));

    Names expected{"20260102-090000-anna-10.wav", "20260101-090000-anna-10.wav"};
    for (const auto& e : fs::directory_iterator(rig.dir.path())) {  // the file system's order
        if (!e.is_directory() || e.path().filename() == "empty") continue;
        const std::string sub = e.path().filename();
        expected.push_back(sub + "/20260103-080000-anna-10.wav");
        expected.push_back(sub + "/20260101-080000-anna-10.wav");
        if (sub == "a") expected.push_back("a/deeper/20260105-080000-anna-10.wav");
    }
    EXPECT_EQ(rig.find(), expected);

    rig.scope.subfolders = false;
    EXPECT_EQ(rig.find(), Names(expected.begin(), expected.begin() + 2));
}

TEST(CallSearch, LinkedFoldersAreSearchedOnceAndLoopsEnd) {
    Rig rig;
    rig.scope.subfolders = true;
    rig.call("20260101-090000-anna-10.wav");
    rig.call("sub/20260102-090000-anna-10.wav");
    fs::create_directory_symlink(rig.dir.path(), rig.dir.file("sub/loop"));
    fs::create_directory_symlink(rig.dir.file("sub"), rig.dir.file("again"));
    fs::create_directory_symlink(rig.dir.file("gone"), rig.dir.file("dangling"));
    fs::create_symlink(rig.dir.file("20260101-090000-anna-10.wav"),
                       rig.dir.file("20260103-090000-anna-10.wav"));  // a link to a file

    const Names found = rig.find();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0], "20260103-090000-anna-10.wav");
    EXPECT_EQ(found[1], "20260101-090000-anna-10.wav");
    EXPECT_TRUE(found[2] == "sub/20260102-090000-anna-10.wav" ||
                found[2] == "again/20260102-090000-anna-10.wav")
        << found[2];
    EXPECT_FALSE(rig.failed);
    EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(CallSearch, FoldersOfMoreThan200CallsAskFirst) {
    Rig rig;
    for (int i = 0; i < 201; ++i) {
        rig.call("20260101-" + timeOfDay(i) + "-anna-10.wav");
    }
    rig.call("20250101-090000-bob-10.wav");  // not in the pattern below: not counted
    SearchCriteria c;
    c.StartDate = c.EndDate = "20260101";

    rig.prompter.answers = {Answer::Cancel};
    EXPECT_TRUE(rig.find(c).empty());
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    const Message& asked = rig.prompter.shown[0];
    EXPECT_EQ(asked.text,
              "Query returned 201 calls.  This may take some time to display.\r\n"
              "Click OK to continue or Cancel to refine your search");
    EXPECT_EQ(asked.buttons, Buttons::OkCancel);

    rig.prompter.answers = {Answer::Ok};
    EXPECT_EQ(rig.find(c).size(), 201u);
    EXPECT_EQ(rig.find(c).front(), "20260101-" + timeOfDay(200) + "-anna-10.wav");

    // Exactly 200 ask nothing; neither does a search that is told to ask nobody.
    fs::remove(rig.dir.file("20260101-" + timeOfDay(0) + "-anna-10.wav"));
    rig.prompter.shown.clear();
    EXPECT_EQ(rig.find(c).size(), 200u);
    rig.call("20260101-" + timeOfDay(0) + "-anna-10.wav");
    rig.scope.askAboutLargeFolders = false;
    EXPECT_EQ(rig.find(c).size(), 201u);
    EXPECT_TRUE(rig.prompter.shown.empty());

    // Below the search path each folder asks for itself; a cancelled one is left out.
    rig.scope.askAboutLargeFolders = true;
    rig.scope.subfolders = true;
    rig.call("sub/20260101-090000-anna-10.wav");
    rig.prompter.answers = {Answer::Cancel};
    EXPECT_EQ(rig.find(c), Names{"sub/20260101-090000-anna-10.wav"});
}

namespace {

// Answers every box with its default and, at the first, runs an action: a way to change the
// folders while a search is under way.
class MeddlingPrompter final : public Prompter {
  public:
    explicit MeddlingPrompter(std::function<void()> action) : action_(std::move(action)) {}
    Answer show(const Message& message) override {
        shown.push_back(message);
        if (action_) std::exchange(action_, nullptr)();
        return message.defaultAnswer();
    }
    std::vector<Message> shown;

  private:
    std::function<void()> action_;
};

}  // namespace

TEST(CallSearch, ASearchPathThatIsNotThereEndsTheSearchNamingIt) {
    Rig rig;
    rig.call("20260101-090000-anna-10.wav");
    const QString message = "An error occured in: frmMain:FindCalls. The error reported was: ";
    for (const std::string& missing :
         {rig.dir.file("nowhere"), rig.dir.file("20260101-090000-anna-10.wav")}) {
        rig.scope.SearchPath = QString::fromStdString(missing);
        rig.prompter.shown.clear();
        EXPECT_TRUE(rig.find().empty());
        EXPECT_TRUE(rig.failed);
        ASSERT_EQ(rig.prompter.shown.size(), 1u) << missing;
        EXPECT_EQ(rig.prompter.shown[0].text,
                  message + "76, Path not found: " + QString::fromStdString(missing) + "/");
        EXPECT_EQ(rig.prompter.shown[0].icon, Icon::Exclamation);
    }
}

TEST(CallSearch, AFolderThatVanishesDuringTheSearchIsPassedOverSilently) {
    Rig rig;
    // The top folder's question comes after it was listed, before any folder below it is
    // opened: the second of three subfolders in listing order goes then.
    for (int i = 0; i < 201; ++i)
        rig.call("top/20260102-" + timeOfDay(i) + "-anna-10.wav");
    for (const char* sub : {"a", "b", "c"})
        rig.call(std::string("top/") + sub + "/20260103-090000-anna-10.wav");
    const std::string top = rig.dir.file("top");
    std::string removed;
    MeddlingPrompter meddler([&] {
        std::vector<std::string> subs;
        for (const auto& e : fs::directory_iterator(top))
            if (e.is_directory()) subs.push_back(e.path());
        removed = subs.at(1);
        fs::remove_all(removed);
    });
    SearchScope scope = rig.scope;
    scope.SearchPath = QString::fromStdString(top);
    scope.subfolders = true;
    CallSearch search(scope, meddler);
    EXPECT_EQ(search.FindCalls({}), 203);  // every call that is still there
    EXPECT_TRUE(search.skipped().empty());
    ASSERT_EQ(meddler.shown.size(), 1u);  // the question, nothing more
    // Calls may have gone with it (a folder renamed after the folder above it was read is
    // found under neither name), so the search does not count as whole.
    EXPECT_TRUE(search.failed());
    for (const CallRecord& c : search.calls())
        EXPECT_FALSE(c.RecordingLocation.startsWith(QString::fromStdString(removed)));
}

TEST(CallSearch, FoldersTheUserMayNotReadAreNamedAndTheOthersSearched) {
    TempDir dir;
    const std::string calls = dir.file("calls");
    for (const char* sub : {"", "a/", "lost+found/", "b/", "c/", "c/deeper/", "private/"}) {
        fs::create_directories(calls + "/" + sub);
        testsupport::writeFile(calls + "/" + sub + "20260101-090000-anna-10.wav", "");
    }
    testsupport::handToUser(dir.path());
    ::chmod((calls + "/lost+found").c_str(), 0);
    ::chmod((calls + "/private").c_str(), 0300);  // may be entered, not listed
    const int status = testsupport::runUnprivileged([&] {
        ScriptedPrompter p;
        SearchScope scope;
        scope.SearchPath = QString::fromStdString(calls);
        scope.subfolders = true;
        CallSearch search(scope, p);
        int bad = 0;
        if (search.FindCalls({}) != 5) bad |= 1;  // the top, a, b, c and c/deeper
        if (!search.failed() || search.skipped().size() != 2) bad |= 2;
        // One message for the window, naming each folder and why.
        if (p.shown.size() != 1) return bad | 4;
        const QString& text = p.shown[0].text;
        const QString q = QString::fromStdString(calls);
        if (!text.startsWith("These folders could not be read, so their calls are not listed:"))
            bad |= 8;
        for (const QString& name :
             {q + "/lost+found/ (70, Permission denied)", q + "/private/ (70, Permission denied)"})
            if (!text.contains(name)) bad |= 16;
        // One folder alone is told in a sentence; a command line is told nothing.
        ::chmod((calls + "/private").c_str(), 0755);
        p.shown.clear();
        if (search.FindCalls({}) != 6 || search.skipped().size() != 1) bad |= 32;
        if (p.shown.size() != 1 ||
            p.shown[0].text != "The folder " + q +
                                   "/lost+found/ could not be read (70, "
                                   "Permission denied). Its calls are not listed.")
            bad |= 64;
        scope.tellSkippedFolders = false;
        CallSearch quiet(scope, p);
        p.shown.clear();
        if (quiet.FindCalls({}) != 6 || !quiet.failed() || !p.shown.empty()) bad |= 128;
        return bad;
    });
    ::chmod((calls + "/lost+found").c_str(), 0755);
    ::chmod((calls + "/private").c_str(), 0755);
    EXPECT_EQ(status, 0);
}

TEST(CallSearch, NamesThatAreNotUtf8AreSearchedAndKeptAsSpelt) {
    Rig rig;
    rig.scope.subfolders = true;
    const std::string latin1Folder = "\xe9t\xe9";  // "été" in ISO 8859-1
    rig.call(latin1Folder + "/20260101-090000-anna-10.wav", "in a folder of old");
    rig.call("20260102-090000-b\xf6rje-10.wav", "an old name");
    const Names found = rig.find();
    ASSERT_EQ(found.size(), 2u);
    const std::string top = rig.dir.path() + "/";
    EXPECT_EQ(rig.calls[0].recordingBytes.toStdString(), top + "20260102-090000-b\xf6rje-10.wav");
    EXPECT_EQ(rig.calls[0].LoginName, QString::fromUtf8("b\xef\xbf\xbdrje"));
    EXPECT_EQ(rig.calls[0].CallNote, "an old name");
    EXPECT_EQ(rig.calls[1].recordingBytes.toStdString(),
              top + latin1Folder + "/20260101-090000-anna-10.wav");
    EXPECT_EQ(rig.calls[1].CallNote, "in a folder of old");
    EXPECT_FALSE(rig.failed);
    // Names that are UTF-8 carry no second spelling.
    rig.call("20260103-090000-j\xc3\xb6rg-10.wav");
    rig.find();
    EXPECT_EQ(rig.calls[0].LoginName, QString::fromUtf8("j\xc3\xb6rg"));
    EXPECT_TRUE(rig.calls[0].recordingBytes.isEmpty());
}

namespace {

// Makes `levels` folders of long names below `top`, each opened from the one above it, so
// that the last is further from the root than a path may be long; returns their names.
std::vector<std::string> deepFolders(const std::string& top, int levels) {
    std::vector<std::string> names;
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < levels; ++i) {
        names.push_back(std::string(200, char('a' + i % 26)));
        ::mkdirat(fd, names.back().c_str(), 0755);
        const int next = ::openat(fd, names.back().c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    for (const char* name : {"20260101-090000-anna-10.wav", "20260101-090000-anna-10.txt"}) {
        const int f = ::openat(fd, name, O_WRONLY | O_CREAT, 0644);
        if (name[24] == 't') (void)!::write(f, "deep down", 9);
        ::close(f);
    }
    ::close(fd);
    return names;
}

void removeDeepFolders(const std::string& top, const std::vector<std::string>& names) {
    std::vector<int> fds{::open(top.c_str(), O_RDONLY | O_DIRECTORY)};
    for (const std::string& n : names)
        fds.push_back(::openat(fds.back(), n.c_str(), O_RDONLY | O_DIRECTORY));
    ::unlinkat(fds.back(), "20260101-090000-anna-10.wav", 0);
    ::unlinkat(fds.back(), "20260101-090000-anna-10.txt", 0);
    for (std::size_t i = names.size(); i > 0; --i) {
        ::close(fds[i]);
        ::unlinkat(fds[i - 1], names[i - 1].c_str(), AT_REMOVEDIR);
    }
    ::close(fds[0]);
}

}  // namespace

TEST(CallSearch, FoldersAndNotesAreOpenedFromTheirFolderNotByTheirPath) {
    // 30 folders of 200 characters: 6 000 bytes of path, beyond what a path may be.
    Rig rig;
    rig.scope.subfolders = true;
    const auto names = deepFolders(rig.dir.path(), 30);
    SearchCriteria c;
    c.Note = "deep";
    rig.find(c);
    removeDeepFolders(rig.dir.path(), names);
    ASSERT_EQ(rig.calls.size(), 1u);
    EXPECT_EQ(rig.calls[0].CallNote, "deep down");
    EXPECT_GT(rig.calls[0].RecordingLocation.size(), 6000);
    EXPECT_FALSE(rig.failed);
    EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(CallSearch, EachNoteIsOpenedOnceAndOnlyWhenWanted) {
    Rig rig;
    rig.call("20260101-090000-anna-10.wav", "invoice paid");
    rig.call("20260101-100000-anna-10.wav", "invoice sent");
    rig.call("20260101-110000-anna-10.wav", "call back");
    rig.call("20260101-120000-anna-10.wav");
    testsupport::OpenCounter opens(rig.dir.path());
    using Opens = std::map<std::string, int>;
    const Opens everyNote{{"20260101-090000-anna-10.txt", 1},
                          {"20260101-100000-anna-10.txt", 1},
                          {"20260101-110000-anna-10.txt", 1}};

    // A note search reads every note once and keeps the text it read for the list.
    SearchCriteria c;
    c.Note = "invoice";
    EXPECT_EQ(rig.find(c).size(), 2u);
    EXPECT_EQ(rig.calls[1].CallNote, "invoice paid");
    EXPECT_EQ(opens.take(), everyNote);
    // So does a listing for the command line.
    EXPECT_EQ(rig.find().size(), 4u);
    EXPECT_EQ(rig.calls[1].CallNote, "call back");
    EXPECT_EQ(opens.take(), everyNote);
    // The window's listing leaves them for the rows it shows.
    rig.scope.readEveryNote = false;
    EXPECT_EQ(rig.find().size(), 4u);
    EXPECT_EQ(opens.take(), Opens{});
    EXPECT_EQ(rig.calls[0].noteDeferred, false);  // no note at all
    EXPECT_EQ(rig.calls[1].noteDeferred, true);
    EXPECT_EQ(callNote(rig.calls[1]), "call back");
    EXPECT_FALSE(rig.calls[1].noteDeferred);
    opens.take();
    // A note search still reads what it searches, and the list keeps it.
    EXPECT_EQ(rig.find(c).size(), 2u);
    EXPECT_FALSE(rig.calls[0].noteDeferred);
    EXPECT_EQ(rig.calls[0].CallNote, "invoice sent");
    EXPECT_EQ(opens.take(), everyNote);
}

TEST(CallSearch, ReadsRunSixteenAtATimeAndEachOnce) {
    ReadsInFlight reads;
    // Sixteen pieces that each wait for all sixteen to have begun: only sixteen at once get
    // through.
    std::mutex m;
    std::condition_variable cv;
    int begun = 0;
    std::atomic<int> through{0};
    reads.run(16, [&](std::size_t) {
        std::unique_lock lock(m);
        ++begun;
        cv.notify_all();
        if (cv.wait_for(lock, std::chrono::seconds(10), [&] { return begun == 16; })) ++through;
    });
    EXPECT_EQ(through.load(), 16);
    // Batch after batch, every piece exactly once.
    for (std::size_t count : {0u, 1u, 2u, 17u, 1000u}) {
        std::vector<std::atomic<int>> done(count);
        reads.run(count, [&](std::size_t i) { ++done[i]; });
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(done[i].load(), 1) << count << " " << i;
    }
}

TEST(CallSearch, HugeAndBinaryNotesAreShownAndSearchedWithoutHarm) {
    Rig rig;
    rig.call("20260101-090000-anna-10.wav", "paid " + std::string(1 << 20, 'n') + " late");
    const char raw[] = "\0\xff\xfe paid \xc3\x28 invoice";
    rig.call("20260101-100000-anna-10.wav", std::string(raw, sizeof raw - 1));
    SearchCriteria c;
    c.Note = "paid";
    EXPECT_EQ(rig.find(c).size(), 2u);
    c.Note = "late";  // beyond the part of a note a search reads
    EXPECT_TRUE(rig.find(c).empty());
    c.Note = "invoice * PAID";
    EXPECT_EQ(rig.find(c), Names{"20260101-100000-anna-10.wav"});
    EXPECT_TRUE(rig.calls[0].CallNote.contains("invoice"));
    EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(CallSearch, APipeWhereANoteShouldBeDoesNotStopTheSearch) {
    Rig rig;
    rig.call("20260101-090000-anna-10.wav");
    ASSERT_EQ(::mkfifo(rig.dir.file("20260101-090000-anna-10.txt").c_str(), 0644), 0);
    EXPECT_EQ(rig.find().size(), 1u);
    SearchCriteria c;
    c.Note = "paid";
    EXPECT_TRUE(rig.find(c).empty());
    EXPECT_FALSE(rig.failed);
}
