// The calls the application makes on a recorder control. The window's controls implement it
// through their public interface (ControlRecorder); unit tests fake it.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace parlaro {

// The control's Status values the application looks at.
enum class RecorderStatus : int16_t {
    Created = 0,
    Ready = 1,
    FileOpen = 2,
    Recording = 3,
    Playing = 4
};

struct RecorderLevels {
    float left = -9999.0F;
    int16_t leftOverload = 0;
    float right = -9999.0F;
    int16_t rightOverload = 0;
};

// What the control told of its input: it stalled (the sound system stopped delivering), or it
// delivers again after `stalledSeconds` of the line's time; `atSeconds` is where the file is.
struct InputNews {
    bool resumed = false;
    double atSeconds = 0;
    double stalledSeconds = 0;
};

class Recorder {
  public:
    virtual ~Recorder() = default;

    // What the control told of its input since the last look, oldest first.
    virtual std::vector<InputNews> TakeInputNews() { return {}; }

    virtual int16_t Reset() = 0;
    virtual void Stop() = 0;
    virtual int16_t OpenTemporaryFile() = 0;
    virtual int16_t OpenNewFile(const QString& path) = 0;
    virtual int16_t OpenExistingOrNewFile(const QString& path) = 0;
    virtual int16_t StartRecording() = 0;
    // While recording: goes on recording into a new file without stopping the input; the new
    // file begins with the last `leadInSeconds` of what was heard while paused.
    virtual int16_t ContinueInNewFile(const QString& path, float leadInSeconds) = 0;
    virtual int16_t StartPlayback() = 0;
    virtual int16_t RePack() = 0;
    virtual bool Paused() const = 0;
    virtual void setPaused(bool paused) = 0;
    virtual RecorderLevels GetLevels() = 0;
    virtual RecorderStatus Status() const = 0;
    virtual double CurrentTimePosition() const = 0;
    virtual void setCurrentTimePosition(double seconds) = 0;
    virtual int32_t NumSamples() const = 0;
    virtual int32_t CurrentSamplePosition() const = 0;
    virtual double TotalTime() const = 0;
    // Read and clear.
    virtual int16_t LastError() = 0;
    // The open file's format as the control describes it ("[Unavailable]" without a file).
    virtual QString GetCurrentFormatAsString() = 0;

    // Format set-up; false when the control refuses the value.
    virtual bool setBitsPerSample(int16_t bits) = 0;
    virtual bool setSampleRate(int32_t rate) = 0;
    virtual bool setAcmFormat(const QString& hexText) = 0;
    virtual bool setPreRollTime(float seconds) = 0;
    virtual bool setNumChannels(int16_t channels) = 0;
    // The input recorded from: -1 the system's default, else a number of RecordDeviceNames().
    virtual bool setRecordDevice(int32_t device) = 0;
    virtual std::vector<QString> RecordDeviceNames() = 0;
    // File type for opening: play only, and 0 WAV / 2 MP3 stream.
    virtual bool setPlayOnly(bool playOnly) = 0;
    virtual bool setDataOnly(int16_t dataOnly) = 0;
    virtual int16_t DataOnly() const = 0;
    // Opens the system's mixer: 0 playback, 1 recording.
    virtual int16_t ShowMixer(int16_t which) = 0;
};

}  // namespace parlaro
