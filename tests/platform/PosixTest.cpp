// Whole reads and writes over descriptors that hand over less than asked, and the invariant
// check that ends the program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <thread>

#include "platform/posix/FdIo.h"
#include "platform/posix/Invariant.h"
#include "platform/posix/UniqueFd.h"

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
