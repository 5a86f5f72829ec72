// Status, Reset, the error codes and LastError, opening and closing files, temporary files
// and positions.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "aurx/AURX300Ctrl.h"
#include "tests/recorder/FakeDevices.h"
#include "tests/support/Sound.h"
#include "tests/support/TempDir.h"

using aurx::AURX300Ctrl;
using aurx::Status;
using testsupport::FakeDevices;
using testsupport::TempDir;

namespace {

std::shared_ptr<FakeDevices> devices() {
    return std::make_shared<FakeDevices>();
}

const char* kGsm = "31000100401f0000590600004100000002004001";

// Points TMPDIR at a folder for the life of the object.
class TmpDirOverride {
  public:
    explicit TmpDirOverride(const std::string& dir) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        ::setenv("TMPDIR", dir.c_str(), 1);
    }
    ~TmpDirOverride() {
        if (old_)
            ::setenv("TMPDIR", old_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

  private:
    std::optional<std::string> old_;
};

}  // namespace

TEST(ControlLifecycle, TheFirstResetReadiesTheControlAndClearsTheDesignTimeMeter) {
    AURX300Ctrl c(testsupport::environmentWith(devices()));
    EXPECT_EQ(c.status(), Status::Created);
    const auto zeros = c.GetLevels();
    EXPECT_EQ(zeros.leftLevel, 0.0f);
    EXPECT_EQ(zeros.rightOverload, 0);
    EXPECT_EQ(c.meterLevels().leftOverload, 1) << "a new control shows a fully lit meter";
    EXPECT_EQ(c.Reset(), 0);
    EXPECT_EQ(c.status(), Status::Ready);
    EXPECT_EQ(c.meterLevels().leftLevel, -9999.0f);
    EXPECT_EQ(c.meterLevels().rightOverload, 0);
    EXPECT_EQ(c.Reset(), 0);
    EXPECT_EQ(c.status(), Status::Ready);
}

TEST(ControlLifecycle, ResetAsksTheDefaultInputForThePreferredLinearFormat) {
    struct Case {
        std::int16_t bits;
        bool accepts16Only;
        std::int16_t expected;
    };
    for (const Case& k : std::vector<Case>{{8, true, 1},
                                           {16, true, 0},
                                           {106, true, 0},
                                           {107, true, 0},
                                           {100, true, 0},
                                           {16, false, 1},
                                           {100, false, 0}}) {
        auto d = devices();
        const bool only16 = k.accepts16Only;
        d->acceptInput = [only16](int device, const aurx::codecs::WaveFormat& f) {
            return only16 && device == -1 && f.bitsPerSample == 16 && f.tag == 1;
        };
        AURX300Ctrl c(testsupport::environmentWith(d));
        ASSERT_TRUE(c.put_BitsPerSample(k.bits));
        ASSERT_TRUE(c.put_SampleRate(8000));
        ASSERT_TRUE(c.put_NumChannels(1));
        d->questions = 0;
        EXPECT_EQ(c.Reset(), k.expected) << k.bits;
        EXPECT_EQ(c.status(), Status::Ready) << "the control is ready even when the device refuses";
        if (k.bits == 100) {
            EXPECT_EQ(d->questions, 0) << "no question for a codec format";
        }
        if (k.expected == 0 && k.bits != 100) {
            ASSERT_FALSE(d->asked.empty());
            EXPECT_EQ(d->asked.back(), aurx::codecs::WaveFormat::pcm(8000, 1, 16));
        }
        EXPECT_EQ(c.get_LastError(), k.expected);
    }
}

TEST(ControlLifecycle, WithoutAWorkerResetReportsSixAndChangesNothing) {
    auto env = testsupport::environmentWith(devices());
    env.workerAvailable = false;
    TempDir dir;
    AURX300Ctrl c(env);
    EXPECT_EQ(c.Reset(), 6);
    EXPECT_EQ(c.status(), Status::Created);
    EXPECT_EQ(c.OpenNewFile(dir.file("a.wav")), 6);
    EXPECT_FALSE(testsupport::exists(dir.file("a.wav")));
    EXPECT_EQ(c.get_LastError(), 6);
}

TEST(ControlLifecycle, LastErrorIsReadAndClearedAndKeptOverSuccesses) {
    AURX300Ctrl c(testsupport::environmentWith(devices()));
    EXPECT_EQ(c.StartRecording(), 7);
    EXPECT_EQ(c.Reset(), 0);  // a success does not clear the stored code
    EXPECT_EQ(c.get_LastError(), 7);
    EXPECT_EQ(c.get_LastError(), 0);
}

TEST(ControlLifecycle, OpeningCreatesAFileAndResetClosesIt) {
    TempDir dir;
    AURX300Ctrl c(testsupport::environmentWith(devices()));
    const auto path = dir.file("new.wav");
    ASSERT_EQ(c.OpenNewFile(path), 0);
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(c.get_Filename(), path);
    EXPECT_EQ(c.get_NumSamples(), 0);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 0);
    EXPECT_EQ(c.Reset(), 0);
    EXPECT_EQ(c.status(), Status::Ready);
    EXPECT_EQ(c.get_Filename(), "");
    // Closed with a correct header: a 16-bit stereo 44.1 kHz PCM file with no samples.
    const std::string bytes = testsupport::readFile(path);
    ASSERT_EQ(bytes.size(), 46u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(testsupport::le32(bytes, 4), 38u);
    EXPECT_EQ(testsupport::le16(bytes, 20), 1);  // PCM
    EXPECT_EQ(testsupport::le16(bytes, 22), 2);  // channels
    EXPECT_EQ(testsupport::le32(bytes, 24), 44100u);
    EXPECT_EQ(testsupport::le32(bytes, 28), 176400u);
    EXPECT_EQ(testsupport::le16(bytes, 32), 4);
    EXPECT_EQ(testsupport::le16(bytes, 34), 16);
    EXPECT_EQ(bytes.substr(38, 4), "data");
}

TEST(ControlLifecycle, PlayOnlyRefusesEverythingThatWouldWrite) {
    TempDir dir;
    AURX300Ctrl c(testsupport::environmentWith(devices()));
    ASSERT_TRUE(c.put_PlayOnly(1));
    EXPECT_EQ(c.OpenNewFile(dir.file("a.wav")), 18);
    EXPECT_EQ(c.OpenTemporaryFile(), 18);
    EXPECT_EQ(c.OpenExistingOrNewFile(dir.file("missing.wav")), 18);
    EXPECT_EQ(c.status(), Status::Ready)
        << "the open reset the control before finding the file missing";
    EXPECT_TRUE(testsupport::filesIn(dir.path()).empty());
    EXPECT_EQ(c.StartRecording(), 18);
    EXPECT_EQ(c.DeleteSamples(10), 18);
    EXPECT_EQ(c.RePack(), 18);
}

TEST(ControlLifecycle, AFailedOpenLeavesTheControlReadyWithoutAFile) {
    TempDir dir;
    AURX300Ctrl c(testsupport::environmentWith(devices()));
    ASSERT_EQ(c.OpenNewFile(dir.file("first.wav")), 0);
    EXPECT_EQ(c.OpenNewFile(dir.file("no/such/folder.wav")), 2);
    EXPECT_EQ(c.status(), Status::Ready);
    EXPECT_EQ(c.get_Filename(), "");
    EXPECT_TRUE(testsupport::exists(dir.file("first.wav")))
        << "the previous file was closed, not removed";
}

TEST(ControlLifecycle, OnlyRegularFilesAreOpenedOrCreated) {
    TempDir dir;
    const auto fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* what;
        std::int16_t playOnly;
        std::int16_t dataOnly;
        bool create;
    };
    const Case cases[] = {{"data-only", 0, 1, false},   {"played data-only", 1, 1, false},
                          {"WAV", 0, 0, false},         {"played WAV", 1, 0, false},
                          {"MPEG stream", 1, 2, false}, {"new file", 0, 0, true}};
    for (const std::string& path : {std::string("/dev/null"), std::string("/dev/zero"), fifo}) {
        for (const auto& k : cases) {
            AURX300Ctrl c(testsupport::environmentWith(devices()));
            ASSERT_TRUE(c.put_PlayOnly(k.playOnly));
            ASSERT_TRUE(c.put_DataOnly(k.dataOnly));
            const auto code = k.create ? c.OpenNewFile(path) : c.OpenExistingOrNewFile(path);
            // Asserted: an open that got through would block on the FIFO or read /dev/zero
            // for ever.
            ASSERT_EQ(code, 2) << path << ", " << k.what;
            EXPECT_EQ(c.status(), Status::Ready) << path << ", " << k.what;
        }
    }
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/null is still the device";
}

TEST(ControlLifecycle, ATemporaryFileLivesInTmpdirAndIsDeletedWhenClosed) {
    TempDir dir;
    TmpDirOverride tmp(dir.path());
    const auto onlyFile = [&] {
        const auto files = testsupport::filesIn(dir.path());
        return files.size() == 1 ? files[0] : std::string();
    };
    {
        AURX300Ctrl c(testsupport::environmentWith(devices()));
        ASSERT_EQ(c.OpenTemporaryFile(), 0);
        EXPECT_EQ(c.get_TemporaryFile(), 1);
        EXPECT_EQ(onlyFile().substr(0, 3), "AUR");
        EXPECT_EQ(c.get_Filename(), dir.file(onlyFile()));
        EXPECT_EQ(c.Reset(), 0);  // closing deletes it
        EXPECT_TRUE(testsupport::filesIn(dir.path()).empty());

        ASSERT_EQ(c.OpenTemporaryFile(), 0);
        const auto first = onlyFile();
        ASSERT_EQ(c.OpenNewFile(dir.file("kept.wav")), 0);  // opening another file deletes it
        EXPECT_FALSE(testsupport::exists(dir.file(first)));
        EXPECT_EQ(c.get_TemporaryFile(), 0);
        ASSERT_EQ(c.OpenTemporaryFile(), 0);
    }  // and so does destroying the control
    EXPECT_EQ(testsupport::filesIn(dir.path()), std::vector<std::string>{"kept.wav"});
}

TEST(ControlLifecycle, AnExistingFileOpensAtItsEndWithItsOwnFormat) {
    TempDir dir;
    const auto path = dir.file("tone.wav");
    testsupport::writePcm16Wav(path, testsupport::sine(440, 0.5, 1600, 8000), 8000, 1);
    AURX300Ctrl c(testsupport::environmentWith(devices()));
    ASSERT_EQ(c.OpenExistingOrNewFile(path), 0);
    EXPECT_EQ(c.status(), Status::FileOpen);
    EXPECT_EQ(c.get_SampleRate(), 8000);
    EXPECT_EQ(c.get_NumChannels(), 1);
    EXPECT_EQ(c.get_BitsPerSample(), 16);
    EXPECT_EQ(c.get_NumSamples(), 1600);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 1600);
    EXPECT_DOUBLE_EQ(c.get_TotalTime(), 0.2);
    EXPECT_DOUBLE_EQ(c.get_CurrentTimePosition(), 0.2);
    EXPECT_EQ(c.Reset(), 0);
    EXPECT_EQ(testsupport::readFile(path).size(), 44u + 3200u)
        << "an unchanged file is left as it was";
}

TEST(ControlLifecycle, PositionsFollowTheRules) {
    TempDir dir;
    const auto path = dir.file("tone.wav");
    testsupport::writePcm16Wav(path, testsupport::sine(440, 0.5, 8000, 8000), 8000, 1);
    AURX300Ctrl c(testsupport::environmentWith(devices()));
    c.put_CurrentSamplePosition(100);  // no file: ignored
    EXPECT_EQ(c.get_CurrentSamplePosition(), 0);
    ASSERT_EQ(c.OpenExistingOrNewFile(path), 0);
    const std::vector<std::pair<std::int32_t, std::int32_t>> moves = {
        {100, 100}, {-5, 8000}, {0, 0}, {9000, 8000}, {7999, 7999}};
    for (const auto& [to, expected] : moves) {
        c.put_CurrentSamplePosition(to);
        EXPECT_EQ(c.get_CurrentSamplePosition(), expected) << to;
    }
    c.put_CurrentTimePosition(0.5);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 4000);
    c.put_CurrentTimePosition(-1);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 8000);
    ASSERT_TRUE(c.put_Insert(1));  // idle with insert mode: still accepted
    c.put_CurrentSamplePosition(10);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 10);
}

TEST(ControlLifecycle, ACompressedFilePositionsOnWholeBlocks) {
    TempDir dir;
    AURX300Ctrl c(testsupport::environmentWith(devices()));
    ASSERT_TRUE(c.put_BitsPerSample(100));
    ASSERT_TRUE(c.put_AcmFormat(aurx::Variant(kGsm)));
    const auto path = dir.file("gsm.wav");
    ASSERT_EQ(c.OpenNewFile(path), 0);
    EXPECT_EQ(c.get_SampleRate(), 8000);
    EXPECT_EQ(c.get_NumChannels(), 1);
    EXPECT_EQ(c.Reset(), 0);
    // Three blocks of GSM data after the header: 960 frames.
    std::string bytes = testsupport::readFile(path);
    const std::uint32_t dataSize = 3 * 65;
    bytes += std::string(dataSize, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - dataSize - 4 + i] = static_cast<char>(dataSize >> (8 * i));
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = static_cast<char>((bytes.size() - 8) >> (8 * i));
    testsupport::writeFile(path, bytes);
    ASSERT_EQ(c.OpenExistingOrNewFile(path), 0);
    EXPECT_EQ(c.get_BitsPerSample(), 100);
    EXPECT_EQ(c.get_NumSamples(), 0) << "the fact count rules where there is one";
    c.Reset();
    // Without trusting a zero count the blocks tell the length: patch the fact count.
    bytes = testsupport::readFile(path);
    const auto factAt = bytes.find("fact");
    ASSERT_NE(factAt, std::string::npos);
    bytes[factAt + 8] = static_cast<char>(960 & 0xFF);
    bytes[factAt + 9] = static_cast<char>(960 >> 8);
    testsupport::writeFile(path, bytes);
    ASSERT_EQ(c.OpenExistingOrNewFile(path), 0);
    EXPECT_EQ(c.get_NumSamples(), 960);
    c.put_CurrentSamplePosition(500);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 320);
    c.put_CurrentSamplePosition(959);
    EXPECT_EQ(c.get_CurrentSamplePosition(), 640);
}

TEST(ControlLifecycle, DeviceCountsAndNamesComeFromThePlatform) {
    auto d = devices();
    AURX300Ctrl c(testsupport::environmentWith(d));
    EXPECT_EQ(c.get_NRecordDevices(), 2);
    EXPECT_EQ(c.get_NPlaybackDevices(), 1);
    EXPECT_EQ(c.get_RecordDeviceName(1), "Microphone");
    EXPECT_EQ(c.get_RecordDeviceName(2), "");
    EXPECT_EQ(c.get_RecordDeviceName(-1), "Line In");
    EXPECT_EQ(c.get_PlaybackDeviceName(5), "");
    EXPECT_TRUE(c.put_RecordDevice(7)) << "not checked against the count";
}

TEST(ControlLifecycle, ShowMixerStartsTheMixerProgramOrReportsTwelve) {
    std::vector<std::vector<std::string>> launched;
    auto env = testsupport::environmentWith(devices());
    bool succeed = true;
    env.launch = [&](const std::vector<std::string>& argv) {
        launched.push_back(argv);
        return succeed;
    };
    ::unsetenv("AURX_MIXER_COMMAND");
    AURX300Ctrl c(env);
    EXPECT_EQ(c.ShowMixer(0), 0);
    EXPECT_EQ(c.ShowMixer(2), 0);
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[0], (std::vector<std::string>{"pavucontrol", "--tab=1"}));
    EXPECT_EQ(launched[1], (std::vector<std::string>{"pavucontrol", "--tab=4"}));
    ::setenv("AURX_MIXER_COMMAND", "/opt/mixer", 1);
    EXPECT_EQ(c.ShowMixer(1), 0);
    EXPECT_EQ(launched.back(), (std::vector<std::string>{"/opt/mixer", "record"}));
    succeed = false;
    EXPECT_EQ(c.ShowMixer(0), 12);
    EXPECT_EQ(c.get_LastError(), 12);
    ::unsetenv("AURX_MIXER_COMMAND");
}
