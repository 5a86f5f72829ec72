#include <gtest/gtest.h>

#include "app/library/sharing/CallDropping.h"
#include "app/library/sharing/CallEmailing.h"
#include "app/library/sharing/CallSaving.h"
#include "tests/app/ControllerRig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

using namespace parlaro;
using testsupport::ControllerRig;
namespace fs = std::filesystem;

namespace {

struct FakeView final : CallOperationsView {
    std::map<MainButton, bool> enabled;
    bool busy = false;
    std::vector<std::string> log;
    void setButtonEnabled(MainButton b, bool e) override {
        enabled[b] = e;
        log.push_back(std::string(e ? "enable " : "disable ") +
                      (b == MainButton::Save ? "save" : "email"));
    }
    void setBusyPointer(bool b) override {
        busy = b;
        log.push_back(b ? "busy" : "normal");
    }
};

struct ScriptedDialogs final : SaveDialogs {
    std::deque<QString> saveAsAnswers;
    QString folderAnswer;
    std::vector<QString> proposed;
    std::vector<QString> filters;
    std::vector<std::pair<QString, QString>> folderQuestions;
    QString saveAs(const QString& p, const SaveFileType& type) override {
        proposed.push_back(p);
        filters.push_back(type.filter + " / " + type.suffix);
        if (saveAsAnswers.empty()) return {};
        QString a = saveAsAnswers.front();
        saveAsAnswers.pop_front();
        return a;
    }
    QString browseForFolder(const QString& prompt, const QString& start) override {
        folderQuestions.emplace_back(prompt, start);
        return folderAnswer;
    }
};

QString qpath(const testsupport::TempDir& dir, const std::string& name) {
    return QString::fromStdString(dir.file(name));
}

std::string contents(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll().toStdString();
}

void write(const QString& path, const std::string& bytes) {
    testsupport::writeFile(path.toStdString(), bytes);
}

}  // namespace

// Two calls in a calls folder, a destination folder already holding an old copy of the first
// and a third call whose recording has gone.
struct SaveRig {
    testsupport::TempDir dir;
    QString calls = qpath(dir, "calls/");
    QString dest = qpath(dir, "saved");
    QString first = calls + "20260107-090000-anna-10.wav";
    QString second = calls + "20260107-100000-bob-12.wav";
    QString gone = calls + "20260107-110000-anna-5.wav";
    testsupport::ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    FakeView view;
    int stops = 0;
    CallSaving saving{prompter, dialogs, view, [this] { ++stops; }};
    SaveRig() {
        fs::create_directories(calls.toStdString());
        fs::create_directories(dest.toStdString());
        write(first, "first call");
        write(QString(first).replace(".wav", ".txt"), "its note");
        write(second, "second call");
        write(dest + "/20260107-090000-anna-10.wav", "old copy");
    }
};

TEST(CallSaving, CopiesUnderTheirOwnNamesOrTheNamesGiven) {
    struct Case {
        const char* name;
        Answer answer;
        std::vector<const char*> selected;            // first, second, gone
        std::vector<const char*> saveAsAnswers;       // relative to dest; "" cancels
        const char* folder;                           // the chooser's answer, relative to dest
        std::map<std::string, std::string> expected;  // files in dest afterwards
        std::vector<QString> messages;
    };
    const Case cases[] = {
        {"own names, replacing the old copy",
         Answer::No,
         {"first", "second"},
         {},
         "",
         {{"20260107-090000-anna-10.wav", "first call"},
          {"20260107-100000-bob-12.wav", "second call"}},
         {}},
        {"a copy that fails is told and the rest go on",
         Answer::No,
         {"gone", "second"},
         {},
         "",
         {{"20260107-090000-anna-10.wav", "old copy"},
          {"20260107-100000-bob-12.wav", "second call"}},
         {"Copy file failed: Error = 2"}},
        {"names given, one cancelled, the default extension left to the dialog",
         Answer::Yes,
         {"first", "second"},
         {"20260107-090000-anna-10.wav", ""},
         nullptr,
         {{"20260107-090000-anna-10.wav", "first call"}},
         {}},
        {"a name given into a missing folder fails and the next call is still saved",
         Answer::Yes,
         {"first", "second"},
         {"nowhere/a.wav", "b.wav"},
         nullptr,
         {{"20260107-090000-anna-10.wav", "old copy"}, {"b.wav", "second call"}},
         {"Copy file failed: Error = 2"}},
    };
    for (const Case& c : cases) {
        SaveRig rig;
        rig.prompter.answers = {c.answer};
        std::vector<QString> selected;
        for (const char* which : c.selected)
            selected.push_back(std::string(which) == "first"    ? rig.first
                               : std::string(which) == "second" ? rig.second
                                                                : rig.gone);
        for (const char* a : c.saveAsAnswers)
            rig.dialogs.saveAsAnswers.push_back(*a ? rig.dest + "/" + a : QString());
        rig.dialogs.folderAnswer = c.folder ? rig.dest : QString();
        rig.saving.SaveCalls(selected, SendAs::Original);

        std::map<std::string, std::string> found;
        for (const auto& e : fs::directory_iterator(rig.dest.toStdString()))
            if (e.is_regular_file())
                found[e.path().filename().string()] = contents(QString::fromStdString(e.path()));
        EXPECT_EQ(found, c.expected) << c.name;
        ASSERT_GE(rig.prompter.shown.size(), 1u) << c.name;
        EXPECT_EQ(rig.prompter.shown[0].text,
                  "Do you want to give your own name to each saved call?");
        EXPECT_EQ(rig.prompter.shown[0].buttons, Buttons::YesNo);
        const std::vector<QString> texts = rig.prompter.texts();
        const std::vector<QString> messages(texts.begin() + 1, texts.end());
        EXPECT_EQ(messages, c.messages) << c.name;
        // Playback stopped first; the button and pointer come back whatever happened.
        EXPECT_EQ(rig.stops, 1) << c.name;
        EXPECT_EQ(rig.view.log,
                  (std::vector<std::string>{"disable save", "busy", "normal", "enable save"}))
            << c.name;
        if (c.answer == Answer::Yes) {
            // Each dialog proposes the recording's own name, in the home folder at first.
            ASSERT_EQ(rig.dialogs.proposed.size(), selected.size()) << c.name;
            EXPECT_EQ(rig.dialogs.proposed[0],
                      QDir::homePath() + "/" + QFileInfo(selected[0]).fileName());
            EXPECT_TRUE(rig.dialogs.folderQuestions.empty());
            EXPECT_EQ(rig.dialogs.filters[0], "wav files (*.wav) / wav");
        } else {
            ASSERT_EQ(rig.dialogs.folderQuestions.size(), 1u);
            EXPECT_EQ(rig.dialogs.folderQuestions[0],
                      std::make_pair(QString("Save calls to:"), QDir::homePath() + "/"));
        }
        // Notes stay behind.
        EXPECT_FALSE(QFile::exists(rig.dest + "/20260107-090000-anna-10.txt")) << c.name;
    }
}

TEST(CallSaving, TheLastFolderIsRememberedAndACancelledChooserSavesNothing) {
    SaveRig rig;
    rig.dialogs.folderAnswer = rig.dest;  // without the "/"
    rig.prompter.answers = {Answer::No, Answer::No, Answer::No};
    rig.saving.SaveCalls({rig.second}, SendAs::Original);
    EXPECT_EQ(rig.saving.lastSaveFolder(), rig.dest + "/");

    rig.dialogs.folderAnswer = "";
    rig.saving.SaveCalls({rig.first}, SendAs::Original);
    ASSERT_EQ(rig.dialogs.folderQuestions.size(), 2u);
    EXPECT_EQ(rig.dialogs.folderQuestions[1].second, rig.dest + "/");
    EXPECT_EQ(contents(rig.dest + "/20260107-090000-anna-10.wav"), "old copy");
    EXPECT_EQ(rig.saving.lastSaveFolder(), rig.dest + "/");

    // Nothing selected: the chooser is not even shown.
    rig.saving.SaveCalls({}, SendAs::Original);
    EXPECT_EQ(rig.dialogs.folderQuestions.size(), 2u);
}

TEST(CallSaving, SavingACallOntoItselfKeepsTheRecording) {
    SaveRig rig;
    rig.prompter.answers = {Answer::No};
    rig.dialogs.folderAnswer = rig.calls;
    rig.saving.SaveCalls({rig.first}, SendAs::Original);
    EXPECT_EQ(contents(rig.first), "first call");
    EXPECT_EQ(rig.prompter.shown.size(), 1u);
    // No half-written copies are left beside the calls.
    EXPECT_EQ(testsupport::filesIn(rig.calls.toStdString()).size(), 3u);
}

namespace {

struct FakeMailer final : Mailer {
    std::vector<parlaro::mail::Message> sent;
    parlaro::mail::Result answer;
    FakeView* view = nullptr;
    bool buttonWhileSending = true;
    parlaro::mail::Result send(const parlaro::mail::Message& m) override {
        sent.push_back(m);
        if (view) buttonWhileSending = view->enabled.at(MainButton::Email);
        return answer;
    }
};

struct MailRig {
    testsupport::TempDir dir;
    testsupport::FakeRecorder player;
    testsupport::ScriptedPrompter prompter;
    FakeMailer mailer;
    FakeView view;
    int stops = 0;
    MailAttachments attachments;
    CallEmailing emailing{player, prompter, mailer, view, attachments, [this] { ++stops; }};
    MailRig() { mailer.view = &view; }

    QString call(const std::string& name, int64_t bytes, bool pcm) {
        const QString path = qpath(dir, name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.resize(bytes);
        player.formats[path] = pcm ? "PCM, 8.000 kHz, 8 Bit, Mono" : "GSM 6.10, 8.000 kHz, Mono";
        return path;
    }
};

}  // namespace

TEST(CallEmailing, SizesAndTheLargeMailWarnings) {
    const QString compressed =
        "EMail exceeds 1Mb (Actual size: %1)\nEnsure the recipient can accept large "
        "emails.\n\nSend anyway?";
    const QString pcm =
        "EMail exceeds 1Mb (Actual size: %1) & contains PCM files\nYou may wish to use a zip "
        "program to compress the files before sending.\n\nSend anyway?";
    struct Case {
        std::vector<std::pair<int64_t, bool>> files;  // bytes, PCM
        QString warning;                              // "" when none
    };
    const Case cases[] = {
        {{{400 * 1024, false}, {400 * 1024, false}, {400 * 1024, false}},
         compressed.arg("1.17 Mb")},
        {{{1010 * 1024, true}}, ""},
        {{{1010 * 1024, false}}, compressed.arg("0.99 Mb")},
        {{{1000 * 1024, false}}, ""},
        {{{1025 * 1024, true}}, pcm.arg("1.00 Mb")},
        {{{600 * 1024, false}, {600 * 1024, true}}, pcm.arg("1.17 Mb")},
        // The total is rounded after each file: 3 x 0.6 kilobytes counts as 3, not 2.
        {{{614, false}, {614, false}, {614, false}}, ""},
    };
    for (const Case& c : cases) {
        for (const Answer answer : {Answer::No, Answer::Yes}) {
            MailRig rig;
            std::vector<QString> calls;
            int i = 0;
            for (const auto& [bytes, isPcm] : c.files)
                calls.push_back(rig.call("2026010" + std::to_string(++i) + "-090000-anna-10.wav",
                                         bytes, isPcm));
            rig.prompter.answers = {answer};
            rig.emailing.EmailCalls(calls, SendAs::Original);
            if (c.warning.isEmpty()) {
                EXPECT_TRUE(rig.prompter.shown.empty()) << c.files.size();
                EXPECT_EQ(rig.mailer.sent.size(), 1u);
                continue;
            }
            ASSERT_EQ(rig.prompter.shown.size(), 1u) << c.warning.toStdString();
            const Message& m = rig.prompter.shown[0];
            EXPECT_EQ(m.text, c.warning);
            EXPECT_EQ(m.title, "Large Email Warning");
            EXPECT_EQ(m.icon, Icon::Question);
            EXPECT_EQ(m.buttons, Buttons::YesNo);
            EXPECT_EQ(rig.mailer.sent.size(), answer == Answer::Yes ? 1u : 0u);
        }
    }
    EXPECT_EQ(addKilobytes(2, 614), 3);
    EXPECT_EQ(MailSizeText(1200), "1.17 Mb");
}

TEST(CallEmailing, OneMessageWithEachCallsNoteAndRecording) {
    MailRig rig;
    const QString noted = rig.call("20260107-090000-anna-10.wav", 1000, false);
    write(qpath(rig.dir, "20260107-090000-anna-10.txt"), "call back\r\ntomorrow");
    const QString bare = rig.call("20260107-100000-bob-12.wav", 1000, true);
    rig.emailing.EmailCalls({noted, bare}, SendAs::Original);

    ASSERT_EQ(rig.mailer.sent.size(), 1u);
    const parlaro::mail::Message& m = rig.mailer.sent[0];
    EXPECT_EQ(m.subject, "Parlaro Telephone Call Recording");
    EXPECT_EQ(m.body,
              "Parlaro Telephone Call Recording\n\n20260107-090000-anna-10.wav\nNote: call back "
              "<CR> tomorrow\n\n20260107-100000-bob-12.wav\nNote: <no note>");
    EXPECT_EQ(m.attachments, (QStringList{noted, bare}));
    EXPECT_FALSE(rig.mailer.buttonWhileSending);
    EXPECT_TRUE(rig.view.enabled.at(MainButton::Email));
    EXPECT_EQ(rig.stops, 1);
    // Each recording was looked at in the player, which was left without a file.
    EXPECT_EQ(
        std::count(rig.player.calls.begin(), rig.player.calls.end(), "GetCurrentFormatAsString"),
        2);
    EXPECT_EQ(rig.player.status, RecorderStatus::Ready);
    EXPECT_EQ(rig.player.calls.back(), "Stop");
    EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(CallEmailing, MailClientFailuresAreToldWithTheirStage) {
    struct Case {
        parlaro::mail::Failure failure;
        QString expected;
    } cases[] = {
        {parlaro::mail::Failure::Starting, "Error Starting Email Session - no mail client"},
        {parlaro::mail::Failure::Sending, "Error Sending Email - no mail client"},
    };
    for (const Case& c : cases) {
        MailRig rig;
        rig.mailer.answer = {c.failure, "no mail client"};
        rig.emailing.EmailCalls({rig.call("20260107-090000-anna-10.wav", 10, false)},
                                SendAs::Original);
        ASSERT_EQ(rig.prompter.shown.size(), 1u);
        EXPECT_EQ(rig.prompter.shown[0].text, c.expected);
        EXPECT_EQ(rig.prompter.shown[0].title, "Email Error");
        EXPECT_TRUE(rig.view.enabled.at(MainButton::Email));
    }
}

TEST(CallEmailing, AMissingRecordingIsNotCreatedByTheFormatCheck) {
    MailRig rig;
    const QString missing = qpath(rig.dir, "20260107-090000-anna-10.wav");
    rig.emailing.EmailCalls({missing}, SendAs::Original);
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(std::count(rig.player.calls.begin(), rig.player.calls.end(), "OpenExistingOrNewFile"),
              0);
}

namespace {

struct PlayerRig {
    ControllerRig r;
    testsupport::FakeRecorder player;
    struct : PlaybackView {
        void setSliderMaximum(int) override {}
        void setSliderValue(int) override {}
        int sliderValue() const override { return 0; }
        void setPositionText(const QString&) override {}
        void setPositionTimer(bool) override {}
        void showOpenCall(const QString&) override {}
    } view;
    std::optional<CallPlayback> playback;
    PlayerRig() {
        player.total = 10;
        player.numSamples = 80000;
        r.load();
        playback.emplace(player, r.prompter, view, *r.c);
    }
};

}  // namespace

TEST(CallDropping, OnlyASingleWavOrMp3FilePlays) {
    struct Case {
        QStringList files;
        bool plays;
        int16_t dataOnly;  // as the opening leaves it
        bool told;
    } cases[] = {
        {{"/music/a.wav", "/music/b.wav"}, false, 0, true},
        {{"/music/Call.WAV"}, true, 0, false},
        {{"/music/song.Mp3"}, true, 2, false},
        {{"/music/notes.txt"}, false, 0, false},
        {{"/music/wav"}, true, 0, false},
    };
    for (const Case& c : cases) {
        PlayerRig rig;
        rig.player.dataOnly = 0;
        FilesDropped(c.files, rig.player, *rig.playback, rig.r.prompter);
        EXPECT_EQ(rig.playback->playing(), c.plays) << c.files.join(",").toStdString();
        EXPECT_EQ(rig.player.openedPath, c.plays ? c.files.front() : QString());
        EXPECT_EQ(rig.player.dataOnly, c.dataOnly) << c.files.join(",").toStdString();
        if (c.told) {
            ASSERT_EQ(rig.r.prompter.shown.size(), 1u);
            EXPECT_EQ(rig.r.prompter.shown[0].text, "Please drag a single file at a time");
            EXPECT_EQ(rig.r.prompter.shown[0].title, "Drag / Drop");
            EXPECT_EQ(rig.r.prompter.shown[0].icon, Icon::Information);
        } else {
            EXPECT_TRUE(rig.r.prompter.shown.empty()) << c.files.join(",").toStdString();
        }
    }
}

TEST(CallDropping, AFileDroppedWhileACallPlaysReplacesIt) {
    PlayerRig rig;
    FilesDropped({"/calls/first.wav"}, rig.player, *rig.playback, rig.r.prompter);
    ASSERT_TRUE(rig.playback->playing());
    rig.player.calls.clear();
    FilesDropped({"/music/second.mp3"}, rig.player, *rig.playback, rig.r.prompter);
    EXPECT_TRUE(rig.playback->playing());
    EXPECT_EQ(rig.player.openedPath, "/music/second.mp3");
    EXPECT_EQ(rig.player.dataOnly, 2);
    ASSERT_FALSE(rig.player.calls.empty());
    EXPECT_EQ(rig.player.calls.front(), "Reset");
    EXPECT_TRUE(rig.r.prompter.shown.empty());
}
