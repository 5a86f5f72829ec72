#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/riff/RiffFile.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

using aurx::riff::Chunk;
using aurx::riff::fourcc;
using testsupport::le32;

TEST(RiffFile, AscendingADirtyChunkWritesItsSizeAndAPadByte) {
    testsupport::TempDir dir;
    const auto path = dir.file("odd.riff");
    {
        auto f = aurx::riff::File::open(path, aurx::riff::Mode::Create);
        ASSERT_TRUE(f);
        Chunk riffChunk{fourcc("RIFF"), 0, fourcc("TEST")};
        ASSERT_TRUE(f->createChunk(riffChunk));
        Chunk odd{fourcc("odd "), 0};
        ASSERT_TRUE(f->createChunk(odd));
        ASSERT_TRUE(f->writeExact("abc", 3));
        ASSERT_TRUE(f->ascend(odd));
        EXPECT_EQ(f->tell(), 12u + 8u + 4u);  // past the pad byte
        ASSERT_TRUE(f->ascend(riffChunk));
    }
    const std::string bytes = testsupport::readFile(path);
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(le32(bytes, 4), 16u);  // "TEST" + 8-byte header + 3 bytes + pad
    EXPECT_EQ(le32(bytes, 16), 3u);  // the chunk's own size excludes the pad
    EXPECT_EQ(bytes[23], '\0');
}

TEST(RiffFile, DescendFindsChunksInOrderWithinTheParentOnly) {
    testsupport::TempDir dir;
    const auto path = dir.file("x.wav");
    // RIFF(WAVE){ "aaaa"(1 byte + pad), "bbbb"(2) } then "cccc" outside the RIFF chunk.
    std::string s = "RIFF";
    s += std::string("\x16\0\0\0", 4) + "WAVE";
    s += "aaaa" + std::string("\x01\0\0\0", 4) + "x" + std::string(1, '\0');
    s += "bbbb" + std::string("\x02\0\0\0", 4) + "yz";
    s += "cccc" + std::string("\x00\0\0\0", 4);
    testsupport::writeFile(path, s);
    auto f = aurx::riff::File::open(path, aurx::riff::Mode::Read);
    ASSERT_TRUE(f);
    Chunk r;
    ASSERT_TRUE(f->descend(r, nullptr, fourcc("RIFF"), fourcc("WAVE")));
    EXPECT_EQ(r.dataOffset, 8u);
    Chunk b;
    ASSERT_TRUE(f->descend(b, &r, fourcc("bbbb")));
    EXPECT_EQ(b.size, 2u);
    EXPECT_EQ(b.dataOffset, 30u);
    Chunk a;
    EXPECT_FALSE(f->descend(a, &r, fourcc("aaaa")));  // searches forward only
    ASSERT_TRUE(f->seek(12));
    Chunk c;
    EXPECT_FALSE(f->descend(c, &r, fourcc("cccc")));  // outside the parent
}

TEST(RiffFile, DescendStopsAtTheEndOfATruncatedFile) {
    testsupport::TempDir dir;
    const auto path = dir.file("cut.wav");
    std::string s = "RIFF";
    s += std::string("\xff\xff\xff\x7f", 4) + "WAVE" + "junk" + std::string("\xf0\xff\xff\x7f", 4);
    testsupport::writeFile(path, s);
    auto f = aurx::riff::File::open(path, aurx::riff::Mode::Read);
    ASSERT_TRUE(f);
    Chunk r, d;
    ASSERT_TRUE(f->descend(r, nullptr, fourcc("RIFF")));
    EXPECT_FALSE(f->descend(d, &r, fourcc("data")));
}

TEST(RiffFile, OnlyRegularFilesOpenInAnyMode) {
    testsupport::TempDir dir;
    const auto fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto regular = dir.file("regular");
    testsupport::writeFile(regular, "RIFF");
    const auto link = dir.file("link");
    ASSERT_EQ(::symlink(regular.c_str(), link.c_str()), 0);
    struct Case {
        std::string path;
        int error;
    };
    // A FIFO would block the open (or the first read), a device would be read without end or
    // turned into a regular file.
    // The FIFO comes last and each refusal is asserted: one that opened would block on it.
    const Case refused[] = {
        {"/dev/zero", EINVAL}, {"/dev/null", EINVAL}, {dir.path(), EISDIR}, {fifo, EINVAL}};
    for (const auto mode :
         {aurx::riff::Mode::Read, aurx::riff::Mode::ReadWrite, aurx::riff::Mode::Create}) {
        for (const auto& c : refused) {
            errno = 0;
            ASSERT_FALSE(aurx::riff::File::open(c.path, mode)) << c.path << " mode " << int(mode);
            EXPECT_EQ(errno, c.error) << c.path;
        }
        EXPECT_TRUE(aurx::riff::File::open(link, mode))
            << "a link to a regular file, mode " << int(mode);
    }
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
