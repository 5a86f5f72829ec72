// The control's public face: every call goes to its private implementation, the property
// accessors made from the property table.
#include "aurx/AURX300Ctrl.h"

#include <utility>

#include "recorder/control/Control.h"
#include "recorder/control/PropertyRows.h"

namespace aurx {

AURX300Ctrl::AURX300Ctrl() : AURX300Ctrl(ControlEnvironment::standard()) {}

AURX300Ctrl::AURX300Ctrl(ControlEnvironment environment)
    : impl_(std::make_unique<Control>(std::move(environment))) {}

AURX300Ctrl::~AURX300Ctrl() = default;

#define AURX_FORWARD_ReadWrite(Name, Type)               \
    Type AURX300Ctrl::get_##Name() const {               \
        return impl_->get<Property::Name>();             \
    }                                                    \
    CallResult AURX300Ctrl::put_##Name(PutArg<Type> v) { \
        return impl_->put<Property::Name>(v);            \
    }
#define AURX_FORWARD_ReadOnly(Name, Type)    \
    Type AURX300Ctrl::get_##Name() const {   \
        return impl_->get<Property::Name>(); \
    }
#define AURX_FORWARD_ReadAndClear(Name, Type) \
    Type AURX300Ctrl::get_##Name() {          \
        return impl_->take<Property::Name>(); \
    }
#define AURX_FORWARD_Indexed(Name, Type)                            \
    Type AURX300Ctrl::get_##Name(std::int32_t deviceNumber) const { \
        return impl_->get<Property::Name>(deviceNumber);            \
    }
#define AURX_FORWARD(Name, Dispid, Type, Access, ...) AURX_FORWARD_##Access(Name, Type)
AURX_PROPERTIES(AURX_FORWARD)
#undef AURX_FORWARD
#undef AURX_FORWARD_Indexed
#undef AURX_FORWARD_ReadAndClear
#undef AURX_FORWARD_ReadOnly
#undef AURX_FORWARD_ReadWrite

Status AURX300Ctrl::status() const {
    return impl_->status();
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
