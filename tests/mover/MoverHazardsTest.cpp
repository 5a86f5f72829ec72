// The mover among things that go wrong around it: entries that vanish or cannot be named,
// recordings still being written, long names, and copies left by a mover that was killed.
#include <gtest/gtest.h>

#include "tests/mover/MoverSetup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLockFile>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace fs = std::filesystem;
using testsupport::messages;
using testsupport::MoverSetup;
using testsupport::writeRecording;

namespace {

// A folder on another file system than the test's, where there is one.
struct OtherFileSystem {
    std::string folder = "/dev/shm/parlaro-mover-hazard-" + std::to_string(::getpid());
    bool usable = false;

    explicit OtherFileSystem(const std::string& near) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        struct stat a {
        }, b{};
        usable = !ec && ::stat(folder.c_str(), &a) == 0 && ::stat(near.c_str(), &b) == 0 &&
                 a.st_dev != b.st_dev;
    }
    ~OtherFileSystem() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

bool namedIn(const std::string& folder, const std::string& name) {
    return fs::exists(fs::symlink_status(folder + "/" + name));
}

}  // namespace

TEST(MoverHazards, EntriesThatCannotBeReadOrNamedAreSkippedQuietly) {
    struct Case {
        const char* what;
        std::string name;
        std::function<void(const std::string& path)> plant;
    };
    const std::vector<Case> cases = {
        {"a dangling link", "20260101-000000-x-9.wav",
         [](const std::string& p) { fs::create_symlink(p + ".gone", p); }},
        {"a link to itself", "20260101-000000-y-9.wav",
         [](const std::string& p) { fs::create_symlink(p, p); }},
        {"a name that is not UTF-8", "20260101-000000-\xff\xfe-9.wav",
         [](const std::string& p) { writeRecording(p, "odd"); }},
    };
    for (const Case& c : cases) {
        MoverSetup s;
        s.folders(s.wavs, s.calls);
        c.plant(s.wavs + "/" + c.name);
        writeRecording(s.wavs + "/20260101-000000-ann-3.wav", "call");
        EXPECT_EQ(messages(s.run()), "") << c.what;
        EXPECT_EQ(testsupport::readFile(s.calls + "/20260101-000000-ann-3.wav"), "call") << c.what;
        // Alone in the folder it is still no reason to complain.
        EXPECT_EQ(messages(s.run()), "") << c.what;
        EXPECT_TRUE(namedIn(s.wavs, c.name)) << c.what;
    }
}

TEST(MoverHazards, ARecordingStillOpenForWritingStaysUntilItIsClosed) {
    MoverSetup s;
    s.folders(s.wavs, s.calls);
    const std::string name = "20260101-000000-ann-3.wav";
    writeRecording(s.wavs + "/" + name, "first");
    const int writer = ::open((s.wavs + "/" + name).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(messages(s.run()), "");
    EXPECT_TRUE(fs::exists(s.wavs + "/" + name));
    EXPECT_FALSE(fs::exists(s.calls + "/" + name));
    ASSERT_EQ(::write(writer, " second", 7), 7);
    ::close(writer);
    writeRecording(s.wavs + "/" + name, "first second");
    EXPECT_EQ(messages(s.run()), "");
    EXPECT_EQ(testsupport::readFile(s.calls + "/" + name), "first second");
}

TEST(MoverHazards, ARecordingThatStillGrowsIsMovedOnlyOnceItHasBeenQuiet) {
    MoverSetup s;
    s.folders(s.wavs, s.calls);
    const std::string path = s.wavs + "/20260101-000000-ann-3.wav";
    testsupport::writeFile(path, "0");
    // A writer that opens the file for each piece, as one that appends now and then does.
    std::thread writer([&] {
        for (const char* piece : {"1", "2", "3"}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0) {
                [[maybe_unused]] const auto n = ::write(fd, piece, 1);
                ::close(fd);
            }
        }
    });
    const auto r = s.run();
    writer.join();
    EXPECT_EQ(messages(r), "");
    EXPECT_EQ(testsupport::readFile(s.calls + "/20260101-000000-ann-3.wav"), "0123");
    EXPECT_FALSE(fs::exists(path));
}

TEST(MoverHazards, LongNamesCrossFileSystems) {
    MoverSetup s;
    OtherFileSystem other(s.calls);
    if (!other.usable) GTEST_SKIP() << "no second file system at /dev/shm";
    // 255 bytes, the longest name a folder takes.
    const std::string name = "20260101-000000-" + std::string(255 - 16 - 7, 'n') + "-12.wav";
    ASSERT_EQ(name.size(), 255u);
    writeRecording(other.folder + "/" + name, "long");
    s.folders(other.folder, s.calls);
    EXPECT_EQ(messages(s.run()), "");
    EXPECT_EQ(testsupport::readFile(s.calls + "/" + name), "long");
    EXPECT_FALSE(fs::exists(other.folder + "/" + name));
    EXPECT_EQ(std::distance(fs::directory_iterator(s.calls), fs::directory_iterator{}), 1);
}

TEST(MoverHazards, CopiesLeftByAKilledMoverAreRemovedWhenNoOtherMoverRuns) {
    MoverSetup s;
    s.folders(s.wavs, s.calls);
    const std::vector<std::pair<std::string, bool>> entries = {
        {".20260101-000000-x-1.wav.moving-AbC123", true},  // the mover's copy under way
        {".moving-Xy12zz", true},
        {".moving-Held01", false},  // another mover is still writing it
        {".hidden-note", false},
        {"x.moving-abcdef", false},
        {".x.moving-abc", false},
        {".moving-Nobody", false},  // someone else's
    };
    for (const auto& [name, stale] : entries)
        testsupport::writeFile(s.calls + "/" + name, std::string(1000, 'c'));
    const bool asRoot = testsupport::runningAsRoot();
    if (asRoot) {
        [[maybe_unused]] const int r = ::chown((s.calls + "/.moving-Nobody").c_str(), 65534, 65534);
    }
    const int held = ::open((s.calls + "/.moving-Held01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    {
        QLockFile running(QString::fromStdString(
            s.dir.file("parlaro-mover-" + std::to_string(::geteuid()) + ".lock")));
        ASSERT_TRUE(running.tryLock(0));
        s.run();
        for (const auto& [name, stale] : entries)
            EXPECT_TRUE(fs::exists(s.calls + "/" + name)) << name << " while another mover runs";
    }
    EXPECT_EQ(messages(s.run()), "");
    for (const auto& [name, stale] : entries) {
        if (name == ".moving-Nobody" && !asRoot) continue;
        EXPECT_EQ(fs::exists(s.calls + "/" + name), !stale) << name;
    }
    ::close(held);
}
