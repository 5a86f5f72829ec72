// A recording controller with fakes all round, and a simulated clock that fires the window's
// timers in time order, so tests can play a line's levels poll by poll.
#pragma once

#include "app/recording/RecordingController.h"
#include "tests/app/ScriptedPrompter.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace testsupport {

struct FakeRecorder final : parlaro::Recorder {
    float left = -9999;
    parlaro::RecorderStatus status = parlaro::RecorderStatus::Ready;
    double position = 0;
    bool paused = false;
    int16_t resetCode = 0, openTempCode = 0, openNewCode = 0, startCode = 0, lastError = 0;
    QString openedPath;
    std::vector<std::string> calls;
    float preRoll = -1;
    std::vector<parlaro::InputNews> news;
    int16_t bits = 0;
    int32_t rate = 0;
    QString acm;
    int16_t channels = 0;
    int32_t device = -2;
    std::vector<QString> deviceNames;
    std::optional<float> right;  // none: as the left
    std::vector<parlaro::InputNews> TakeInputNews() override { return std::exchange(news, {}); }

    int16_t Reset() override {
        calls.push_back("Reset");
        if (resetCode == 0) {
            status = parlaro::RecorderStatus::Ready;
            position = 0;
        }
        return resetCode;
    }
    void Stop() override {
        calls.push_back("Stop");
        if (status == parlaro::RecorderStatus::Recording)
            status = parlaro::RecorderStatus::FileOpen;
    }
    int16_t OpenTemporaryFile() override {
        calls.push_back("OpenTemporaryFile");
        if (openTempCode == 0) status = parlaro::RecorderStatus::FileOpen;
        return openTempCode;
    }
    int16_t OpenNewFile(const QString& path) override {
        calls.push_back("OpenNewFile");
        if (openNewCode != 0) return openNewCode;
        openedPath = path;
        QFile f(path);
        f.open(QIODevice::WriteOnly);  // the control creates the file
        status = parlaro::RecorderStatus::FileOpen;
        position = 0;
        return 0;
    }
    int16_t OpenExistingOrNewFile(const QString& path) override {
        calls.push_back("OpenExistingOrNewFile");
        if (openExistingCode != 0) return openExistingCode;
        openedPath = path;
        status = parlaro::RecorderStatus::FileOpen;
        position = 0;
        return 0;
    }
    int16_t StartRecording() override {
        calls.push_back(paused ? "StartRecording paused" : "StartRecording");
        if (startCode == 0) status = parlaro::RecorderStatus::Recording;
        return startCode;
    }
    int16_t RePack() override { return 0; }
    // The listening capture goes on into the call file, with this much lead-in.
    float leadIn = -1;
    int16_t continueCode = 0;
    int16_t ContinueInNewFile(const QString& path, float seconds) override {
        calls.push_back("ContinueInNewFile");
        if (status != parlaro::RecorderStatus::Recording) return 7;
        if (continueCode != 0) return continueCode;
        openedPath = path;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        leadIn = seconds;
        paused = false;
        position = seconds;
        return 0;
    }
    int16_t playCode = 0, openExistingCode = 0;
    int32_t numSamples = 0;
    double total = 0;
    bool playOnly = false;
    int16_t dataOnly = 0;
    int16_t StartPlayback() override {
        calls.push_back("StartPlayback");
        if (playCode == 0) status = parlaro::RecorderStatus::Playing;
        return playCode;
    }
    void setCurrentTimePosition(double s) override {
        calls.push_back("CurrentTimePosition=" + std::to_string(s));
        position = s;
    }
    int32_t NumSamples() const override { return numSamples; }
    int32_t CurrentSamplePosition() const override { return static_cast<int32_t>(position * 8000); }
    bool setPlayOnly(bool p) override {
        playOnly = p;
        return true;
    }
    bool setDataOnly(int16_t d) override {
        dataOnly = d;
        return true;
    }
    int16_t DataOnly() const override { return dataOnly; }
    bool Paused() const override { return paused; }
    void setPaused(bool p) override { paused = p; }
    parlaro::RecorderLevels GetLevels() override { return {left, 0, right.value_or(left), 0}; }
    parlaro::RecorderStatus Status() const override { return status; }
    double CurrentTimePosition() const override { return position; }
    double TotalTime() const override { return total > 0 ? total : position; }
    int16_t LastError() override { return std::exchange(lastError, 0); }
    // The format text of each file the fake can open; "[Unavailable]" without a file.
    std::map<QString, QString> formats;
    QString GetCurrentFormatAsString() override {
        calls.push_back("GetCurrentFormatAsString");
        if (status == parlaro::RecorderStatus::Ready) return "[Unavailable]";
        const auto it = formats.find(openedPath);
        return it == formats.end() ? "GSM 6.10, 8.000 kHz, Mono" : it->second;
    }
    bool setBitsPerSample(int16_t b) override {
        bits = b;
        return true;
    }
    int16_t ShowMixer(int16_t which) override {
        calls.push_back("ShowMixer " + std::to_string(which));
        return 0;
    }
    bool setSampleRate(int32_t r) override {
        rate = r;
        return true;
    }
    bool setAcmFormat(const QString& text) override {
        acm = text;
        return true;
    }
    bool setPreRollTime(float s) override {
        preRoll = s;
        return true;
    }
    bool setNumChannels(int16_t c) override {
        channels = c;
        return true;
    }
    bool setRecordDevice(int32_t d) override {
        device = d;
        return true;
    }
    std::vector<QString> RecordDeviceNames() override { return deviceNames; }
};

struct SimulatedTimers final : parlaro::Timers {
    struct Timer {
        int interval = 0;
        bool singleShot = false;
        bool active = false;
        int64_t due = 0;
    };
    std::map<parlaro::MainTimer, Timer> timers = {
        {parlaro::MainTimer::Detection, {200, false}},
        {parlaro::MainTimer::VoxLatch, {1000, false}},
        {parlaro::MainTimer::TimeStamp, {1000, false}},
        {parlaro::MainTimer::AddNote, {20000, false}},
        {parlaro::MainTimer::PlaybackPos, {250, false}},
    };
    std::map<parlaro::MainTimer, std::function<void()>> bodies;
    int64_t now = 0;  // ms

    void start(parlaro::MainTimer t) override {
        timers[t].active = true;
        timers[t].due = now + timers[t].interval;
    }
    void stop(parlaro::MainTimer t) override { timers[t].active = false; }
    bool isActive(parlaro::MainTimer t) const override { return timers.at(t).active; }

    // Fires every timer that falls due up to `until`, in time order (ties in enum order).
    void runUntil(int64_t until) {
        for (;;) {
            parlaro::MainTimer next{};
            int64_t when = INT64_MAX;
            for (const auto& [which, t] : timers)
                if (t.active && t.due < when) {
                    when = t.due;
                    next = which;
                }
            if (when > until) break;
            now = when;
            Timer& t = timers[next];
            if (t.singleShot) {
                t.active = false;
            } else {
                t.due += t.interval;
            }
            if (bodies.count(next)) bodies[next]();
        }
        now = until;
    }
};

struct FakeView final : parlaro::RecordingView, parlaro::StatusView {
    bool minimised = false;
    int restored = 0, minimisedAgain = 0, flashes = 0, playbackStops = 0, plays = 0, options = 0;
    QString leftText, rightText;
    std::map<parlaro::MainButton, bool> enabled;
    std::vector<parlaro::CallRecord> added;
    std::map<int, QString> panels;
    bool indicator = false;
    std::function<void()> duringOptions;

    bool isMinimised() const override { return minimised; }
    void restoreForCall() override {
        ++restored;
        minimised = false;
    }
    void minimise() override {
        ++minimisedAgain;
        minimised = true;
    }
    void flashCaption() override { ++flashes; }
    void setLevelTexts(const QString& l, const QString& r) override {
        leftText = l;
        rightText = r;
    }
    void setButtonEnabled(parlaro::MainButton b, bool e) override { enabled[b] = e; }
    void addRecordedCall(const parlaro::CallRecord& call) override { added.push_back(call); }
    int filed = 0;
    void callsFiled() override { ++filed; }
    void stopPlayback() override { ++playbackStops; }
    void playSelectedCall() override { ++plays; }
    void runOptions() override {
        ++options;
        if (duringOptions) duringOptions();
    }
    void setPanelText(int panel, const QString& text) override { panels[panel] = text; }
    void setIndicator(bool on, const QString&) override { indicator = on; }
    void setCaption(const QString&) override {}
};

struct FakeNotePrompt final : parlaro::NotePrompt {
    std::function<void(const QString&)> closed;
    bool shown = false;
    QString typed;
    int opened = 0;

    void open(std::function<void(const QString&)> c) override {
        closed = std::move(c);
        shown = true;
        typed.clear();
        ++opened;
    }
    bool isOpen() const override { return shown; }
    QString text() const override { return typed; }
    void CloseAddNoteForm(const QString& text) override {
        shown = false;
        if (auto c = std::exchange(closed, {})) c(text);
    }
};

struct FakeLauncher final : parlaro::Launcher {
    int result = 33;
    std::vector<QString> opened;
    int open(const QString& program) override {
        opened.push_back(program);
        return result;
    }
    // The mover ends at once.
    int openAndWatch(const QString& program, std::function<void()> ended) override {
        const int r = open(program);
        if (r > 32 && ended) ended();
        return r;
    }
};

struct SetClock final : parlaro::Clock {
    QDateTime at{QDate(2005, 3, 14), QTime(9, 30, 15)};
    QDateTime now() const override { return at; }
};

struct ControllerRig {
    TempDir dir;
    FakeRecorder rec;
    SimulatedTimers timers;
    FakeView view;
    FakeNotePrompt prompt;
    FakeLauncher launcher;
    SetClock clock;
    ScriptedPrompter prompter;
    parlaro::AppSettings settings;
    parlaro::ProgramValues values;
    std::unique_ptr<parlaro::StatusDisplay> status;
    std::unique_ptr<parlaro::RecordingController> c;

    explicit ControllerRig(bool automatic = true) {
        settings.AutoRecord = automatic;
        settings.AddNote = false;
        settings.CallPath = QString::fromStdString(dir.file("calls/"));
        values.userName = "ann";
        values.tempFolder = QString::fromStdString(dir.file("wavs/"));
        QDir().mkpath(values.tempFolder);
        status = std::make_unique<parlaro::StatusDisplay>(view, settings);
        c = std::make_unique<parlaro::RecordingController>(
            parlaro::RecordingControllerParts{rec, prompter, launcher, clock, *status, timers, view,
                                              prompt},
            settings, values, "/opt/parlaro");
        using parlaro::MainTimer;
        timers.bodies[MainTimer::Detection] = [this] { c->PollDetection(); };
        timers.bodies[MainTimer::VoxLatch] = [this] { c->VoxLatchTick(); };
        timers.bodies[MainTimer::TimeStamp] = [this] {
            // The recording's position follows the clock while the control records.
            c->UpdateTimeStamp();
        };
        timers.bodies[MainTimer::AddNote] = [this] { c->AddNoteTimerElapsed(); };
    }

    // Load: set-up, then the timers that run from the start.
    bool load() {
        const bool ok = c->SetUpRecorder();
        timers.start(parlaro::MainTimer::TimeStamp);
        timers.start(parlaro::MainTimer::Detection);
        return ok;
    }

    // Plays `levels` (one per 100 ms buffer) into the control's meter, advancing the clock.
    // While a call records, its position grows with the clock.
    void play(const std::vector<float>& levels) {
        for (float l : levels) {
            rec.left = l;
            const bool recordingCall =
                rec.status == parlaro::RecorderStatus::Recording && !rec.paused;
            timers.runUntil(timers.now + 100);
            if (recordingCall && rec.status == parlaro::RecorderStatus::Recording)
                rec.position += 0.1;
            clock.at = clock.at.addMSecs(100);
        }
    }
    void loud(double seconds, float level = -6) {
        play(std::vector<float>(static_cast<std::size_t>(seconds * 10 + 0.5), level));
    }
    void quiet(double seconds) { loud(seconds, -40); }

    QStringList tempFiles() const { return QDir(values.tempFolder).entryList(QDir::Files); }
};

}  // namespace testsupport
