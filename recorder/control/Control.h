// The recorder control's implementation, behind AURX300Ctrl: the same members, working on the
// worker, the engine, the notification queue and the event sinks; the properties by their
// rows of the property table. A worker thread per control owns the devices. Inside, the codes
// are the named values of recorder/Codes.h; this surface is where they become the interface's
// integers.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aurx/AURX300Ctrl.h"
#include "aurx/CallResult.h"
#include "aurx/Events.h"
#include "aurx/FormatChooser.h"
#include "aurx/Variant.h"
#include "recorder/Codes.h"
#include "recorder/control/ControlEnvironment.h"
#include "recorder/control/NotificationQueue.h"
#include "recorder/control/Property.h"
#include "recorder/engine/Engine.h"
#include "recorder/engine/SharedState.h"
#include "recorder/engine/Worker.h"
#include "recorder/formats/AcmFormat.h"

namespace aurx::store {
class AudioFile;
struct CompressedInfo;
}  // namespace aurx::store

namespace aurx {

class Control : private engine::Notifier {
  public:
    explicit Control(ControlEnvironment environment);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    ~Control() override;

    // The properties of the table (aurx/PropertyTable.h), as PropertyRows.h works them from
    // their rows: read, read and cleared, or written through the setter's rules.
    template <Property P, class... Index>
    PropertyValue<P> get(Index... index) const;
    template <Property P>
    PropertyValue<P> take();
    template <Property P>
    CallResult put(PutArg<PropertyValue<P>> v);

    Status status() const { return shared_.status.load(); }

    // Methods; each returns its error code, which LastError also keeps when it is not Ok.
    std::int16_t Reset() { return report(reset()); }
    void Stop();
    std::int16_t OpenNewFile(const std::string& filename) { return report(openNew(filename)); }
    std::int16_t OpenTemporaryFile() { return report(openTemporary()); }
    std::int16_t OpenExistingOrNewFile(const std::string& filename) {
        return report(openExistingOrNew(filename));
    }
    Levels GetLevels() const;
    std::int16_t StartRecording() { return report(startRecording()); }
    std::int16_t ContinueInNewFile(const std::string& filename, float leadInTime) {
        return report(continueInNewFile(filename, leadInTime));
    }
    std::int16_t StartPlayback() { return report(startPlayback()); }
    std::int16_t ShowMixer(std::int16_t mixerType) { return report(showMixer(mixerType)); }
    std::int16_t DeleteSamples(std::int32_t nSamples) { return report(deleteSamples(nSamples)); }
    std::int16_t DeleteTime(double time) { return report(deleteTime(time)); }
    std::int16_t RePack() { return report(rePack()); }
    std::int16_t ChooseAcmFormat(std::int32_t hwndOwner, const std::string& dialogTitle) {
        return report(chooseFormat(hwndOwner, dialogTitle, 0));
    }
    std::int16_t ChooseSpecificAcmFormat(std::int32_t hwndOwner, const std::string& dialogTitle,
                                         std::int16_t waveFormat) {
        return report(chooseFormat(hwndOwner, dialogTitle, waveFormat));
    }
    // Refused with "All parameters are mandatory" when `outVal` is missing.
    CallResult GetAcmFormatAsString(std::string* outVal, std::int16_t* errorCode);
    CallResult GetCurrentFormatAsString(std::string* outVal, std::int16_t* errorCode);

    // Events and the host.
    int Advise(std::shared_ptr<IAURX300CtrlEvents> sink);  // a cookie for Unadvise
    void Unadvise(int cookie);
    void setSite(ControlSite* site) { site_ = site; }
    void setFormatChooser(std::shared_ptr<formats::FormatChooser> chooser) {
        chooser_ = std::move(chooser);
    }
    // Readable while notifications wait.
    int notificationFd() const { return notifications_.fd(); }
    // Raises the events of every waiting notification, in order; returns how many.
    int processNotifications();
    // Waits up to `timeoutMs` for a notification without handling it.
    bool waitForNotification(int timeoutMs) const { return notifications_.wait(timeoutMs); }

    // Design-time extent in HIMETRIC.
    std::int32_t extentWidth() const { return extentWidth_; }
    std::int32_t extentHeight() const { return extentHeight_; }
    void setExtent(std::int32_t width, std::int32_t height);

    // For the meter: the current levels and held overload flags whatever the status.
    Levels meterLevels() const;
    WorkerState workerState() const { return worker_.state(); }

  private:
    class FormatBridge;
    template <Property>
    friend struct PropertyRow;

    // What the property table's places name: the properties worked out rather than kept, and
    // what follows a change of those that are kept.
    std::int16_t statusCode() const { return wire(status()); }
    std::string fileName() const;
    std::int32_t numSamples() const;
    std::int32_t samplePosition() const;
    void setSamplePosition(std::int32_t v);
    double timePosition() const;
    void setTimePosition(double v);
    double totalTime() const;
    std::int16_t takeLastError() { return wire(shared_.lastError.exchange(ErrorCode::Ok)); }
    std::int16_t bitsPerSample() const { return wire(bitsPerSample_); }
    void setBitsPerSample(std::int16_t v);
    Variant acmFormat() const;
    CallResult setAcmFormat(const Variant& value);
    std::int32_t recordDeviceCount() const;
    std::int32_t playbackDeviceCount() const;
    std::string recordDeviceName(std::int32_t deviceNumber) const;
    std::string playbackDeviceName(std::int32_t deviceNumber) const;
    void repaint();
    // The limit in frames from the one in seconds, at the current rate, and the other way.
    void recomputeRecordLimit();
    void timeLimitFromFrames();
    // A playback pauses or resumes at once.
    void pausedChanged();

    // The properties an open sets from the file's format before it knows whether the open
    // succeeds; a failed open puts them back.
    struct FormatProperties {
        std::int32_t sampleRate;
        std::int16_t numChannels;
        SampleCoding bitsPerSample;
        formats::AcmFormat acmFormat;
    };
    FormatProperties formatProperties() const;
    void restore(const FormatProperties& saved);

    // The methods' work, by the same names.
    ErrorCode reset();
    ErrorCode openNew(const std::string& filename);
    ErrorCode openTemporary();
    ErrorCode openExistingOrNew(const std::string& filename);
    ErrorCode startRecording();
    ErrorCode continueInNewFile(const std::string& filename, float leadInTime);
    ErrorCode startPlayback();
    ErrorCode showMixer(std::int16_t mixerType);
    ErrorCode deleteSamples(std::int32_t nSamples);
    ErrorCode deleteTime(double time);
    ErrorCode rePack();
    ErrorCode chooseFormat(std::int32_t hwndOwner, const std::string& dialogTitle,
                           std::int16_t waveFormat);
    // A method's result as the interface returns it; a failure is kept in LastError too.
    std::int16_t report(ErrorCode code) {
        if (code != ErrorCode::Ok) shared_.lastError.store(code);
        return wire(code);
    }

    bool fileOpen() const { return hasFile(status()); }
    void closeFile();
    ErrorCode checkDefaultInput();
    ErrorCode createNew(const std::string& filename);
    // A new file in the current format; the properties are put back when it fails.
    ErrorCode createFile(const std::string& filename, std::unique_ptr<store::AudioFile>& out);
    ErrorCode startWorker(WorkerCommand command, WorkerState failedState, ErrorCode failure);
    // The file becomes the open one, in status 2 unless `status` says otherwise.
    void adoptFile(std::unique_ptr<store::AudioFile> file, Status status = Status::FileOpen);
    ErrorCode setUpCompression(store::CompressedInfo& out);
    formats::InstallContext installContext() const;
    bool installFormat(std::span<const std::uint8_t> block, bool codecChecks);
    // What the format chooser may offer: every tag the codecs know, with its formats.
    std::vector<formats::FormatFamily> installedFormats() const;
    std::string describe(std::span<const std::uint8_t> block, ErrorCode& code) const;
    void notify(engine::Notice notice, std::uint64_t generation, StopCause cause) override;
    void notifyGap(engine::Notice notice, std::uint64_t generation, std::int64_t position,
                   std::int64_t missing) override;
    void handle(const Notification& n);
    template <class Fn>
    void raise(Fn&& fn);

    ControlEnvironment env_;

    OleColor backColor_ = 0x8000000F;
    OleColor lowColor_ = 0x0000FF00;
    OleColor midColor_ = 0x0000FFFF;
    OleColor highColor_ = 0x000000FF;
    std::int16_t numSegments_ = 8;
    std::int16_t orientation_ = 0;
    std::int16_t style_ = 0;
    std::int32_t sampleRate_ = 44100;
    SampleCoding bitsPerSample_ = SampleCoding::Pcm16;
    std::int16_t numChannels_ = 2;
    std::int16_t temporaryFile_ = 0;
    double recordTimeLimit_ = 0;
    std::int16_t playOnly_ = 0;
    std::int16_t dataOnly_ = 0;
    std::int32_t extentWidth_;
    std::int32_t extentHeight_;
    formats::AcmFormat acmFormat_;

    engine::SharedState shared_;

    std::unique_ptr<store::AudioFile> file_;
    std::uint64_t generation_ = 0;  // counts opened files

    NotificationQueue notifications_;
    std::deque<Notification> batch_;  // taken from the queue, not yet raised
    std::vector<std::pair<int, std::shared_ptr<IAURX300CtrlEvents>>> sinks_;
    int nextCookie_ = 1;
    int raising_ = 0;  // depth of event delivery
    ControlSite* site_ = nullptr;
    std::shared_ptr<formats::FormatChooser> chooser_;

    engine::StateSignal signal_;
    engine::Worker worker_;
    std::unique_ptr<engine::Engine> engine_;
    bool workerStarted_ = false;
};

}  // namespace aurx
