// Saving and mailing calls as Opus or MP3: the names and file types, copies written whole or
// not at all, and converted attachments in a private folder that lives while a mail client
// may still read them.
#include <gtest/gtest.h>

#include "app/library/sharing/CallConversion.h"
#include "app/library/sharing/CallEmailing.h"
#include "app/library/sharing/CallSaving.h"
#include "tests/app/ControllerRig.h"
#include "tests/app/FakeXdgEmail.h"
#include "tests/support/Sound.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <deque>
#include <filesystem>

using namespace parlaro;
namespace fs = std::filesystem;

namespace {

QString qpath(const testsupport::TempDir& dir, const std::string& name) {
    return QString::fromStdString(dir.file(name));
}

std::string contents(const QString& path) {
    return testsupport::exists(path.toStdString()) ? testsupport::readFile(path.toStdString())
                                                   : "<missing>";
}

// A recording the codecs decode: seconds of a tone as 16-bit PCM.
QString recording(const QString& path, double seconds = 1, unsigned rate = 8000,
                  unsigned channels = 1) {
    fs::create_directories(QFileInfo(path).absolutePath().toStdString());
    const auto frames = static_cast<std::size_t>(seconds * rate);
    testsupport::writePcm16Wav(
        path.toStdString(), testsupport::sine(440, 8000, frames, rate, channels), rate, channels);
    return path;
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 0777;
}

struct NoView final : CallOperationsView {
    void setButtonEnabled(MainButton, bool) override {}
    void setBusyPointer(bool) override {}
};

}  // namespace

TEST(SendAs, SettingValuesNamesAndFileTypes) {
    struct Case {
        int32_t setting;
        SendAs format;
        QString name;
        QString fileName;  // of "/calls/20260107-090000-anna-10.wav"
        QString filter;
    } cases[] = {
        {0, SendAs::Original, "Original", "20260107-090000-anna-10.wav", "wav files (*.wav)"},
        {1, SendAs::Opus, "Opus", "20260107-090000-anna-10.opus", "opus files (*.opus)"},
        {2, SendAs::Mp3, "MP3", "20260107-090000-anna-10.mp3", "mp3 files (*.mp3)"},
        // Values no version writes count as the default.
        {-1, SendAs::Opus, "Opus", "20260107-090000-anna-10.opus", "opus files (*.opus)"},
        {3, SendAs::Opus, "Opus", "20260107-090000-anna-10.opus", "opus files (*.opus)"},
    };
    for (const Case& c : cases) {
        const SendAs format = SendAsFromSetting(c.setting);
        EXPECT_EQ(format, c.format) << c.setting;
        EXPECT_EQ(SendAsName(format), c.name);
        EXPECT_EQ(SharedFileName("/calls/20260107-090000-anna-10.wav", format), c.fileName);
        EXPECT_EQ(SaveFileTypeFor(format).filter, c.filter);
        EXPECT_TRUE(c.filter.contains("*." + SaveFileTypeFor(format).suffix + ")"));
    }
    // Only the last extension is replaced.
    EXPECT_EQ(SharedFileName("/a.b/call.v2.wav", SendAs::Mp3), "call.v2.mp3");
    EXPECT_EQ(SharedFileName("/calls/call", SendAs::Opus), "call.opus");
}

TEST(CallConversion, ACopyIsWrittenWholeOrNotAtAll) {
    struct Case {
        const char* name;
        const char* source;  // "good", "text" or "missing"
        const char* target;  // relative to the folder "out"; "=" for the recording itself
        SendAs format;
        QString failure;    // "" for success; %1 the recording's name
        QByteArray starts;  // the copy's first bytes
    } cases[] = {
        {"Opus in Ogg", "good", "copy.opus", SendAs::Opus, "", "OggS"},
        {"MP3, its info frame first", "good", "copy.mp3", SendAs::Mp3, "", "\xff"},
        {"the original, copied", "good", "copy.wav", SendAs::Original, "", "RIFF"},
        {"a recording that is no sound replaces nothing", "text", "old.opus", SendAs::Opus,
         "Could not convert %1 to Opus: it is not a WAV or MP3 file", "old"},
        {"a missing recording", "missing", "old.mp3", SendAs::Mp3,
         "Could not convert %1 to MP3: it cannot be opened", "old"},
        {"a plain copy keeps its message", "missing", "old.wav", SendAs::Original,
         "Copy file failed: Error = 2", "old"},
        {"a missing folder", "good", "nowhere/copy.opus", SendAs::Opus, "*", ""},
        {"the recording itself is never replaced", "good", "=", SendAs::Opus,
         "Could not convert %1 to Opus: the copy would replace the recording itself", "RIFF"},
    };
    for (const Case& c : cases) {
        testsupport::TempDir dir;
        const QString out = qpath(dir, "out");
        fs::create_directories(out.toStdString());
        for (const char* old : {"old.opus", "old.mp3", "old.wav"})
            testsupport::writeFile((out + "/" + old).toStdString(), "old");
        QString source = out + "/20260107-090000-anna-10.wav";
        if (std::string(c.source) == "good") recording(source);
        if (std::string(c.source) == "text") testsupport::writeFile(source.toStdString(), "hi");
        const std::string before = contents(source);
        const QString target = std::string(c.target) == "=" ? source : out + "/" + c.target;
        const auto failure = ShareCallFile(source, target, c.format);

        if (c.failure.isEmpty()) {
            EXPECT_FALSE(failure) << c.name << ": " << failure.value_or("").toStdString();
            // A saved copy gets the usual rights, not a temporary file's.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            EXPECT_EQ(modeOf(target), 0666 & ~mask) << c.name;
        } else if (c.failure == "*") {
            ASSERT_TRUE(failure) << c.name;
            EXPECT_TRUE(
                failure->startsWith("Could not convert 20260107-090000-anna-10.wav to "
                                    "Opus: "))
                << failure->toStdString();
        } else {
            const QString expected =
                c.failure.contains("%1") ? c.failure.arg(QFileInfo(source).fileName()) : c.failure;
            EXPECT_EQ(failure.value_or(""), expected) << c.name;
        }
        if (!c.starts.isEmpty()) {
            EXPECT_TRUE(QByteArray::fromStdString(contents(target)).startsWith(c.starts)) << c.name;
        }
        // The recording is only read, and nothing half-written is left beside the target.
        EXPECT_EQ(contents(source), before) << c.name;
        const std::size_t expectedFiles =
            3 + (std::string(c.source) != "missing") + (c.failure.isEmpty() ? 1 : 0);
        EXPECT_EQ(testsupport::filesIn(out.toStdString()).size(), expectedFiles) << c.name;
    }
}

namespace {

struct ScriptedDialogs final : SaveDialogs {
    std::deque<QString> answers;
    QString folder;
    std::vector<QString> proposed;
    std::vector<QString> types;
    QString saveAs(const QString& p, const SaveFileType& type) override {
        proposed.push_back(p);
        types.push_back(type.filter + " / " + type.suffix);
        if (answers.empty()) return {};
        const QString a = answers.front();
        answers.pop_front();
        return a;
    }
    QString browseForFolder(const QString&, const QString&) override { return folder; }
};

}  // namespace

TEST(CallSaving, ConvertedCopiesTakeTheFormatsExtensionEitherWay) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        testsupport::TempDir dir;
        const QString first = recording(qpath(dir, "calls/20260107-090000-anna-10.wav"));
        const QString broken = qpath(dir, "calls/20260107-093000-anna-11.wav");
        testsupport::writeFile(broken.toStdString(), "not a sound");
        const QString second = recording(qpath(dir, "calls/20260107-100000-bob-12.wav"));
        const QString dest = qpath(dir, "saved");
        fs::create_directories(dest.toStdString());
        testsupport::ScriptedPrompter prompter;
        prompter.answers = {answer};
        ScriptedDialogs dialogs;
        dialogs.folder = dest;
        // The dialog adds the default extension to a bare name.
        dialogs.answers = {dest + "/20260107-090000-anna-10.opus", dest + "/broken.opus",
                           dest + "/20260107-100000-bob-12.opus"};
        NoView view;
        CallSaving saving{prompter, dialogs, view, {}};
        saving.SaveCalls({first, broken, second}, SendAs::Opus);

        const auto saved = testsupport::filesIn(dest.toStdString());
        EXPECT_EQ(
            std::set<std::string>(saved.begin(), saved.end()),
            (std::set<std::string>{"20260107-090000-anna-10.opus", "20260107-100000-bob-12.opus"}));
        // The call that cannot be converted is told about; the others are saved all the same.
        ASSERT_EQ(prompter.shown.size(), 2u);
        EXPECT_EQ(prompter.shown[1].text,
                  "Could not convert 20260107-093000-anna-11.wav to "
                  "Opus: it is not a WAV or MP3 file");
        EXPECT_EQ(prompter.shown[1].icon, Icon::Exclamation);
        if (answer == Answer::Yes) {
            ASSERT_EQ(dialogs.proposed.size(), 3u);
            EXPECT_EQ(dialogs.proposed[0], QDir::homePath() + "/20260107-090000-anna-10.opus");
            EXPECT_EQ(dialogs.types[0], "opus files (*.opus) / opus");
        }
    }
}

namespace {

struct FakeMailer final : Mailer {
    std::vector<parlaro::mail::Message> sent;
    std::vector<bool> attachedFilesExisted;
    parlaro::mail::Result answer;
    parlaro::mail::Result send(const parlaro::mail::Message& m) override {
        sent.push_back(m);
        for (const QString& a : m.attachments)
            attachedFilesExisted.push_back(QFileInfo(a).isFile());
        return answer;
    }
};

struct MailRig {
    testsupport::TempDir dir;
    testsupport::FakeRecorder player;
    testsupport::ScriptedPrompter prompter;
    FakeMailer mailer;
    NoView view;
    MailAttachments attachments;
    CallEmailing emailing{player, prompter, mailer, view, attachments, {}};
};

}  // namespace

TEST(CallEmailing, ConvertedCallsAreAttachedFromAPrivateFolder) {
    MailRig rig;
    // Two calls of the same name from different folders, one of them noted.
    const QString first = recording(qpath(rig.dir, "a/20260107-090000-anna-10.wav"));
    const QString twin = recording(qpath(rig.dir, "b/20260107-090000-anna-10.wav"));
    testsupport::writeFile(rig.dir.file("a/20260107-090000-anna-10.txt"), "call back");
    rig.emailing.EmailCalls({first, twin}, SendAs::Opus);

    ASSERT_EQ(rig.mailer.sent.size(), 1u);
    const parlaro::mail::Message& m = rig.mailer.sent[0];
    ASSERT_EQ(m.attachments.size(), 2);
    EXPECT_NE(m.attachments[0], m.attachments[1]);
    EXPECT_EQ(rig.mailer.attachedFilesExisted, (std::vector<bool>{true, true}));
    EXPECT_EQ(m.body,
              "Parlaro Telephone Call Recording\n\n20260107-090000-anna-10.opus\nNote: call "
              "back\n\n20260107-090000-anna-10.opus\nNote: <no note>");
    ASSERT_EQ(rig.attachments.folders().size(), 1u);
    const QString folder = rig.attachments.folders()[0];
    EXPECT_TRUE(folder.startsWith(QDir::tempPath() + "/"));
    EXPECT_EQ(modeOf(folder), 0700u);
    for (const QString& a : m.attachments) {
        EXPECT_TRUE(a.startsWith(folder + "/")) << a.toStdString();
        EXPECT_EQ(QFileInfo(a).fileName(), "20260107-090000-anna-10.opus");
    }
    // Converted files are compressed: the player is not asked about their format.
    EXPECT_EQ(
        std::count(rig.player.calls.begin(), rig.player.calls.end(), "GetCurrentFormatAsString"),
        0);
    // The recordings themselves are untouched and nothing was written beside them.
    EXPECT_EQ(testsupport::filesIn(rig.dir.file("a")).size(), 2u);
    EXPECT_EQ(testsupport::filesIn(rig.dir.file("b")).size(), 1u);
}

TEST(CallEmailing, AttachmentsLiveWhileAMailClientMayReadThem) {
    struct Case {
        const char* name;
        parlaro::mail::Failure failure;
        std::size_t foldersKept;
    } cases[] = {
        {"handed to the client: kept", parlaro::mail::Failure::None, 1},
        {"refused by the client: removed", parlaro::mail::Failure::Sending, 0},
        {"no client: removed", parlaro::mail::Failure::Starting, 0},
    };
    for (const Case& c : cases) {
        MailRig rig;
        rig.mailer.answer = {c.failure, "no"};
        rig.emailing.EmailCalls({recording(qpath(rig.dir, "20260107-090000-anna-10.wav"))},
                                SendAs::Mp3);
        EXPECT_EQ(rig.mailer.sent.size(), 1u) << c.name;
        EXPECT_EQ(rig.attachments.folders().size(), c.foldersKept) << c.name;
    }

    // Every call failing to convert sends nothing and keeps no folder.
    MailRig rig;
    testsupport::writeFile(rig.dir.file("20260107-090000-anna-10.wav"), "no sound");
    rig.emailing.EmailCalls({qpath(rig.dir, "20260107-090000-anna-10.wav")}, SendAs::Opus);
    EXPECT_TRUE(rig.mailer.sent.empty());
    EXPECT_TRUE(rig.attachments.folders().empty());
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_EQ(rig.prompter.shown[0].text,
              "Could not convert 20260107-090000-anna-10.wav to Opus: it is not a WAV or MP3 "
              "file\nThe call is left out of the mail.");

    // The folders go when the program lets go of them.
    QString kept;
    {
        MailAttachments attachments;
        kept = attachments.newFolder();
        testsupport::writeFile((kept + "/a.opus").toStdString(), "x");
    }
    EXPECT_FALSE(QFileInfo::exists(kept));
}

TEST(CallEmailing, TheSizeWarningsCountTheConvertedFiles) {
    // 17 seconds of 16-bit stereo PCM at 16 kHz: 1063 kilobytes, which would be warned about.
    for (const SendAs format : {SendAs::Original, SendAs::Opus}) {
        MailRig rig;
        const QString call = recording(qpath(rig.dir, "20260107-090000-anna-10.wav"), 17, 16000, 2);
        rig.player.formats[call] = "PCM, 16.000 kHz, 16 Bit, Stereo";
        rig.prompter.answers = {Answer::No};
        rig.emailing.EmailCalls({call}, format);
        if (format == SendAs::Original) {
            ASSERT_EQ(rig.prompter.shown.size(), 1u);
            EXPECT_TRUE(
                rig.prompter.shown[0].text.contains("(Actual size: 1.04 Mb) & contains "
                                                    "PCM files"))
                << rig.prompter.shown[0].text.toStdString();
            EXPECT_TRUE(rig.mailer.sent.empty());
        } else {
            // About 50 kilobytes of Opus: no question.
            EXPECT_TRUE(rig.prompter.shown.empty());
            ASSERT_EQ(rig.mailer.sent.size(), 1u);
            EXPECT_LT(QFileInfo(rig.mailer.sent[0].attachments[0]).size(), 100 * 1024);
        }
    }
}

TEST(CallEmailing, TheMailClientFindsTheConvertedFilesWhileItRuns) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    testsupport::TempDir dir;
    const std::string present = dir.file("present");
    testsupport::FakeXdgEmail fake(
        "for a in \"$@\"; do case \"$a\" in *.opus) test -s \"$a\" && echo \"$a\" >> '" + present +
        "';; esac; done");
    const QString a = recording(qpath(dir, "calls/20260107-090000-anna-10.wav"));
    const QString b = recording(qpath(dir, "calls/20260107-100000-bob-12.wav"));
    testsupport::FakeRecorder player;
    testsupport::ScriptedPrompter prompter;
    DesktopMailer mailer;
    NoView view;
    std::vector<QString> folders;
    {
        MailAttachments attachments;
        CallEmailing emailing{player, prompter, mailer, view, attachments, {}};
        emailing.EmailCalls({a, b}, SendAs::Opus);
        EXPECT_TRUE(prompter.shown.empty());
        folders = attachments.folders();
    }
    const QStringList args = fake.arguments();
    const QStringList attached = {args.at(args.indexOf("--attach") + 1), args.last()};
    EXPECT_TRUE(attached[0].endsWith("/20260107-090000-anna-10.opus"));
    EXPECT_TRUE(attached[1].endsWith("/20260107-100000-bob-12.opus"));
    EXPECT_EQ(
        QString::fromStdString(testsupport::readFile(present)).split('\n', Qt::SkipEmptyParts),
        attached);
    // Gone with the program.
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(folders[0]));
}
