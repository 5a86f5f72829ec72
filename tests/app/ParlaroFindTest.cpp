#include <gtest/gtest.h>

#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using testsupport::ProcessOptions;
using testsupport::ProcessResult;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

const char* kUser = "HKEY_CURRENT_USER\\SOFTWARE\\Parlaro";
const char* kMachine = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlaro";

struct Find {
    TempDir dir;
    std::string calls = dir.file("calls");
    ProcessOptions options{{{"XDG_CONFIG_HOME", dir.file("config")},
                            {"XDG_CONFIG_DIRS", dir.file("xdg")},
                            {"XDG_DATA_HOME", dir.file("data")}}};

    ProcessResult operator()(const std::vector<std::string>& args) const {
        return testsupport::runProcess(testsupport::program("parlaro-find"), args, options);
    }
    void reg(const std::vector<std::string>& args) const {
        ASSERT_EQ(
            testsupport::runProcess(testsupport::program("parlaro-reg"), args, options).status, 0);
    }
    void call(const std::string& path, const std::string& note = {}) const {
        const std::string full = calls + "/" + path;
        fs::create_directories(fs::path(full).parent_path());
        testsupport::writeFile(full, "");
        if (!note.empty()) testsupport::writeFile(full.substr(0, full.size() - 4) + ".txt", note);
    }
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// The file names of the calls listed, in order.
std::vector<std::string> names(const ProcessResult& r) {
    std::vector<std::string> out;
    for (const std::string& line : lines(r.out))
        out.push_back(fs::path(line.substr(line.rfind('\t') + 1)).filename());
    return out;
}

std::string loginName() {
    const passwd* pw = ::getpwuid(::geteuid());
    std::string name = pw ? pw->pw_name : "ANON";
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

}  // namespace

TEST(ParlaroFind, EachCallIsOneTabSeparatedLineInListOrder) {
    Find find;
    find.call("20261207-140322-anna-95.wav", "Mr Smith\r\nwants a quote");
    find.call("20261207-090000-bob-3725.wav", "from\nanother\teditor");
    find.call("20260101-000005-carol-0.wav");
    const ProcessResult r = find({"--folder", find.calls});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(lines(r.out),
              (std::vector<std::string>{
                  "anna\t07-Dec-2026\t14:03:22\t00:01:35\tMr Smith <CR> wants a quote\t" +
                      find.calls + "/20261207-140322-anna-95.wav",
                  "bob\t07-Dec-2026\t09:00:00\t01:02:05\tfrom\\nanother\\teditor\t" + find.calls +
                      "/20261207-090000-bob-3725.wav",
                  "carol\t01-Jan-2026\t00:00:05\t00:00:00\t\t" + find.calls +
                      "/20260101-000005-carol-0.wav",
              }));
}

TEST(ParlaroFind, AFolderGivenFromHereStillGivesFullPaths) {
    Find find;
    find.call("20260101-090000-anna-10.wav");
    const fs::path before = fs::current_path();
    fs::current_path(find.dir.path());
    const ProcessResult r = find({"--folder", "calls"});
    fs::current_path(before);
    EXPECT_EQ(names(r), std::vector<std::string>{"20260101-090000-anna-10.wav"});
    EXPECT_NE(
        r.out.find("\t" + fs::canonical(find.calls).string() + "/20260101-090000-anna-10.wav\n"),
        std::string::npos)
        << r.out;
}

TEST(ParlaroFind, CommandLineCriteriaSearchAsTheFindDialogDoes) {
    Find find;
    find.call("20260227-090000-anna-5.wav");
    find.call("20260228-090000-joanna-30.wav", "Invoice paid");
    find.call("20260303-090000-bob-600.wav", "invoice");
    find.call("20260304-090000-anna-60.wav");
    find.call("sub/20260301-090000-bob-10.wav");
    using Names = std::vector<std::string>;
    struct Case {
        std::vector<std::string> args;
        Names found;
    };
    for (const Case& t : {
             Case{{},
                  {"20260304-090000-anna-60.wav", "20260303-090000-bob-600.wav",
                   "20260228-090000-joanna-30.wav", "20260227-090000-anna-5.wav"}},
             Case{{"--user", "ANN"},
                  {"20260304-090000-anna-60.wav", "20260228-090000-joanna-30.wav",
                   "20260227-090000-anna-5.wav"}},
             Case{{"--from", "20260228", "--to", "20260303"},
                  {"20260303-090000-bob-600.wav", "20260228-090000-joanna-30.wav"}},
             Case{{"--from", "20260303"},
                  {"20260304-090000-anna-60.wav", "20260303-090000-bob-600.wav"}},
             Case{{"--note", "paid*invoice"}, {"20260228-090000-joanna-30.wav"}},
             Case{{"--min-seconds", "30", "--max-seconds", "60"},
                  {"20260304-090000-anna-60.wav", "20260228-090000-joanna-30.wav"}},
             Case{{"--subfolders", "--user", "bob"},
                  {"20260303-090000-bob-600.wav", "20260301-090000-bob-10.wav"}},
             Case{{"--user", "nobody"}, {}},  // nothing found is no failure
         }) {
        std::vector<std::string> args{"--folder", find.calls};
        args.insert(args.end(), t.args.begin(), t.args.end());
        const ProcessResult r = find(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(names(r), t.found) << ::testing::PrintToString(t.args);
    }
}

TEST(ParlaroFind, DefaultsComeFromTheStoredSettingsWhichStayAsTheyWere) {
    Find find;
    const std::string me = loginName();
    find.call("20260101-090000-" + me + "-10.wav");
    find.call("20260101-100000-someone_else-10.wav");
    find.call("below/20260101-110000-" + me + "-10.wav");
    const std::string other = find.dir.file("other");
    fs::create_directories(other);
    testsupport::writeFile(other + "/20260202-090000-" + me + "-10.wav", "");

    // Nothing stored: the default calls folder, which does not exist yet.
    ProcessResult r = find({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "parlaro-find: An error occured in: frmMain:FindCalls. The error reported was: 76, "
              "Path not found: " +
                  find.dir.file("data/Parlaro/Calls/") + "\n");

    find.reg({"set", kMachine, "CallPath", "string", find.calls});
    EXPECT_EQ(names(find({})), (std::vector<std::string>{"20260101-100000-someone_else-10.wav",
                                                         "20260101-090000-" + me + "-10.wav"}));
    find.reg({"set", kMachine, "subfolders", "dword", "-1"});
    EXPECT_EQ(names(find({})).size(), 3u);
    find.reg({"set", kMachine, "PlayOwnOnly", "dword", "1"});
    EXPECT_EQ(names(find({})), (std::vector<std::string>{"20260101-090000-" + me + "-10.wav",
                                                         "20260101-110000-" + me + "-10.wav"}));
    // The user's own values come first; the command line comes before them.
    find.reg({"set", kUser, "SearchPath", "string", other});
    find.reg({"set", kUser, "subfolders", "dword", "0"});
    find.reg({"set", kUser, "CanPlay", "dword", "0"});
    EXPECT_EQ(names(find({})), std::vector<std::string>{"20260202-090000-" + me + "-10.wav"});
    EXPECT_EQ(names(find({"--folder", find.calls})).size(), 2u);

    const std::string userScope =
        testsupport::readFile(find.dir.file("config/Parlaro/HKEY_CURRENT_USER.reg"));
    const std::string machineScope =
        testsupport::readFile(find.dir.file("xdg/Parlaro/HKEY_LOCAL_MACHINE.reg"));
    ASSERT_FALSE(userScope.empty());
    find({"--user", "x"});
    EXPECT_EQ(testsupport::readFile(find.dir.file("config/Parlaro/HKEY_CURRENT_USER.reg")),
              userScope);
    EXPECT_EQ(testsupport::readFile(find.dir.file("xdg/Parlaro/HKEY_LOCAL_MACHINE.reg")),
              machineScope);
    EXPECT_EQ(testsupport::filesIn(find.dir.file("config/Parlaro")).size(), 1u);
}

TEST(ParlaroFind, ExitStatusTellsABadCommandLineFromAnUnreadableFolder) {
    Find find;
    find.call("20260101-090000-anna-10.wav");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--colour"},
             {find.calls},
             {"--folder"},
             {"--folder", ""},
             {"--from", "2026-01-01"},
             {"--to", "20260230"},
             {"--from", "20260101", "--to"},
             {"--min-seconds", "-1"},
             {"--max-seconds", "ten"},
             {"--min-seconds", "61", "--max-seconds", "60"},
         }) {
        const ProcessResult r = find(bad);
        EXPECT_EQ(r.status, 2) << ::testing::PrintToString(bad);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: parlaro-find"), std::string::npos);
    }
    const ProcessResult help = find({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: parlaro-find"), std::string::npos);

    // A folder that is a file: nothing to search.
    ProcessResult r = find({"--folder", find.calls + "/20260101-090000-anna-10.wav"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "parlaro-find: An error occured in: frmMain:FindCalls. The error reported was: 76, "
              "Path not found: " +
                  find.calls + "/20260101-090000-anna-10.wav/\n");
}

TEST(ParlaroFind, FoldersThatCannotBeReadAreNamedTheOthersListedAndTheExitSays) {
    Find find;
    find.call("20260101-090000-anna-10.wav");
    for (const char* sub : {"a", "lost+found", "b", "locked\tout", "c"})
        find.call(std::string(sub) + "/20260102-090000-anna-10.wav");
    testsupport::handToUser(find.dir.path());
    ::chmod((find.calls + "/lost+found").c_str(), 0);
    ::chmod((find.calls + "/locked\tout").c_str(), 0);
    ProcessOptions asUser = find.options;
    asUser.unprivileged = true;
    const ProcessResult r = testsupport::runProcess(
        testsupport::program("parlaro-find"), {"--folder", find.calls, "--subfolders"}, asUser);
    ::chmod((find.calls + "/lost+found").c_str(), 0755);
    ::chmod((find.calls + "/locked\tout").c_str(), 0755);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(lines(r.out).size(), 4u) << r.out;  // the top folder, a, b and c
    std::vector<std::string> told = lines(r.err);
    std::sort(told.begin(), told.end());
    EXPECT_EQ(told, (std::vector<std::string>{
                        "parlaro-find: cannot read the folder " + find.calls +
                            "/locked\\tout/ (70, Permission denied); its calls are not listed",
                        "parlaro-find: cannot read the folder " + find.calls +
                            "/lost+found/ (70, Permission denied); its calls are not listed",
                    }));
}

TEST(ParlaroFind, EveryFieldIsEscapedSoEachLineIsOneCallOfSixFields) {
    Find find;
    // Users, folders and notes with what would break a line or its fields, and names that are
    // not UTF-8.
    find.call("20260101-090000-tab\there-1.wav");
    find.call("20260101-080000-line\nbreak-2.wav", "a\tb\nc\rd\r\ne\\f");
    find.call("20260101-070000-back\\slash-3.wav", std::string("nul\0\x01\x1f\x7f end", 11));
    find.call("new\nline/20260101-060000-anna-4.wav");
    find.call("\xe9t\xe9/20260101-050000-b\xf6rje-5.wav", "caf\xc3\xa9");
    const ProcessResult r = find({"--folder", find.calls, "--subfolders"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string& c = find.calls;
    std::vector<std::string> expected{
        "tab\\there\t01-Jan-2026\t09:00:00\t00:00:01\t\t" + c + "/20260101-090000-tab\\there-1.wav",
        "line\\nbreak\t01-Jan-2026\t08:00:00\t00:00:02\ta\\tb\\nc\\rd <CR> e\\\\f\t" + c +
            "/20260101-080000-line\\nbreak-2.wav",
        "back\\\\slash\t01-Jan-2026\t07:00:00\t00:00:03\tnul\\x00\\x01\\x1f\\x7f end\t" + c +
            "/20260101-070000-back\\\\slash-3.wav",
    };
    std::vector<std::string> got = lines(r.out);
    ASSERT_EQ(got.size(), 5u) << r.out;
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 3), expected);
    // The subfolders in the file system's order.
    std::vector<std::string> below(got.begin() + 3, got.end());
    std::sort(below.begin(), below.end());
    EXPECT_EQ(below, (std::vector<std::string>{
                         "anna\t01-Jan-2026\t06:00:00\t00:00:04\t\t" + c +
                             "/new\\nline/20260101-060000-anna-4.wav",
                         "b\xf6rje\t01-Jan-2026\t05:00:00\t00:00:05\tcaf\xc3\xa9\t" + c +
                             "/\xe9t\xe9/20260101-050000-b\xf6rje-5.wav",
                     }));
    for (const std::string& line : got)
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 5) << line;
    // A folder named as it is spelt is searched as it is spelt.
    const ProcessResult latin1 = find({"--folder", c + "/\xe9t\xe9"});
    EXPECT_EQ(latin1.status, 0) << latin1.err;
    EXPECT_EQ(latin1.out, below[1] + "\n");
}
