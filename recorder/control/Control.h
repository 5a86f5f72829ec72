// The recorder control's implementation, behind AURX300Ctrl: the same members, working on the
// worker, the engine, the notification queue and the event sinks. A worker thread per control
// owns the devices. Inside, the codes are the named values of recorder/Codes.h; this surface
// is where they become the interface's integers.
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

    // Meter appearance.
    OleColor get_BackColor() const { return backColor_; }
    CallResult put_BackColor(OleColor v);
    OleColor get_LowColor() const { return lowColor_; }
    CallResult put_LowColor(OleColor v);
    OleColor get_MidColor() const { return midColor_; }
    CallResult put_MidColor(OleColor v);
    OleColor get_HighColor() const { return highColor_; }
    CallResult put_HighColor(OleColor v);
    std::int16_t get_NumSegments() const { return numSegments_; }
    CallResult put_NumSegments(std::int16_t v);
    std::int16_t get_Orientation() const { return orientation_; }
    CallResult put_Orientation(std::int16_t v);
    std::int16_t get_Style() const { return style_; }
    CallResult put_Style(std::int16_t v);

    // Recording format preferences.
    std::int32_t get_SampleRate() const { return sampleRate_; }
    CallResult put_SampleRate(std::int32_t v);
    std::int16_t get_BitsPerSample() const { return wire(bitsPerSample_); }
    CallResult put_BitsPerSample(std::int16_t v);
    std::int16_t get_NumChannels() const { return numChannels_; }
    CallResult put_NumChannels(std::int16_t v);
    std::int16_t get_PlayOnly() const { return playOnly_; }
    CallResult put_PlayOnly(std::int16_t v);
    std::int16_t get_DataOnly() const { return dataOnly_; }
    CallResult put_DataOnly(std::int16_t v);
    Variant get_AcmFormat() const;
    CallResult put_AcmFormat(const Variant& v);

    // State of the open file.
    std::int16_t get_Status() const { return wire(status()); }
    Status status() const { return shared_.status.load(); }
    std::string get_Filename() const;
    std::int16_t get_TemporaryFile() const { return temporaryFile_; }
    CallResult put_TemporaryFile(std::int16_t v);
    std::int32_t get_NumSamples() const;
    std::int16_t get_Paused() const { return shared_.paused.load(); }
    CallResult put_Paused(std::int16_t v);
    std::int32_t get_CurrentSamplePosition() const;
    CallResult put_CurrentSamplePosition(std::int32_t v);
    double get_CurrentTimePosition() const;
    CallResult put_CurrentTimePosition(double v);
    double get_TotalTime() const;
    // Read and clear.
    std::int16_t get_LastError() { return wire(shared_.lastError.exchange(ErrorCode::Ok)); }
    std::int16_t get_Insert() const { return shared_.insert; }
    CallResult put_Insert(std::int16_t v);

    // Recording.
    float get_PreToneDuration() const { return shared_.preToneDuration; }
    CallResult put_PreToneDuration(float v);
    float get_PostToneDuration() const { return shared_.postToneDuration; }
    CallResult put_PostToneDuration(float v);
    std::int32_t get_RecordLimit() const { return shared_.recordLimit; }
    CallResult put_RecordLimit(std::int32_t v);
    double get_RecordTimeLimit() const { return recordTimeLimit_; }
    CallResult put_RecordTimeLimit(double v);
    // Seconds of paused audio a recording into a new file starts with when it follows a
    // stopped paused recording; read when a recording starts.
    float get_PreRollTime() const { return shared_.preRollTime; }
    CallResult put_PreRollTime(float v);

    // Devices.
    std::int32_t get_NRecordDevices() const;
    std::int32_t get_NPlaybackDevices() const;
    std::string get_RecordDeviceName(std::int32_t deviceNumber) const;
    std::string get_PlaybackDeviceName(std::int32_t deviceNumber) const;
    std::int32_t get_RecordDevice() const { return shared_.recordDevice; }
    CallResult put_RecordDevice(std::int32_t v);
    std::int32_t get_PlaybackDevice() const { return shared_.playbackDevice; }
    CallResult put_PlaybackDevice(std::int32_t v);

    // Voice-operated switch.
    std::int16_t get_VoxChannel() const { return shared_.voxChannel; }
    CallResult put_VoxChannel(std::int16_t v);
    float get_VoxStartLevel() const { return shared_.voxStartLevel; }
    CallResult put_VoxStartLevel(float v);
    float get_VoxStopLevel() const { return shared_.voxStopLevel; }
    CallResult put_VoxStopLevel(float v);
    std::int16_t get_VoxTime() const { return shared_.voxTime; }
    CallResult put_VoxTime(std::int16_t v);
    std::int16_t get_VoxPaused() const { return shared_.voxPaused.load(); }

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

    void repaint();
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
    void recomputeRecordLimit();
    // What the format chooser may offer: every tag the codecs know, with its formats.
    std::vector<formats::FormatFamily> installedFormats() const;
    std::string describe(std::span<const std::uint8_t> block, ErrorCode& code) const;
    void notify(engine::Notice notice, std::uint64_t generation, StopCause cause) override;
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
