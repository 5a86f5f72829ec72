#include <gtest/gtest.h>

#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>

using testsupport::ProcessOptions;
using testsupport::ProcessResult;
using testsupport::TempDir;

namespace {

const char* kUser = "HKEY_CURRENT_USER\\SOFTWARE\\Parlaro";
const char* kMachine = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlaro";

struct Reg {
    TempDir dir;
    ProcessOptions options{
        {{"XDG_CONFIG_HOME", dir.file("config")}, {"XDG_CONFIG_DIRS", dir.file("xdg")}}};

    ProcessResult operator()(const std::vector<std::string>& args) const {
        return testsupport::runProcess(testsupport::program("parlaro-reg"), args, options);
    }
};

}  // namespace

TEST(ParlaroReg, SetGetListAndDeleteFollowTheContract) {
    Reg reg;
    EXPECT_EQ(reg({"set", kMachine, "CallPath", "string", " /srv/calls with space/ "}).status, 0);
    EXPECT_EQ(reg({"set", kMachine, "Sensitivity", "dword", "-18"}).status, 0);
    EXPECT_EQ(reg({"set", kMachine, "Big", "dword", "0xDEADBEEF"}).status, 0);
    EXPECT_EQ(reg({"set", kMachine, "Top", "dword", "4294967295"}).status, 0);

    auto got = reg({"get", "HKEY_LOCAL_MACHINE\\software\\PARLARO", "callpath"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, " /srv/calls with space/ \n");
    EXPECT_EQ(reg({"get", kMachine, "Sensitivity"}).out, "-18\n");

    const auto list = reg({"list", kMachine});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out,
              "CallPath (REG_SZ) =  /srv/calls with space/ \n"
              "Sensitivity (REG_DWORD) = -18\n"
              "Big (REG_DWORD) = -559038737\n"
              "Top (REG_DWORD) = -1\n");
    EXPECT_TRUE(std::filesystem::exists(reg.dir.file("xdg/Parlaro/HKEY_LOCAL_MACHINE.reg")));
    EXPECT_EQ(reg({"list", kUser}).status, 1);  // the user scope is a different file

    EXPECT_EQ(reg({"delete", kMachine, "BIG"}).status, 0);
    EXPECT_EQ(reg({"get", kMachine, "Big"}).status, 1);
    EXPECT_EQ(reg({"delete", kMachine, "Big"}).status, 1);
    EXPECT_EQ(reg({"delete", "HKEY_LOCAL_MACHINE\\SOFTWARE"}).status, 0);
    EXPECT_EQ(reg({"list", kMachine}).status, 1);
}

TEST(ParlaroReg, ValuesThatWouldBreakALineAreListedQuoted) {
    Reg reg;
    ASSERT_EQ(reg({"set", kUser, "Note", "string", "a\nb \"c\""}).status, 0);
    EXPECT_EQ(reg({"list", kUser}).out, "Note (REG_SZ) = \"a\\nb \\\"c\\\"\"\n");
    EXPECT_EQ(reg({"get", kUser, "note"}).out, "a\nb \"c\"\n");
}

TEST(ParlaroReg, BadCommandLinesAreRefusedAndChangeNothing) {
    Reg reg;
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"get", kUser},
        {"set", "SOFTWARE\\Parlaro", "x", "string", "y"},
        {"set", "HKEY_CURRENT_USER\\SOFTWARE\\", "x", "string", "y"},
        {"set", "HKEY_NOWHERE\\SOFTWARE", "x", "string", "y"},
        {"set", "HKEY_CURRENT_USER\\a\\\\b", "x", "string", "y"},
        {"set", "HKEY_CURRENT_USER\\a\tb", "x", "string", "y"},
        {"set", kUser, "x", "binary", "y"},
        {"set", kUser, "x", "dword", "12abc"},
        {"set", kUser, "x", "dword", "4294967296"},
        {"set", kUser, "x", "dword", "-2147483649"},
        {"set", kUser, "x", "string"},
        {"frobnicate", kUser},
    };
    for (const auto& args : bad) {
        const auto r = reg(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(reg.dir.file("config")));
}

TEST(ParlaroReg, AMachineScopeTheUserMayNotWriteIsReported) {
    Reg reg;
    ASSERT_EQ(reg({"set", kMachine, "CallPath", "string", "/srv/calls/"}).status, 0);
    ::chmod(reg.dir.path().c_str(), 0755);
    if (!testsupport::runningAsRoot()) ::chmod(reg.dir.file("xdg/Parlaro").c_str(), 0555);
    auto options = reg.options;
    options.unprivileged = true;
    options.env["XDG_CONFIG_HOME"] = "/nonexistent/config";
    const auto r = testsupport::runProcess(testsupport::program("parlaro-reg"),
                                           {"set", kMachine, "CallPath", "string", "/x/"}, options);
    ::chmod(reg.dir.file("xdg/Parlaro").c_str(), 0755);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("parlaro-reg: HKEY_LOCAL_MACHINE\\SOFTWARE\\Parlaro: cannot"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(reg({"get", kMachine, "CallPath"}).out, "/srv/calls/\n");
}

TEST(ParlaroReg, NamesThatAreNotUtf8AreKeptApart) {
    Reg reg;
    ASSERT_EQ(reg({"set", kUser, "\xfe", "string", "fe"}).status, 0);
    ASSERT_EQ(reg({"set", kUser, "\xff", "string", "ff"}).status, 0);
    ASSERT_EQ(reg({"set", kUser, "\xef\xbf\xbd", "string", "replacement"}).status, 0);
    EXPECT_EQ(reg({"get", kUser, "\xfe"}).out, "fe\n");
    EXPECT_EQ(reg({"get", kUser, "\xff"}).out, "ff\n");
    EXPECT_EQ(reg({"get", kUser, "\xef\xbf\xbd"}).out, "replacement\n");
    EXPECT_EQ(reg({"list", kUser}).out,
              "\"\\xfe\" (REG_SZ) = fe\n\"\\xff\" (REG_SZ) = ff\n\xef\xbf\xbd (REG_SZ) = "
              "replacement\n");
}

TEST(ParlaroReg, KeyPathsDeeperThanSixtyFourLevelsAreRefused) {
    Reg reg;
    std::string deep = kUser;
    for (int i = 0; i < 63; ++i)
        deep += "\\k";  // SOFTWARE\Parlaro and 63 more: 65 levels
    const auto r = reg({"set", deep, "x", "string", "y"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("64 levels"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(reg.dir.file("config")));
    deep.resize(deep.size() - 2);
    EXPECT_EQ(reg({"set", deep, "x", "string", "y"}).status, 0);
    EXPECT_EQ(reg({"get", deep, "x"}).out, "y\n");
}

TEST(ParlaroReg, FilesThatCannotBeReadAreToldWithTheirCause) {
    struct Case {
        const char* what;
        std::function<void(const std::string& file)> plant;
        const char* cause;
        bool unprivileged;
    };
    const std::vector<Case> cases = {
        {"a FIFO", [](const std::string& f) { ::mkfifo(f.c_str(), 0600); }, "not a regular file",
         false},
        {"a link to /dev/zero",
         [](const std::string& f) { std::filesystem::create_symlink("/dev/zero", f); },
         "not a regular file", false},
        {"a file the user may not read",
         [](const std::string& f) {
             testsupport::writeFile(f, "[SOFTWARE\\Parlaro]\n\"x\"=\"y\"\n");
             ::chmod(f.c_str(), 0);
         },
         "Permission denied", true},
    };
    for (const Case& c : cases) {
        Reg reg;
        std::filesystem::create_directories(reg.dir.file("config/Parlaro"));
        const std::string file = reg.dir.file("config/Parlaro/HKEY_CURRENT_USER.reg");
        c.plant(file);
        ::chmod(reg.dir.path().c_str(), 0755);
        testsupport::handToUser(reg.dir.file("config"));
        auto options = reg.options;
        options.unprivileged = c.unprivileged;
        options.timeoutMs = 5000;
        for (const std::vector<std::string>& args : {std::vector<std::string>{"get", kUser, "x"},
                                                     {"list", kUser},
                                                     {"set", kUser, "x", "string", "z"}}) {
            const auto r =
                testsupport::runProcess(testsupport::program("parlaro-reg"), args, options);
            EXPECT_EQ(r.status, 1) << c.what << " " << args[0];
            EXPECT_NE(r.err.find(c.cause), std::string::npos)
                << c.what << " " << args[0] << ": " << r.err;
            EXPECT_NE(r.err.find(file), std::string::npos) << c.what << " " << args[0];
        }
    }
}

TEST(ParlaroReg, AFileWithLinesThatCannotBeReadIsWorkedWithAndSaidSo) {
    Reg reg;
    std::filesystem::create_directories(reg.dir.file("config/Parlaro"));
    const std::string file = reg.dir.file("config/Parlaro/HKEY_CURRENT_USER.reg");
    testsupport::writeFile(file, "[SOFTWARE\\Parlaro]\n\"a\"=\"1\"\n\"b\"=\"2\n\"c\"=dword:3\n");
    const auto got = reg({"get", kUser, "c"});
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.out, "3\n");
    EXPECT_NE(got.err.find(file + ": line 3 "), std::string::npos) << got.err;

    const auto set = reg({"set", kUser, "d", "string", "4"});
    EXPECT_EQ(set.status, 0);
    EXPECT_NE(set.err.find("kept as " + file + ".broken-"), std::string::npos) << set.err;
    const auto list = reg({"list", kUser});
    EXPECT_EQ(list.out, "a (REG_SZ) = 1\nc (REG_DWORD) = 3\nd (REG_SZ) = 4\n");
    EXPECT_EQ(list.err, "");
}
