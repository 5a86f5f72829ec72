// The recorder control: one object that records, plays, edits and meters one audio file at a
// time. Its surface mirrors the dispatch interface IAURX300Ctrl: get_X / put_X for each
// property (setters refuse bad values with an error record), methods that report through an
// error code (kept in LastError until read), and four events raised only from
// processNotifications() on the host's thread. A worker thread per control owns the devices;
// it, the engine and the files stay behind the control's private implementation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "aurx/CallResult.h"
#include "aurx/Codes.h"
#include "aurx/Events.h"
#include "aurx/Variant.h"
#include "aurx/aurx_export.h"

namespace aurx {

namespace formats {
class FormatChooser;
}
class Control;
struct ControlEnvironment;

using OleColor = std::uint32_t;

struct Levels {
    float leftLevel = 0;
    std::int16_t leftOverload = 0;
    float rightLevel = 0;
    std::int16_t rightOverload = 0;
};

class AURX_EXPORT AURX300Ctrl {
  public:
    // On the process's devices (AURX_DEVICES), the installed codecs and the real launcher.
    AURX300Ctrl();
    // On the environment given, which only the library's own code and its tests can build;
    // not exported.
    AURX_NO_EXPORT explicit AURX300Ctrl(ControlEnvironment environment);
    AURX300Ctrl(const AURX300Ctrl&) = delete;
    AURX300Ctrl& operator=(const AURX300Ctrl&) = delete;
    ~AURX300Ctrl();

    // Meter appearance.
    OleColor get_BackColor() const;
    CallResult put_BackColor(OleColor v);
    OleColor get_LowColor() const;
    CallResult put_LowColor(OleColor v);
    OleColor get_MidColor() const;
    CallResult put_MidColor(OleColor v);
    OleColor get_HighColor() const;
    CallResult put_HighColor(OleColor v);
    std::int16_t get_NumSegments() const;
    CallResult put_NumSegments(std::int16_t v);
    std::int16_t get_Orientation() const;
    CallResult put_Orientation(std::int16_t v);
    std::int16_t get_Style() const;
    CallResult put_Style(std::int16_t v);

    // Recording format preferences.
    std::int32_t get_SampleRate() const;
    CallResult put_SampleRate(std::int32_t v);
    std::int16_t get_BitsPerSample() const;
    CallResult put_BitsPerSample(std::int16_t v);
    std::int16_t get_NumChannels() const;
    CallResult put_NumChannels(std::int16_t v);
    std::int16_t get_PlayOnly() const;
    CallResult put_PlayOnly(std::int16_t v);
    std::int16_t get_DataOnly() const;
    CallResult put_DataOnly(std::int16_t v);
    Variant get_AcmFormat() const;
    CallResult put_AcmFormat(const Variant& v);

    // State of the open file.
    std::int16_t get_Status() const;
    Status status() const;
    std::string get_Filename() const;
    std::int16_t get_TemporaryFile() const;
    CallResult put_TemporaryFile(std::int16_t v);
    std::int32_t get_NumSamples() const;
    std::int16_t get_Paused() const;
    CallResult put_Paused(std::int16_t v);
    std::int32_t get_CurrentSamplePosition() const;
    CallResult put_CurrentSamplePosition(std::int32_t v);
    double get_CurrentTimePosition() const;
    CallResult put_CurrentTimePosition(double v);
    double get_TotalTime() const;
    // Read and clear.
    std::int16_t get_LastError();
    std::int16_t get_Insert() const;
    CallResult put_Insert(std::int16_t v);

    // Recording.
    float get_PreToneDuration() const;
    CallResult put_PreToneDuration(float v);
    float get_PostToneDuration() const;
    CallResult put_PostToneDuration(float v);
    std::int32_t get_RecordLimit() const;
    CallResult put_RecordLimit(std::int32_t v);
    double get_RecordTimeLimit() const;
    CallResult put_RecordTimeLimit(double v);
    // Seconds of paused audio a recording into a new file starts with when it follows a
    // stopped paused recording; read when a recording starts.
    float get_PreRollTime() const;
    CallResult put_PreRollTime(float v);

    // Devices.
    std::int32_t get_NRecordDevices() const;
    std::int32_t get_NPlaybackDevices() const;
    std::string get_RecordDeviceName(std::int32_t deviceNumber) const;
    std::string get_PlaybackDeviceName(std::int32_t deviceNumber) const;
    std::int32_t get_RecordDevice() const;
    CallResult put_RecordDevice(std::int32_t v);
    std::int32_t get_PlaybackDevice() const;
    CallResult put_PlaybackDevice(std::int32_t v);

    // Voice-operated switch.
    std::int16_t get_VoxChannel() const;
    CallResult put_VoxChannel(std::int16_t v);
    float get_VoxStartLevel() const;
    CallResult put_VoxStartLevel(float v);
    float get_VoxStopLevel() const;
    CallResult put_VoxStopLevel(float v);
    std::int16_t get_VoxTime() const;
    CallResult put_VoxTime(std::int16_t v);
    std::int16_t get_VoxPaused() const;

    // Methods; each returns its error code, which LastError also keeps when it is not Ok.
    std::int16_t Reset();
    void Stop();
    std::int16_t OpenNewFile(const std::string& filename);
    std::int16_t OpenTemporaryFile();
    std::int16_t OpenExistingOrNewFile(const std::string& filename);
    Levels GetLevels() const;
    std::int16_t StartRecording();
    // While recording: ends the open file as Stop would and goes on recording into a new file
    // `filename` of the same format, without stopping the input, so that no sample falls
    // between the two. The new file begins with the last `leadInTime` seconds (0 to 10, at
    // most PreRollTime) of what the recording captured while paused, and is recorded
    // unpaused. A temporary file is deleted. No event is raised for the file that ended.
    // Errors: 7 when not recording (or inserting), those of OpenNewFile for the new file (the
    // recording then goes on in the old one), 3 when the old file's end could not be written
    // (the new file records all the same).
    std::int16_t ContinueInNewFile(const std::string& filename, float leadInTime);
    std::int16_t StartPlayback();
    std::int16_t ShowMixer(std::int16_t mixerType);
    std::int16_t DeleteSamples(std::int32_t nSamples);
    std::int16_t DeleteTime(double time);
    std::int16_t RePack();
    std::int16_t ChooseAcmFormat(std::int32_t hwndOwner, const std::string& dialogTitle);
    std::int16_t ChooseSpecificAcmFormat(std::int32_t hwndOwner, const std::string& dialogTitle,
                                         std::int16_t waveFormat);
    // Refused with "All parameters are mandatory" when `outVal` is missing.
    CallResult GetAcmFormatAsString(std::string* outVal, std::int16_t* errorCode);
    CallResult GetCurrentFormatAsString(std::string* outVal, std::int16_t* errorCode);

    // Events and the host.
    int Advise(std::shared_ptr<IAURX300CtrlEvents> sink);  // a cookie for Unadvise
    void Unadvise(int cookie);
    void setSite(ControlSite* site);
    void setFormatChooser(std::shared_ptr<formats::FormatChooser> chooser);
    // Readable while notifications wait.
    int notificationFd() const;
    // Raises the events of every waiting notification, in order; returns how many.
    int processNotifications();
    // Waits up to `timeoutMs` for a notification without handling it.
    bool waitForNotification(int timeoutMs) const;

    // Design-time extent in HIMETRIC.
    std::int32_t extentWidth() const;
    std::int32_t extentHeight() const;
    void setExtent(std::int32_t width, std::int32_t height);

    // For the meter: the current levels and held overload flags whatever the status.
    Levels meterLevels() const;

  private:
    friend class ControlAccess;
    std::unique_ptr<Control> impl_;
};

}  // namespace aurx
