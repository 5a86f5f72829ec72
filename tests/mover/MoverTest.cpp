#include <gtest/gtest.h>

#include "tests/mover/MoverSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QLockFile>

#include <filesystem>

namespace fs = std::filesystem;
using testsupport::ProcessResult;
using testsupport::TempDir;

using testsupport::messages;
using testsupport::MoverSetup;
using testsupport::writeRecording;

TEST(Mover, MovesFinishedRecordingsOnlyAndSaysNothing) {
    MoverSetup s;
    s.folders(s.wavs, s.calls + "/");  // one with and one without the trailing "/"
    const std::vector<std::pair<std::string, bool>> files = {
        {"20050314-093015-ann-83.wav", true},
        {"20050314-100000-bob-7.WAV", true},
        {"20050314-093015-ann.wav", false},  // still being recorded
        {"a-b-c-d.txt", false},
        {"notes.wav", false},
    };
    for (const auto& [name, moved] : files)
        writeRecording(s.wavs + "/" + name, "data:" + name);
    fs::create_directories(s.wavs + "/a-b-c-folder.wav");

    const auto r = s.run();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(messages(r), "");
    for (const auto& [name, moved] : files) {
        EXPECT_EQ(fs::exists(s.wavs + "/" + name), !moved) << name;
        EXPECT_EQ(fs::exists(s.calls + "/" + name), moved) << name;
        if (moved) {
            EXPECT_EQ(testsupport::readFile(s.calls + "/" + name), "data:" + name);
        }
    }
    EXPECT_TRUE(fs::is_directory(s.wavs + "/a-b-c-folder.wav"));
}

TEST(Mover, AnEmptySourceEndsQuietlyAndAMissingCallsFolderIsMade) {
    MoverSetup s;
    s.folders(s.wavs, s.dir.file("new/calls"));
    EXPECT_EQ(messages(s.run()), "");
    writeRecording(s.wavs + "/20260101-000000-x-1.wav", "x");
    EXPECT_EQ(messages(s.run()), "");
    EXPECT_TRUE(fs::exists(s.dir.file("new/calls/20260101-000000-x-1.wav")));
}

TEST(Mover, MissingSettingsStopItBeforeAnythingMoves) {
    MoverSetup s;
    writeRecording(s.wavs + "/20260101-000000-x-1.wav", "x");
    EXPECT_EQ(messages(s.run()),
              "PARLARO-MESSAGE [Parlaro Error] Registry key 'wavs' not created - mover cannot "
              "proceed!\n");
    s.setting("wavs", s.wavs);
    EXPECT_EQ(messages(s.run()),
              "PARLARO-MESSAGE [Parlaro Error] Registry key 'callpath' not created - mover cannot "
              "proceed!\n");
    EXPECT_TRUE(fs::exists(s.wavs + "/20260101-000000-x-1.wav"));
}

TEST(Mover, AnUnlistableSourceIsReported) {
    MoverSetup s;
    s.folders(s.dir.file("nowhere"), s.calls);
    EXPECT_EQ(messages(s.run()),
              "PARLARO-MESSAGE [Parlaro Error] Error Building File List: File not found\n");
}

TEST(Mover, AnExistingDestinationIsNeverOverwritten) {
    MoverSetup s;
    s.folders(s.wavs, s.calls);
    const std::string name = "20050314-093015-ann-83.wav";
    writeRecording(s.wavs + "/" + name, "new recording");
    testsupport::writeFile(s.calls + "/" + name, "older call");
    const auto r = s.run();
    const std::string failed =
        "PARLARO-MESSAGE [Parlaro Error] Parlaro File Mover - Failed to move file: " + s.wavs +
        "/" + name + "\n";
    EXPECT_EQ(messages(r), failed + failed +
                               "PARLARO-MESSAGE [Parlaro Error] Parlaro File Mover - Too many "
                               "errors - exiting \n");
    EXPECT_EQ(testsupport::readFile(s.wavs + "/" + name), "new recording");
    EXPECT_EQ(testsupport::readFile(s.calls + "/" + name), "older call");
}

TEST(Mover, MovesAcrossFileSystemsByCopyAndLeavesNoLeftovers) {
    TempDir shm;  // under TMPDIR
    const std::string shmFolder = "/dev/shm/parlaro-mover-test-" + std::to_string(::getpid());
    fs::create_directories(shmFolder);
    struct stat a {
    }, b{};
    ::stat(shmFolder.c_str(), &a);
    MoverSetup s;
    ::stat(s.calls.c_str(), &b);
    if (a.st_dev == b.st_dev) {
        fs::remove_all(shmFolder);
        GTEST_SKIP() << "/dev/shm and the test folder share a file system";
    }
    const std::string name = "20260102-030405-eve-12.wav";
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    writeRecording(shmFolder + "/" + name, bytes);
    ::chmod((shmFolder + "/" + name).c_str(), 0640);
    s.folders(shmFolder, s.calls);
    const auto r = s.run();
    EXPECT_EQ(messages(r), "");
    EXPECT_FALSE(fs::exists(shmFolder + "/" + name));
    EXPECT_EQ(testsupport::readFile(s.calls + "/" + name), bytes);
    struct stat st {};
    ::stat((s.calls + "/" + name).c_str(), &st);
    // The calls folder's access, not the temporary file's.
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(s.calls), fs::directory_iterator{}), 1);
    fs::remove_all(shmFolder);
}

TEST(Mover, ASourceTheUserMayNotDeleteFromStaysWhereItIs) {
    // The same folder and, where possible, another file system (the copy must be taken back).
    std::vector<std::string> sources = {"same"};
    if (fs::exists("/dev/shm"))
        sources.push_back("/dev/shm/parlaro-mover-ro-" + std::to_string(::getpid()));
    for (const std::string& where : sources) {
        MoverSetup s;
        const std::string src = where == "same" ? s.dir.file("readonly") : where;
        fs::create_directories(src);
        const std::string name = "20050314-093015-ann-83.wav";
        writeRecording(src + "/" + name, "keep me");
        ::chmod(s.dir.path().c_str(), 0755);
        testsupport::handToUser(s.calls);
        testsupport::handToUser(s.dir.file("config"));
        s.folders(src, s.calls);
        testsupport::handToUser(s.dir.file("config"));
        if (!testsupport::runningAsRoot()) ::chmod(src.c_str(), 0555);
        ::chmod((src + "/" + name).c_str(), 0644);
        auto options = s.options;
        options.unprivileged = true;
        options.env["XDG_RUNTIME_DIR"] = s.calls;
        const auto r = testsupport::runProcess(testsupport::program("mover"), {}, options);
        ::chmod(src.c_str(), 0755);
        EXPECT_EQ(messages(r),
                  "PARLARO-MESSAGE [mover] You do not have write access to: " + src + "/\n")
            << where;
        EXPECT_EQ(testsupport::readFile(src + "/" + name), "keep me");
        EXPECT_EQ(std::distance(fs::directory_iterator(s.calls), fs::directory_iterator{}), 0);
        if (where != "same") fs::remove_all(src);
    }
}

TEST(Mover, ASecondMoverEndsAtOnce) {
    MoverSetup s;
    s.folders(s.wavs, s.calls);
    writeRecording(s.wavs + "/20260101-000000-x-1.wav", "x");
    QLockFile running(QString::fromStdString(
        s.dir.file("parlaro-mover-" + std::to_string(::geteuid()) + ".lock")));
    ASSERT_TRUE(running.tryLock(0));
    EXPECT_EQ(s.run().status, 0);
    EXPECT_TRUE(fs::exists(s.wavs + "/20260101-000000-x-1.wav"));
    running.unlock();
    s.run();
    EXPECT_TRUE(fs::exists(s.calls + "/20260101-000000-x-1.wav"));
}

// The mover only reads the settings: values it finds missing stay missing, in either scope.
TEST(Mover, NeverWritesTheSettings) {
    for (const bool withCallPath : {true, false}) {
        MoverSetup s;
        s.setting("wavs", s.wavs);
        if (withCallPath) s.setting("CallPath", s.calls);
        parlaro::registry::RegistryStore machine(
            {QString::fromStdString(s.dir.file("config/Parlaro")),
             QString::fromStdString(s.dir.file("xdg/Parlaro")), "Parlaro"});
        machine.set(parlaro::registry::Root::LocalMachine, "Software\\Parlaro", "KeepDays",
                    parlaro::registry::RegistryValue::number(7), true);
        const std::string user = s.dir.file("config/Parlaro/HKEY_CURRENT_USER.reg");
        const std::string machineFile = s.dir.file("xdg/Parlaro/HKEY_LOCAL_MACHINE.reg");
        const std::string userBefore = testsupport::readFile(user);
        const std::string machineBefore = testsupport::readFile(machineFile);
        s.run();
        EXPECT_EQ(testsupport::readFile(user), userBefore) << withCallPath;
        EXPECT_EQ(testsupport::readFile(machineFile), machineBefore) << withCallPath;
    }
}

// A calls folder that cannot be one: the recordings stay where they are, and one message
// names the folder and why.
TEST(Mover, AnUnusableCallsFolderIsNamedOnceWithTheReason) {
    MoverSetup s;
    testsupport::writeFile(s.dir.file("a-file"), "x");
    ::mkfifo(s.dir.file("a-fifo").c_str(), 0600);
    fs::create_symlink("a-loop", s.dir.file("a-loop"));
    const struct {
        std::string folder;
        std::string reason;
    } table[] = {
        {s.dir.file("a-file"), "Not a directory"},
        {s.dir.file("a-fifo"), "Not a directory"},
        {"/dev/null", "Not a directory"},
        {s.dir.file("a-file/calls"), "Not a directory"},
        {s.dir.file("a-loop/calls"), "Too many levels of symbolic links"},
        {s.dir.file(std::string(300, 'n') + "/calls"), "File name too long"},
    };
    const std::string name = "20050314-093015-ann-83.wav";
    writeRecording(s.wavs + "/" + name, "kept");
    for (const auto& c : table) {
        s.folders(s.wavs, c.folder);
        const auto r = s.run();
        EXPECT_EQ(messages(r),
                  "PARLARO-MESSAGE [Parlaro Error] Parlaro File Mover - The calls "
                  "folder " +
                      c.folder + "/ cannot be used (" + c.reason + "): the recordings stay in " +
                      s.wavs + "/\n")
            << c.folder;
        EXPECT_EQ(testsupport::readFile(s.wavs + "/" + name), "kept");
    }
}

// What the mover files and logs is the user's alone, whatever the umask; in a calls folder
// an administrator made for a group, calls get the folder's group and nothing for others.
TEST(Mover, FiledCallsAndTheLogAreReadableOnlyByWhomTheFolderSays) {
    const testsupport::Umask open(0);
    const auto mode = [](const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    };
    const std::string name = "20050314-093015-ann-83.wav";
    {
        MoverSetup s;
        s.folders(s.wavs, s.dir.file("new/calls"));
        writeRecording(s.wavs + "/" + name, "call");
        EXPECT_EQ(messages(s.run()), "");
        EXPECT_EQ(mode(s.dir.file("new")), 0700u);
        EXPECT_EQ(mode(s.dir.file("new/calls")), 0700u);
        EXPECT_EQ(mode(s.dir.file("new/calls/" + name)), 0600u);

        parlaro::registry::RegistryStore store(
            {QString::fromStdString(s.dir.file("config/Parlaro")), "", "Parlaro"});
        store.set(parlaro::registry::Root::CurrentUser, "Software\\Parlaro", "KeepDays",
                  parlaro::registry::RegistryValue::number(7), true);
        s.run();
        EXPECT_EQ(mode(s.dir.file("config/Parlaro/retention.log")), 0600u);
    }
    if (!testsupport::runningAsRoot()) return;
    // Made by someone else for the group calls, of which this user is one (root's own group
    // here), without access for others.
    MoverSetup s;
    const std::string shared = s.dir.file("shared");
    fs::create_directories(shared);
    ASSERT_EQ(::chown(shared.c_str(), 4242, ::getegid()), 0);
    ::chmod(shared.c_str(), 02750);
    s.folders(s.wavs, shared + "/ann");
    writeRecording(s.wavs + "/" + name, "call");
    EXPECT_EQ(messages(s.run()), "");
    struct stat st {};
    ::stat((shared + "/ann/" + name).c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_gid, ::getegid());
    EXPECT_EQ(mode(shared + "/ann"), 02750u);
    EXPECT_EQ(mode(shared), 02750u) << "the administrator's folder keeps its permissions";
}
