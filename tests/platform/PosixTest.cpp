// Whole reads and writes over descriptors that hand over less than asked, the invariant check
// that ends the program, and the access new files and folders are given.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/posix/FdIo.h"
#include "platform/posix/FileAccess.h"
#include "platform/posix/Invariant.h"
#include "platform/posix/UniqueFd.h"
#include "tests/support/TempDir.h"

namespace {

struct Pipe {
    Pipe() {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        read.reset(ends[0]);
        write.reset(ends[1]);
    }
    aurx::posix::UniqueFd read;
    aurx::posix::UniqueFd write;
};

}  // namespace

TEST(Posix, WholeTransfersSurviveShortReadsAndWrites) {
    // More than a pipe holds, written in small pieces: the reader meets many short reads.
    const std::string sent(300000, 'x');
    {
        Pipe p;
        std::thread writer([&] {
            for (std::size_t at = 0; at < sent.size(); at += 1000)
                ASSERT_EQ(aurx::posix::writeAll(p.write.get(), sent.data() + at, 1000), 0);
            p.write.reset();
        });
        std::string got(sent.size() + 10, '\0');
        EXPECT_EQ(aurx::posix::readFully(p.read.get(), got.data(), got.size()),
                  static_cast<ssize_t>(sent.size()));
        writer.join();
        got.resize(sent.size());
        EXPECT_EQ(got, sent);
    }
    {
        // writeAll of more than the pipe holds, and copyAll to the end.
        Pipe in, out;
        std::thread writer([&] {
            EXPECT_EQ(aurx::posix::writeAll(in.write.get(), sent.data(), sent.size()), 0);
            in.write.reset();
        });
        std::string got;
        std::thread reader([&] {
            char buffer[4096];
            for (ssize_t n; (n = ::read(out.read.get(), buffer, sizeof buffer)) > 0;)
                got.append(buffer, static_cast<std::size_t>(n));
        });
        EXPECT_EQ(aurx::posix::copyAll(in.read.get(), out.write.get()), 0);
        out.write.reset();
        writer.join();
        reader.join();
        EXPECT_EQ(got, sent);
    }
}

TEST(Posix, FailuresGiveTheSystemsErrorAndAFailingCloseIsSeen) {
    char byte = 0;
    EXPECT_EQ(aurx::posix::readFully(-1, &byte, 1), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(aurx::posix::writeAll(-1, &byte, 1), EBADF);
    Pipe p;
    p.write.reset();
    EXPECT_EQ(aurx::posix::copyAll(p.read.get(), -1), 0) << "an empty source copies nothing";
    EXPECT_EQ(aurx::posix::copyAll(-1, p.read.get()), EBADF);
    // A reader gone: the write fails with EPIPE rather than losing the bytes silently.
    Pipe q;
    q.read.reset();
    ::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(aurx::posix::writeAll(q.write.get(), &byte, 1), EPIPE);
    EXPECT_EQ(q.write.close(), 0);
    EXPECT_FALSE(q.write);
}

TEST(PosixDeathTest, ABrokenInvariantNamesItselfAndEndsTheProgram) {
    int outstanding = 11;
    EXPECT_DEATH(AURX_INVARIANT(outstanding <= 10), "invariant broken: outstanding <= 10");
    AURX_INVARIANT(outstanding == 11);
}

// New files and folders get exactly the access asked for, whatever the umask; the group where
// one is asked for and may be given. A link in a file's place is never written through.
TEST(Posix, NewFilesAndFoldersGetTheirAccessWhateverTheUmask) {
    namespace fs = std::filesystem;
    using aurx::posix::FileAccess;
    const auto modeOf = [](const std::string& path) {
        struct stat st {};
        ::lstat(path.c_str(), &st);
        return std::pair<mode_t, gid_t>(st.st_mode & 07777, st.st_gid);
    };
    std::vector<FileAccess> accesses = {FileAccess::ownerOnly()};
    if (::geteuid() == 0) accesses.push_back({0640, 02750, 4321});
    for (const mode_t umask : {0000, 0022, 0077}) {
        for (const FileAccess& access : accesses) {
            SCOPED_TRACE("umask " + std::to_string(umask) + ", file " +
                         std::to_string(access.fileMode));
            testsupport::TempDir dir;
            const gid_t group = access.group.value_or(::getegid());
            const mode_t saved = ::umask(umask);
            const int made = aurx::posix::makeFolders(dir.file("a/b/c/"), access);
            const bool created = static_cast<bool>(
                aurx::posix::createFile(dir.file("a/b/c/call.wav"), O_WRONLY, access));
            testsupport::writeFile(dir.file("old.txt"), "old");
            ::chmod(dir.file("old.txt").c_str(), 0666);
            const bool reopened = static_cast<bool>(
                aurx::posix::openOrCreateFile(dir.file("old.txt"), O_WRONLY, access));
            ::umask(saved);
            ASSERT_EQ(made, 0);
            ASSERT_TRUE(created);
            ASSERT_TRUE(reopened);
            for (const char* folder : {"a", "a/b", "a/b/c"})
                EXPECT_EQ(modeOf(dir.file(folder)), std::pair(access.folderMode, group)) << folder;
            EXPECT_EQ(modeOf(dir.file("a/b/c/call.wav")), std::pair(access.fileMode, group));
            EXPECT_EQ(modeOf(dir.file("old.txt")), std::pair(access.fileMode, group));
            EXPECT_EQ(modeOf(dir.path()).first, 0700u) << "a folder that was there is left be";
        }
    }
    testsupport::TempDir dir;
    testsupport::writeFile(dir.file("victim"), "keep");
    fs::create_symlink(dir.file("victim"), dir.file("log"));
    EXPECT_FALSE(aurx::posix::openOrCreateFile(dir.file("log"), O_WRONLY | O_TRUNC, {}));
    EXPECT_EQ(testsupport::readFile(dir.file("victim")), "keep");
    EXPECT_FALSE(aurx::posix::createFile(dir.file("victim"), O_WRONLY, {}));
    // A pipe nobody reads does not hold the writer up.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(aurx::posix::openOrCreateFile(dir.file("pipe"), O_WRONLY, {}));
}
