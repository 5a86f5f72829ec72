#include <gtest/gtest.h>

#include "platform/riff/RiffFile.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

using riff::Chunk;
using riff::fourcc;
using testsupport::le32;

TEST(RiffFile, AscendingADirtyChunkWritesItsSizeAndAPadByte) {
    testsupport::TempDir dir;
    const auto path = dir.file("odd.riff");
    {
        auto f = riff::File::open(path, riff::Mode::Create);
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
    auto f = riff::File::open(path, riff::Mode::Read);
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
    auto f = riff::File::open(path, riff::Mode::Read);
    ASSERT_TRUE(f);
    Chunk r, d;
    ASSERT_TRUE(f->descend(r, nullptr, fourcc("RIFF")));
    EXPECT_FALSE(f->descend(d, &r, fourcc("data")));
}
