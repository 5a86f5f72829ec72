// The control's public face: every call goes to its private implementation.
#include "aurx/AURX300Ctrl.h"

#include <utility>

#include "recorder/control/Control.h"

namespace aurx {

AURX300Ctrl::AURX300Ctrl() : AURX300Ctrl(ControlEnvironment::standard()) {}

AURX300Ctrl::AURX300Ctrl(ControlEnvironment environment)
    : impl_(std::make_unique<Control>(std::move(environment))) {}

AURX300Ctrl::~AURX300Ctrl() = default;

OleColor AURX300Ctrl::get_BackColor() const {
    return impl_->get_BackColor();
}

CallResult AURX300Ctrl::put_BackColor(OleColor v) {
    return impl_->put_BackColor(v);
}

OleColor AURX300Ctrl::get_LowColor() const {
    return impl_->get_LowColor();
}

CallResult AURX300Ctrl::put_LowColor(OleColor v) {
    return impl_->put_LowColor(v);
}

OleColor AURX300Ctrl::get_MidColor() const {
    return impl_->get_MidColor();
}

CallResult AURX300Ctrl::put_MidColor(OleColor v) {
    return impl_->put_MidColor(v);
}

OleColor AURX300Ctrl::get_HighColor() const {
    return impl_->get_HighColor();
}

CallResult AURX300Ctrl::put_HighColor(OleColor v) {
    return impl_->put_HighColor(v);
}

std::int16_t AURX300Ctrl::get_NumSegments() const {
    return impl_->get_NumSegments();
}

CallResult AURX300Ctrl::put_NumSegments(std::int16_t v) {
    return impl_->put_NumSegments(v);
}

std::int16_t AURX300Ctrl::get_Orientation() const {
    return impl_->get_Orientation();
}

CallResult AURX300Ctrl::put_Orientation(std::int16_t v) {
    return impl_->put_Orientation(v);
}

std::int16_t AURX300Ctrl::get_Style() const {
    return impl_->get_Style();
}

CallResult AURX300Ctrl::put_Style(std::int16_t v) {
    return impl_->put_Style(v);
}

std::int32_t AURX300Ctrl::get_SampleRate() const {
    return impl_->get_SampleRate();
}

CallResult AURX300Ctrl::put_SampleRate(std::int32_t v) {
    return impl_->put_SampleRate(v);
}

std::int16_t AURX300Ctrl::get_BitsPerSample() const {
    return impl_->get_BitsPerSample();
}

CallResult AURX300Ctrl::put_BitsPerSample(std::int16_t v) {
    return impl_->put_BitsPerSample(v);
}

std::int16_t AURX300Ctrl::get_NumChannels() const {
    return impl_->get_NumChannels();
}

CallResult AURX300Ctrl::put_NumChannels(std::int16_t v) {
    return impl_->put_NumChannels(v);
}

std::int16_t AURX300Ctrl::get_PlayOnly() const {
    return impl_->get_PlayOnly();
}

CallResult AURX300Ctrl::put_PlayOnly(std::int16_t v) {
    return impl_->put_PlayOnly(v);
}

std::int16_t AURX300Ctrl::get_DataOnly() const {
    return impl_->get_DataOnly();
}

CallResult AURX300Ctrl::put_DataOnly(std::int16_t v) {
    return impl_->put_DataOnly(v);
}

Variant AURX300Ctrl::get_AcmFormat() const {
    return impl_->get_AcmFormat();
}

CallResult AURX300Ctrl::put_AcmFormat(const Variant& v) {
    return impl_->put_AcmFormat(v);
}

std::int16_t AURX300Ctrl::get_Status() const {
    return impl_->get_Status();
}

Status AURX300Ctrl::status() const {
    return impl_->status();
}

std::string AURX300Ctrl::get_Filename() const {
    return impl_->get_Filename();
}

std::int16_t AURX300Ctrl::get_TemporaryFile() const {
    return impl_->get_TemporaryFile();
}

CallResult AURX300Ctrl::put_TemporaryFile(std::int16_t v) {
    return impl_->put_TemporaryFile(v);
}

std::int32_t AURX300Ctrl::get_NumSamples() const {
    return impl_->get_NumSamples();
}

std::int16_t AURX300Ctrl::get_Paused() const {
    return impl_->get_Paused();
}

CallResult AURX300Ctrl::put_Paused(std::int16_t v) {
    return impl_->put_Paused(v);
}

std::int32_t AURX300Ctrl::get_CurrentSamplePosition() const {
    return impl_->get_CurrentSamplePosition();
}

CallResult AURX300Ctrl::put_CurrentSamplePosition(std::int32_t v) {
    return impl_->put_CurrentSamplePosition(v);
}

double AURX300Ctrl::get_CurrentTimePosition() const {
    return impl_->get_CurrentTimePosition();
}

CallResult AURX300Ctrl::put_CurrentTimePosition(double v) {
    return impl_->put_CurrentTimePosition(v);
}

double AURX300Ctrl::get_TotalTime() const {
    return impl_->get_TotalTime();
}

std::int16_t AURX300Ctrl::get_LastError() {
    return impl_->get_LastError();
}

std::int16_t AURX300Ctrl::get_Insert() const {
    return impl_->get_Insert();
}

CallResult AURX300Ctrl::put_Insert(std::int16_t v) {
    return impl_->put_Insert(v);
}

float AURX300Ctrl::get_PreToneDuration() const {
    return impl_->get_PreToneDuration();
}

CallResult AURX300Ctrl::put_PreToneDuration(float v) {
    return impl_->put_PreToneDuration(v);
}

float AURX300Ctrl::get_PostToneDuration() const {
    return impl_->get_PostToneDuration();
}

CallResult AURX300Ctrl::put_PostToneDuration(float v) {
    return impl_->put_PostToneDuration(v);
}

std::int32_t AURX300Ctrl::get_RecordLimit() const {
    return impl_->get_RecordLimit();
}

CallResult AURX300Ctrl::put_RecordLimit(std::int32_t v) {
    return impl_->put_RecordLimit(v);
}

double AURX300Ctrl::get_RecordTimeLimit() const {
    return impl_->get_RecordTimeLimit();
}

CallResult AURX300Ctrl::put_RecordTimeLimit(double v) {
    return impl_->put_RecordTimeLimit(v);
}

float AURX300Ctrl::get_PreRollTime() const {
    return impl_->get_PreRollTime();
}

CallResult AURX300Ctrl::put_PreRollTime(float v) {
    return impl_->put_PreRollTime(v);
}

std::int32_t AURX300Ctrl::get_NRecordDevices() const {
    return impl_->get_NRecordDevices();
}

std::int32_t AURX300Ctrl::get_NPlaybackDevices() const {
    return impl_->get_NPlaybackDevices();
}

std::string AURX300Ctrl::get_RecordDeviceName(std::int32_t deviceNumber) const {
    return impl_->get_RecordDeviceName(deviceNumber);
}

std::string AURX300Ctrl::get_PlaybackDeviceName(std::int32_t deviceNumber) const {
    return impl_->get_PlaybackDeviceName(deviceNumber);
}

std::int32_t AURX300Ctrl::get_RecordDevice() const {
    return impl_->get_RecordDevice();
}

CallResult AURX300Ctrl::put_RecordDevice(std::int32_t v) {
    return impl_->put_RecordDevice(v);
}

std::int32_t AURX300Ctrl::get_PlaybackDevice() const {
    return impl_->get_PlaybackDevice();
}

CallResult AURX300Ctrl::put_PlaybackDevice(std::int32_t v) {
    return impl_->put_PlaybackDevice(v);
}

std::int16_t AURX300Ctrl::get_VoxChannel() const {
    return impl_->get_VoxChannel();
}

CallResult AURX300Ctrl::put_VoxChannel(std::int16_t v) {
    return impl_->put_VoxChannel(v);
}

float AURX300Ctrl::get_VoxStartLevel() const {
    return impl_->get_VoxStartLevel();
}

CallResult AURX300Ctrl::put_VoxStartLevel(float v) {
    return impl_->put_VoxStartLevel(v);
}

float AURX300Ctrl::get_VoxStopLevel() const {
    return impl_->get_VoxStopLevel();
}

CallResult AURX300Ctrl::put_VoxStopLevel(float v) {
    return impl_->put_VoxStopLevel(v);
}

std::int16_t AURX300Ctrl::get_VoxTime() const {
    return impl_->get_VoxTime();
}

CallResult AURX300Ctrl::put_VoxTime(std::int16_t v) {
    return impl_->put_VoxTime(v);
}

std::int16_t AURX300Ctrl::get_VoxPaused() const {
    return impl_->get_VoxPaused();
}

std::int16_t AURX300Ctrl::Reset() {
    return impl_->Reset();
}

void AURX300Ctrl::Stop() {
    impl_->Stop();
}

std::int16_t AURX300Ctrl::OpenNewFile(const std::string& filename) {
    return impl_->OpenNewFile(filename);
}

std::int16_t AURX300Ctrl::OpenTemporaryFile() {
    return impl_->OpenTemporaryFile();
}

std::int16_t AURX300Ctrl::OpenExistingOrNewFile(const std::string& filename) {
    return impl_->OpenExistingOrNewFile(filename);
}

Levels AURX300Ctrl::GetLevels() const {
    return impl_->GetLevels();
}

std::int16_t AURX300Ctrl::StartRecording() {
    return impl_->StartRecording();
}

std::int16_t AURX300Ctrl::ContinueInNewFile(const std::string& filename, float leadInTime) {
    return impl_->ContinueInNewFile(filename, leadInTime);
}

std::int16_t AURX300Ctrl::StartPlayback() {
    return impl_->StartPlayback();
}

std::int16_t AURX300Ctrl::ShowMixer(std::int16_t mixerType) {
    return impl_->ShowMixer(mixerType);
}

std::int16_t AURX300Ctrl::DeleteSamples(std::int32_t nSamples) {
    return impl_->DeleteSamples(nSamples);
}

std::int16_t AURX300Ctrl::DeleteTime(double time) {
    return impl_->DeleteTime(time);
}

std::int16_t AURX300Ctrl::RePack() {
    return impl_->RePack();
}

std::int16_t AURX300Ctrl::ChooseAcmFormat(std::int32_t hwndOwner, const std::string& dialogTitle) {
    return impl_->ChooseAcmFormat(hwndOwner, dialogTitle);
}

std::int16_t AURX300Ctrl::ChooseSpecificAcmFormat(std::int32_t hwndOwner,
                                                  const std::string& dialogTitle,
                                                  std::int16_t waveFormat) {
    return impl_->ChooseSpecificAcmFormat(hwndOwner, dialogTitle, waveFormat);
}

CallResult AURX300Ctrl::GetAcmFormatAsString(std::string* outVal, std::int16_t* errorCode) {
    return impl_->GetAcmFormatAsString(outVal, errorCode);
}

CallResult AURX300Ctrl::GetCurrentFormatAsString(std::string* outVal, std::int16_t* errorCode) {
    return impl_->GetCurrentFormatAsString(outVal, errorCode);
}

int AURX300Ctrl::Advise(std::shared_ptr<IAURX300CtrlEvents> sink) {
    return impl_->Advise(std::move(sink));
}

void AURX300Ctrl::Unadvise(int cookie) {
    impl_->Unadvise(cookie);
}

void AURX300Ctrl::setSite(ControlSite* site) {
    impl_->setSite(site);
}

void AURX300Ctrl::setFormatChooser(std::shared_ptr<formats::FormatChooser> chooser) {
    impl_->setFormatChooser(std::move(chooser));
}

int AURX300Ctrl::notificationFd() const {
    return impl_->notificationFd();
}

int AURX300Ctrl::processNotifications() {
    return impl_->processNotifications();
}

bool AURX300Ctrl::waitForNotification(int timeoutMs) const {
    return impl_->waitForNotification(timeoutMs);
}

std::int32_t AURX300Ctrl::extentWidth() const {
    return impl_->extentWidth();
}

std::int32_t AURX300Ctrl::extentHeight() const {
    return impl_->extentHeight();
}

void AURX300Ctrl::setExtent(std::int32_t width, std::int32_t height) {
    impl_->setExtent(width, height);
}

Levels AURX300Ctrl::meterLevels() const {
    return impl_->meterLevels();
}

}  // namespace aurx
