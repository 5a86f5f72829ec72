// Inserting a recording, deleting samples and re-packing: the exact sample sequences, the
// sizes, and that a failure at any point leaves the file as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "tests/recorder/engine/EngineRig.h"

using namespace testsupport;
using aurx::Status;

namespace {

std::vector<std::int16_t> slice(const std::vector<std::int16_t>& v, std::size_t from,
                                std::size_t n) {
    return std::vector<std::int16_t>(
        v.begin() + static_cast<std::ptrdiff_t>(from),
        v.begin() + static_cast<std::ptrdiff_t>(std::min(from + n, v.size())));
}

std::vector<std::int16_t> dataOf(const std::string& path) {
    return pcm16(chunkData(readFile(path), "data"));
}

// Writes beyond `bytes` into any file fail (EFBIG) while the object lives, as on a full disk.
class WriteLimit {
  public:
    explicit WriteLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~WriteLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

  private:
    rlimit old_{};
};

// The virtual line plays `insert` after the file's own content has been written.
struct Fixture {
    EngineRig rig;
    std::string path = rig.dir.file("five.wav");
    std::vector<std::int16_t> original = ramp(40000);  // five seconds at 8 kHz
    std::string tmp = rig.dir.file("tmp");

    Fixture() {
        std::filesystem::create_directory(tmp);
        ::setenv("TMPDIR", tmp.c_str(), 1);
        writePcm16Wav(path, original, 8000, 1);
        rig.line(std::vector<std::int16_t>(16000, 1234));
    }
    ~Fixture() { ::unsetenv("TMPDIR"); }
};

}  // namespace

TEST(Editing, InsertingTwoSecondsAtOneSecondGivesSevenSeconds) {
    Fixture f;
    auto& c = f.rig.control();
    ASSERT_EQ(c.OpenExistingOrNewFile(f.path), 0);
    ASSERT_TRUE(c.put_Insert(1));
    c.put_CurrentSamplePosition(8000);
    ASSERT_EQ(c.StartRecording(), 0);
    c.put_CurrentSamplePosition(100);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 8000)
        << "the insert point cannot move while recording";
    EXPECT_EQ(f.rig.steps(20), 20);
    EXPECT_EQ(c.get_NumSamples(), 56000) << "the length grows by every frame written";
    EXPECT_FALSE(filesIn(f.tmp).empty()) << "the audio waits in an insert file";
    c.Stop();
    ASSERT_TRUE(f.rig.waitFor("RecordingStopped"));
    EXPECT_EQ(f.rig.log->changes(), std::vector<std::string>{"RecordingStopped 0"});
    EXPECT_TRUE(filesIn(f.tmp).empty()) << "no insert file is left behind";
    EXPECT_EQ(c.get_NumSamples(), 56000);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 24000);
    ASSERT_EQ(c.Reset(), 0);
    const auto got = dataOf(f.path);
    ASSERT_EQ(got.size(), 56000u);
    EXPECT_EQ(slice(got, 0, 8000), slice(f.original, 0, 8000));
    EXPECT_EQ(slice(got, 8000, 16000), std::vector<std::int16_t>(16000, 1234));
    EXPECT_EQ(slice(got, 24000, 32000), slice(f.original, 8000, 32000));
    std::string info;
    ASSERT_EQ(run("sox", "--i " + f.path, &info), 0);
    EXPECT_NE(info.find("56000 samples"), std::string::npos) << info;
}

TEST(Editing, AnInsertThatWroteNothingLeavesTheFileUnchanged) {
    Fixture f;
    const std::string before = readFile(f.path);
    auto& c = f.rig.control();
    ASSERT_EQ(c.OpenExistingOrNewFile(f.path), 0);
    ASSERT_TRUE(c.put_Insert(1));
    c.put_CurrentSamplePosition(8000);
    ASSERT_EQ(c.StartRecording(), 0);
    c.Stop();
    ASSERT_TRUE(f.rig.waitFor("RecordingStopped"));
    EXPECT_EQ(c.get_NumSamples(), 40000);
    ASSERT_EQ(c.Reset(), 0);
    EXPECT_EQ(readFile(f.path), before);
    EXPECT_TRUE(filesIn(f.tmp).empty());
}

TEST(Editing, AGsmInsertLandsOnABlockAndSoxReadsTheResult) {
    Fixture f;
    const std::string gsm = f.rig.dir.file("g.wav");
    ASSERT_EQ(run("sox", f.path + " -e gsm-full-rate " + gsm), 0);
    auto& c = f.rig.control();
    ASSERT_EQ(c.OpenExistingOrNewFile(gsm), 0);
    ASSERT_EQ(c.get_NumSamples(), 40000);
    ASSERT_TRUE(c.put_Insert(1));
    c.put_CurrentSamplePosition(8000);  // 25 blocks
    ASSERT_EQ(c.StartRecording(), 0);
    f.rig.steps(8);  // 6400 frames = 20 blocks
    c.Stop();
    ASSERT_TRUE(f.rig.waitFor("RecordingStopped"));
    EXPECT_EQ(c.get_NumSamples(), 40000 + 6400);
    ASSERT_EQ(c.Reset(), 0);
    std::string info;
    ASSERT_EQ(run("sox", "--i " + gsm, &info), 0);
    EXPECT_NE(info.find("46400 samples"), std::string::npos) << info;
}

TEST(Editing, DeletingMovesTheRestDownAndKeepsTheFileLengthOnDisk) {
    Fixture f;
    const auto length = std::filesystem::file_size(f.path);
    auto& c = f.rig.control();
    ASSERT_EQ(c.OpenExistingOrNewFile(f.path), 0);
    c.put_CurrentSamplePosition(8000);
    EXPECT_EQ(c.DeleteTime(0.5), 0);  // 4000 frames
    EXPECT_EQ(c.get_NumSamples(), 36000);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 8000);
    EXPECT_EQ(std::filesystem::file_size(f.path), length) << "spare space until a re-pack";
    const auto mid = dataOf(f.path);
    ASSERT_EQ(mid.size(), 36000u) << "the sizes are patched at once";
    EXPECT_EQ(slice(mid, 0, 8000), slice(f.original, 0, 8000));
    EXPECT_EQ(slice(mid, 8000, 28000), slice(f.original, 12000, 28000));

    EXPECT_EQ(c.DeleteSamples(0), 0);
    EXPECT_EQ(c.DeleteSamples(-5), 0);
    EXPECT_EQ(c.get_NumSamples(), 36000);
    c.put_CurrentSamplePosition(30000);
    EXPECT_EQ(c.DeleteSamples(6000), 0) << "exactly the samples behind the position";
    EXPECT_EQ(c.get_NumSamples(), 30000);
    EXPECT_EQ(c.DeleteSamples(999999), 0) << "more than there are: cut at the position";
    EXPECT_EQ(c.get_NumSamples(), 30000);
    c.put_CurrentSamplePosition(20000);
    EXPECT_EQ(c.DeleteSamples(999999), 0);
    EXPECT_EQ(c.get_NumSamples(), 20000);
    ASSERT_TRUE(c.put_TemporaryFile(1));
    c.put_CurrentSamplePosition(5000);

    EXPECT_EQ(c.RePack(), 0);
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(std::filesystem::file_size(f.path), 44u + 2 * 20000) << "cut to the RIFF end";
    EXPECT_EQ(c.get_CurrentSamplePosition(), 5000);
    EXPECT_EQ(c.get_TemporaryFile(), 1);
    EXPECT_EQ(c.RePack(), 0) << "nothing to do the second time";
    ASSERT_TRUE(c.put_TemporaryFile(0));
    ASSERT_EQ(c.Reset(), 0);
    const auto packed = dataOf(f.path);
    EXPECT_EQ(slice(packed, 0, 8000), slice(f.original, 0, 8000));
    EXPECT_EQ(slice(packed, 8000, 12000), slice(f.original, 12000, 12000));
    EXPECT_EQ(filesIn(f.rig.dir.path()).size(), 3u) << "no copy is left beside the file";
}

// Every edit changes the file a symbolic link leads to, rebuilt beside it, and leaves the
// link a link.
TEST(Editing, EditsChangeTheFileALinkLeadsTo) {
    enum class Edit { Delete, RePack, Insert };
    for (const auto edit : {Edit::Delete, Edit::RePack, Edit::Insert}) {
        Fixture f;
        const std::string folder = f.rig.dir.file("elsewhere");
        std::filesystem::create_directory(folder);
        const std::string target = folder + "/call.wav";
        std::filesystem::rename(f.path, target);
        const std::string link = f.rig.dir.file("link.wav");
        std::filesystem::create_symlink(target, link);
        auto& c = f.rig.control();
        ASSERT_EQ(c.OpenExistingOrNewFile(link), 0);
        c.put_CurrentSamplePosition(8000);
        switch (edit) {
            case Edit::Delete:
                ASSERT_EQ(c.DeleteTime(0.5), 0);
                break;
            case Edit::RePack:
                ASSERT_EQ(c.DeleteSamples(4000), 0);
                ASSERT_EQ(c.RePack(), 0);
                break;
            case Edit::Insert:
                ASSERT_TRUE(c.put_Insert(1));
                ASSERT_EQ(c.StartRecording(), 0);
                f.rig.steps(5);
                c.Stop();
                ASSERT_TRUE(f.rig.waitFor("RecordingStopped"));
                break;
        }
        ASSERT_EQ(c.Reset(), 0);
        const int e = static_cast<int>(edit);
        ASSERT_TRUE(std::filesystem::is_symlink(link)) << e;
        EXPECT_EQ(std::filesystem::read_symlink(link), target) << e;
        const auto got = dataOf(target);
        EXPECT_EQ(got.size(), edit == Edit::Insert ? 44000u : 36000u) << e;
        EXPECT_EQ(slice(got, 0, 8000), slice(f.original, 0, 8000)) << e;
        EXPECT_EQ(filesIn(folder), std::vector<std::string>{"call.wav"}) << e;
    }
}

// A delete at the end changes nothing at all, not even the file's inode.
TEST(Editing, ADeleteAtTheEndRewritesNothing) {
    Fixture f;
    auto& c = f.rig.control();
    ASSERT_EQ(c.OpenExistingOrNewFile(f.path), 0);  // at the end
    const std::string before = readFile(f.path);
    struct stat st {};
    ASSERT_EQ(::stat(f.path.c_str(), &st), 0);
    EXPECT_EQ(c.DeleteSamples(1), 0);
    EXPECT_EQ(c.DeleteTime(2.0), 0);
    EXPECT_EQ(c.get_NumSamples(), 40000);
    struct stat after {};
    ASSERT_EQ(::stat(f.path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, st.st_ino) << "the file was rebuilt";
    ASSERT_EQ(c.Reset(), 0);
    EXPECT_EQ(readFile(f.path), before);
}

TEST(Editing, EditsRefuseTheWrongState) {
    Fixture f;
    auto& c = f.rig.control();
    EXPECT_EQ(c.DeleteSamples(10), 7);
    EXPECT_EQ(c.DeleteTime(1), 7);
    EXPECT_EQ(c.RePack(), 7);
    ASSERT_EQ(c.OpenExistingOrNewFile(f.path), 0);
    c.put_CurrentSamplePosition(0);
    ASSERT_EQ(c.StartPlayback(), 0);
    EXPECT_EQ(c.DeleteSamples(10), 7);
    c.Stop();
}

TEST(Editing, AFailedDeleteOrRePackLeavesTheFileAsItWas) {
    Fixture f;
    auto& c = f.rig.control();
    ASSERT_EQ(c.OpenExistingOrNewFile(f.path), 0);
    c.put_CurrentSamplePosition(8000);
    const std::string before = readFile(f.path);
    {
        WriteLimit limit(30000);  // the rebuilt copy cannot be written whole
        EXPECT_EQ(c.DeleteSamples(4000), 8);
    }
    EXPECT_EQ(c.get_NumSamples(), 40000);
    EXPECT_EQ(readFile(f.path), before);
    EXPECT_EQ(filesIn(f.rig.dir.path()).size(), 3u) << "no half-built copy is left";
    EXPECT_EQ(c.DeleteSamples(4000), 0);
    const std::string deleted = readFile(f.path);
    {
        WriteLimit limit(30000);
        EXPECT_EQ(c.RePack(), 12);
    }
    EXPECT_EQ(c.status(), Status::FileOpen) << "the file is open again, unchanged";
    EXPECT_EQ(readFile(f.path), deleted);
    EXPECT_EQ(c.get_NumSamples(), 36000);
}

TEST(Editing, AFailedMergeLeavesTheFileAsItWasAndReportsEight) {
    Fixture f;
    auto& c = f.rig.control();
    const std::string before = readFile(f.path);
    ASSERT_EQ(c.OpenExistingOrNewFile(f.path), 0);
    ASSERT_TRUE(c.put_Insert(1));
    c.put_CurrentSamplePosition(8000);
    ASSERT_EQ(c.StartRecording(), 0);
    {
        WriteLimit limit(60000);  // the insert file fits; the merged file does not
        f.rig.steps(10);
        c.Stop();
    }
    ASSERT_TRUE(f.rig.waitFor("RecordingStopped"));
    EXPECT_EQ(f.rig.log->changes(), std::vector<std::string>{"RecordingStopped 8"});
    EXPECT_EQ(c.get_NumSamples(), 40000);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 8000);
    EXPECT_TRUE(filesIn(f.tmp).empty());
    ASSERT_EQ(c.Reset(), 0);
    EXPECT_EQ(readFile(f.path), before);
}

// Audio lost to a write at the end of a recording is reported as a write error whether the
// recording was stopped or reached its limit: the merge of an insert, the post-tone, and what
// was still gathered for the file.
TEST(Editing, AWriteFailingAsTheRecordingEndsReportsEightHoweverItEnded) {
    struct Case {
        const char* what;
        bool insert;
        float postTone;
        rlim_t fileLimit;
    };
    const Case cases[] = {
        {"merge", true, 0.0f, 60000},                   // the insert fits, the merged file not
        {"post-tone", false, 1.0f, 44 + 16000 + 4000},  // the tone overflows a flush
        {"last gathered bytes", false, 0.2f, 44 + 16000 + 2000},  // still waiting at the end
    };
    for (const auto& k : cases) {
        for (const bool byLimit : {false, true}) {
            Fixture f;
            auto& c = f.rig.control();
            ASSERT_TRUE(c.put_PostToneDuration(k.postTone));
            if (k.insert) {
                ASSERT_EQ(c.OpenExistingOrNewFile(f.path), 0);
                ASSERT_TRUE(c.put_Insert(1));
                c.put_CurrentSamplePosition(8000);
            } else {
                ASSERT_EQ(f.rig.openNew("new.wav", 16), 0);
            }
            ASSERT_TRUE(c.put_RecordTimeLimit(byLimit ? 1.0 : 0.0));
            ASSERT_EQ(c.StartRecording(), 0);
            {
                WriteLimit limit(k.fileLimit);
                if (byLimit) {
                    while (c.status() == Status::Recording && f.rig.step()) {
                    }
                } else {
                    f.rig.steps(10);
                    c.Stop();
                }
                ASSERT_TRUE(f.rig.waitFor("RecordingStopped"));
            }
            EXPECT_EQ(f.rig.log->changes(), std::vector<std::string>{"RecordingStopped 8"})
                << k.what << (byLimit ? ", ended by the limit" : ", stopped");
            EXPECT_EQ(c.get_LastError(), 8) << k.what;
        }
    }
}
