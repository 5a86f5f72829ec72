#include <gtest/gtest.h>

#include "core/calls/CallFiles.h"
#include "core/calls/CallName.h"
#include "core/search/FilePattern.h"
#include "core/search/NoteSearch.h"
#include "core/search/SearchCriteria.h"
#include "core/support/AppError.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <filesystem>

using namespace parlaro;
using testsupport::ScriptedPrompter;
using testsupport::TempDir;

TEST(SearchCriteria, NewCriteriaAskForNothing) {
    const SearchCriteria c;
    for (const QString& field : {c.Note, c.StartDate, c.EndDate, c.User, c.Extension})
        EXPECT_EQ(field, "*");
    EXPECT_FALSE(c.MinSeconds);
    EXPECT_FALSE(c.MaxSeconds);
}

TEST(SearchCriteria, FilePatternsNarrowTheDatesAsFarAsTheRangeAllows) {
    struct Case {
        const char *start, *end, *user, *pattern;
    };
    for (const Case& t : {
             Case{"*", "*", "*", "*-*-*-*.wav"},  // "Show all calls in folder"
             Case{"20261207", "20261207", "*", "20261207-*-*-*.wav"},
             Case{"20260301", "20260331", "*anna*", "202603*-*-*anna*-*.wav"},
             Case{"20260228", "20260303", "*", "2026*-*-*-*.wav"},  // across months
             Case{"20251230", "20260102", "*", "*-*-*-*.wav"},      // across years
             Case{"20260228", "*", "*", "*-*-*-*.wav"},             // from a day on
             Case{"*", "20260303", "*", "*-*-*-*.wav"},
             Case{"*", "*", "bob", "*-*-bob-*.wav"},
         }) {
        SearchCriteria c;
        c.StartDate = t.start;
        c.EndDate = t.end;
        c.User = t.user;
        c.Extension = ".mp3";  // carried, never used
        EXPECT_EQ(BuildFilePattern(c), t.pattern) << t.start << " " << t.end << " " << t.user;
    }
}

TEST(SearchCriteria, PatternsMatchAsTheFileSystemDoes) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    for (const Case& t : {
             Case{"*-*-*-*.wav", "20261207-140322-anna-95.wav", true},
             Case{"*-*-*-*.wav", "20261207-140322-anna-95.WAV", true},
             Case{"*-*-*-*.wav", "notes.wav", false},
             Case{"*-*-*-*.wav", "20261207-140322-anna-95.txt", false},
             Case{"*-*-*-*.wav", "20261207-140322-anna-95.wav.part", false},
             Case{"*-*-*-*.wav", "---.wav", true},  // "*" is also no character at all
             Case{"202603*-*-*anna*-*.wav", "20260315-101010-JOANNA-5.wav", true},
             Case{"202603*-*-*anna*-*.wav", "20260415-101010-anna-5.wav", false},
             Case{"202603*-*-*anna*-*.wav", "20260315-101010-ann-5.wav", false},
             Case{"2026120?-*", "20261207-x", true},
             Case{"2026120?-*", "2026120-x", false},
             Case{"2026120?-*", "202612077-x", false},
             Case{"*-*-Émile-*.wav", "20260101-000000-éMILE-3.wav", true},
             Case{"*-*-?-*.wav", "20260101-000000-😀-3.wav", true},  // one character, two units
             Case{"*", "", true},
             Case{"?", "", false},
             Case{"", "", true},
             Case{"", "a", false},
         }) {
        EXPECT_EQ(FilePattern(QString::fromUtf8(t.pattern)).matches(QString::fromUtf8(t.name)),
                  t.matches)
            << t.pattern << " / " << t.name;
    }
}

TEST(SearchCriteria, AHopelessPatternFailsQuickly) {
    const QString name(20000, 'a');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(FilePattern("*a*a*a*a*a*a*a*a*b").matches(name));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(SearchCriteria, DayRangesCountWholeDaysAndAFromDateAloneHasNoEnd) {
    struct Case {
        const char *start, *end;
        QDate day;
        bool kept;
    };
    for (const Case& t : {
             Case{"20260228", "20260303", QDate(2026, 2, 27), false},
             Case{"20260228", "20260303", QDate(2026, 2, 28), true},
             Case{"20260228", "20260303", QDate(2026, 3, 3), true},
             Case{"20260228", "20260303", QDate(2026, 3, 4), false},
             Case{"20260228", "*", QDate(2026, 2, 27), false},
             Case{"20260228", "*", QDate(2099, 12, 31), true},
             // Without a from-date there is no day-by-day check at all.
             Case{"*", "20260303", QDate(2026, 3, 4), true},
             // One day is in the pattern already.
             Case{"20260303", "20260303", QDate(2026, 3, 4), true},
         }) {
        SearchCriteria c;
        c.StartDate = t.start;
        c.EndDate = t.end;
        EXPECT_EQ(DayRange(c).contains(t.day), t.kept)
            << t.start << "-" << t.end << " " << t.day.toString().toStdString();
    }
    for (const char* bad : {"2026-03-01", "20260230", "2026031", "today"}) {
        SearchCriteria c;
        c.StartDate = bad;
        c.EndDate = "20260331";
        EXPECT_THROW(DayRange{c}, AppError) << bad;
        c.StartDate = "20260301";
        c.EndDate = bad;
        EXPECT_THROW(DayRange{c}, AppError) << bad;
    }
}

TEST(SearchCriteria, LengthLimitsIncludeTheirEnds) {
    SearchCriteria c;
    EXPECT_TRUE(LengthAccepted(c, 0));
    c.MinSeconds = 10;
    c.MaxSeconds = 60;
    for (const auto& [seconds, kept] :
         std::vector<std::pair<int, bool>>{{9, false}, {10, true}, {60, true}, {61, false}})
        EXPECT_EQ(LengthAccepted(c, seconds), kept) << seconds;
}

TEST(SearchCriteria, CommonNamesReadAsCallFromFileNameReadsThem) {
    ScriptedPrompter p;
    for (const char* name : {
             "20261207-140322-anna-95.wav",
             "20240229-000000-b-0.wav",
             "20261207-235959--7.WAV",  // empty user
             "20261207-140322-anna-095.wav",
             "20261207-140322-anna-95-more.wav",
             "20261207-140322-anna-123456789.wav",
             // Not common: CallFromFileName decides, and the quick reading must stay out.
             "20261207-140322-anna-1234567890.wav",
             "20261207-140322-anna-+5.wav",
             "20261207-240000-anna-95.wav",
             "20260230-140322-anna-95.wav",
             "2026127-140322-anna-95.wav",
             "20261207-140322-anna.wav",
             "notes.wav",
             "",
         }) {
        const auto quick = CallFromCommonName(QString::fromUtf8(name));
        if (!quick) continue;
        const auto full = CallFromFileName("/calls/", name, p);
        ASSERT_TRUE(full) << name;
        EXPECT_EQ(quick->LoginName, full->LoginName) << name;
        EXPECT_EQ(quick->CallDate, callDateFromText(full->CallDate)) << name;
        EXPECT_EQ(quick->CallTime, callTimeFromText(full->CallTime)) << name;
        EXPECT_EQ(quick->CallDuration, full->CallDuration) << name;
    }
    EXPECT_TRUE(CallFromCommonName(u"20261207-140322-anna-95.wav"));
    EXPECT_FALSE(CallFromCommonName(u"20261207-140322-anna-1234567890.wav"));
}

namespace {

struct Notes {
    TempDir dir;
    ScriptedPrompter prompter;
    QString recording(const std::string& note) {
        const std::string name = "20260101-0900" + std::to_string(10 + count++) + "-ann-10";
        testsupport::writeFile(dir.file(name + ".txt"), note);
        return QString::fromStdString(dir.file(name + ".wav"));
    }
    int count = 0;
};

}  // namespace

TEST(NoteSearch, EveryWordMustOccurInAnyOrderAndCase) {
    struct Case {
        const char* search;
        const char* note;
        bool found;
    };
    for (const Case& t : {
             Case{"invoice*paid", "Paid the INVOICE", true},
             Case{"invoice*paid", "PAID\r\nInvoice 12", true},
             Case{"invoice*paid", "invoice sent", false},
             Case{" invoice * paid ", "invoice paid", true},  // spaces around words ignored
             Case{"*invoice**", "an invoice", true},
             Case{"in voice", "invoice", false},
             Case{"Über", "überweisung", true},
             Case{"**", "anything", false},  // no word at all
             Case{"", "anything", false},
             Case{"x", "", false},
         }) {
        Notes n;
        EXPECT_EQ(FindStringInFile(t.search, n.recording(t.note), n.prompter), t.found)
            << t.search << " in " << t.note;
        EXPECT_TRUE(n.prompter.shown.empty());
    }
}

TEST(NoteSearch, OnlyTheStartOfAHugeOrBinaryNoteIsSearchedAndNothingBreaks) {
    Notes n;
    std::string huge = "early words ";
    huge += std::string(2 * 1024 * 1024, 'x');
    huge += " late";
    const QString hugeCall = n.recording(huge);
    EXPECT_TRUE(FindStringInFile("early", hugeCall, n.prompter));
    EXPECT_FALSE(FindStringInFile("late", hugeCall, n.prompter));
    const char raw[] = "\0\xff\xfe\xc3(paid\x80\0invoice\xed\xa0\x80";
    const std::string binary(raw, sizeof raw - 1);
    const QString binaryCall = n.recording(binary);
    EXPECT_TRUE(FindStringInFile("invoice*PAID", binaryCall, n.prompter));
    EXPECT_TRUE(n.prompter.shown.empty());

    // No note file: not found, and no message.
    EXPECT_FALSE(FindStringInFile("x", QString::fromStdString(n.dir.file("none.wav")), n.prompter));
    EXPECT_TRUE(n.prompter.shown.empty());
}

TEST(NoteSearch, ANoteThatCannotBeReadIsToldAndNotFound) {
    Notes n;
    std::filesystem::create_directories(n.dir.file("20260101-090000-ann-10.txt"));
    const QString call = QString::fromStdString(n.dir.file("20260101-090000-ann-10.wav"));
    EXPECT_FALSE(FindStringInFile("paid", call, n.prompter));
    ASSERT_EQ(n.prompter.shown.size(), 1u);
    EXPECT_TRUE(n.prompter.shown[0].text.startsWith("Error occurred: 75, "));
    EXPECT_TRUE(n.prompter.shown[0].text.endsWith(", frmMain:FindStringInFile: 'paid' in '" +
                                                  NotePath(call) + "'"))
        << n.prompter.shown[0].text.toStdString();
    EXPECT_EQ(n.prompter.shown[0].icon, Icon::Exclamation);
}
