// The Recorder interface over a recorder control placed on a form. A new file it is asked to
// open is made readable by the user alone before the control opens it.
#pragma once

#include "app/recording/Recorder.h"

#include <memory>

namespace aurx {
class AURX300Ctrl;
}
namespace aurxqt {
class AurxWidget;
}

namespace parlaro {

// The window's controls are placed on the form set for telephone audio: 8000 Hz, 8 bits, mono.
// That is the recording format of Format 1; Format 0 then chooses GSM 6.10.
void PlaceForTelephone(aurxqt::AurxWidget& control);

class ControlRecorder final : public Recorder {
  public:
    explicit ControlRecorder(aurx::AURX300Ctrl& control);
    ~ControlRecorder() override;
    ControlRecorder(const ControlRecorder&) = delete;
    ControlRecorder& operator=(const ControlRecorder&) = delete;

    std::vector<InputNews> TakeInputNews() override;

    int16_t Reset() override;
    void Stop() override;
    int16_t OpenTemporaryFile() override;
    int16_t OpenNewFile(const QString& path) override;
    int16_t OpenExistingOrNewFile(const QString& path) override;
    int16_t StartRecording() override;
    int16_t ContinueInNewFile(const QString& path, float leadInSeconds) override;
    int16_t StartPlayback() override;
    int16_t RePack() override;
    bool Paused() const override;
    void setPaused(bool paused) override;
    RecorderLevels GetLevels() override;
    RecorderStatus Status() const override;
    double CurrentTimePosition() const override;
    void setCurrentTimePosition(double seconds) override;
    int32_t NumSamples() const override;
    int32_t CurrentSamplePosition() const override;
    double TotalTime() const override;
    int16_t LastError() override;
    QString GetCurrentFormatAsString() override;
    bool setBitsPerSample(int16_t bits) override;
    bool setSampleRate(int32_t rate) override;
    int16_t ShowMixer(int16_t which) override;
    bool setAcmFormat(const QString& hexText) override;
    bool setPreRollTime(float seconds) override;
    bool setNumChannels(int16_t channels) override;
    bool setRecordDevice(int32_t device) override;
    std::vector<QString> RecordDeviceNames() override;
    bool setPlayOnly(bool playOnly) override;
    bool setDataOnly(int16_t dataOnly) override;
    int16_t DataOnly() const override;

  private:
    class NewsSink;

    aurx::AURX300Ctrl& control_;
    std::shared_ptr<NewsSink> news_;
    int newsCookie_ = 0;
};

}  // namespace parlaro
