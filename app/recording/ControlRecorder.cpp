#include "app/recording/ControlRecorder.h"

#include "aurx/AURX300Ctrl.h"
#include "aurx/Dispatch.h"
#include "aurx/Events.h"
#include "platform/posix/FileAccess.h"
#include "recorder/qt/AurxWidget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <array>
#include <utility>

namespace parlaro {

namespace {

std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The control creates a file as any program does, for whoever the umask lets in, and keeps the
// permissions of one that exists: made here first, a call is the user's alone from its first
// byte. `open` opens it in the control; a file made here is removed again when that fails.
template <class Open>
int16_t openPrivately(const std::string& native, Open open) {
    const bool made = static_cast<bool>(
        aurx::posix::createFile(native, O_WRONLY, aurx::posix::FileAccess::ownerOnly()));
    // Something already in the call's place that is not a plain file of its own (a link
    // planted in a shared temporary folder) would have the recording written elsewhere.
    struct stat st {};
    if (!made && (::lstat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1))
        return 2;  // the control's "cannot open the file"
    const int16_t code = open();
    if (code != 0 && made) ::unlink(native.c_str());
    return code;
}

}  // namespace

// Keeps the input's two events for the controller, which looks once a second.
class ControlRecorder::NewsSink final : public aurx::IAURX300CtrlEvents {
  public:
    explicit NewsSink(aurx::AURX300Ctrl& control) : control_(control) {}
    void RecordingStopped(int16_t) override {}
    void PlaybackStopped(int16_t) override {}
    void NewLevelValues(float, int16_t, float, int16_t) override {}
    void NewVoxState(int16_t) override {}
    void InputStalled(int32_t samplePosition) override {
        news.push_back({false, seconds(samplePosition), 0});
    }
    void InputResumed(int32_t samplePosition, int32_t stalledSamples) override {
        news.push_back({true, seconds(samplePosition), seconds(stalledSamples)});
    }

    std::vector<InputNews> news;

  private:
    double seconds(int32_t samples) const {
        const int32_t rate = control_.get_SampleRate();
        return rate > 0 ? static_cast<double>(samples) / rate : 0;
    }
    aurx::AURX300Ctrl& control_;
};

ControlRecorder::ControlRecorder(aurx::AURX300Ctrl& control)
    : control_(control), news_(std::make_shared<NewsSink>(control)) {
    newsCookie_ = control_.Advise(news_);
}

ControlRecorder::~ControlRecorder() {
    control_.Unadvise(newsCookie_);
}

std::vector<InputNews> ControlRecorder::TakeInputNews() {
    return std::exchange(news_->news, {});
}

void PlaceForTelephone(aurxqt::AurxWidget& control) {
    control.setSampleRate(8000);
    control.setBitsPerSample(8);
    control.setNumChannels(1);
}

int16_t ControlRecorder::Reset() {
    return control_.Reset();
}

void ControlRecorder::Stop() {
    control_.Stop();
}

int16_t ControlRecorder::OpenTemporaryFile() {
    return control_.OpenTemporaryFile();
}

int16_t ControlRecorder::OpenNewFile(const QString& path) {
    const std::string native = nativePath(path);
    return openPrivately(native, [&] { return control_.OpenNewFile(native); });
}

int16_t ControlRecorder::OpenExistingOrNewFile(const QString& path) {
    return control_.OpenExistingOrNewFile(nativePath(path));
}

int16_t ControlRecorder::StartRecording() {
    return control_.StartRecording();
}

int16_t ControlRecorder::ContinueInNewFile(const QString& path, float leadInSeconds) {
    const std::string native = nativePath(path);
    return openPrivately(native, [&] { return control_.ContinueInNewFile(native, leadInSeconds); });
}

int16_t ControlRecorder::StartPlayback() {
    return control_.StartPlayback();
}

void ControlRecorder::setCurrentTimePosition(double seconds) {
    control_.put_CurrentTimePosition(seconds);
}

int32_t ControlRecorder::NumSamples() const {
    return control_.get_NumSamples();
}

int32_t ControlRecorder::CurrentSamplePosition() const {
    return control_.get_CurrentSamplePosition();
}

bool ControlRecorder::setPlayOnly(bool playOnly) {
    return control_.put_PlayOnly(playOnly ? 1 : 0).ok();
}

bool ControlRecorder::setDataOnly(int16_t dataOnly) {
    return control_.put_DataOnly(dataOnly).ok();
}

int16_t ControlRecorder::DataOnly() const {
    return control_.get_DataOnly();
}

int16_t ControlRecorder::RePack() {
    return control_.RePack();
}

bool ControlRecorder::Paused() const {
    return control_.get_Paused() != 0;
}

void ControlRecorder::setPaused(bool paused) {
    control_.put_Paused(paused ? 1 : 0);
}

RecorderLevels ControlRecorder::GetLevels() {
    const aurx::Levels l = control_.GetLevels();
    return {l.leftLevel, l.leftOverload, l.rightLevel, l.rightOverload};
}

RecorderStatus ControlRecorder::Status() const {
    return static_cast<RecorderStatus>(control_.get_Status());
}

double ControlRecorder::CurrentTimePosition() const {
    return control_.get_CurrentTimePosition();
}

double ControlRecorder::TotalTime() const {
    return control_.get_TotalTime();
}

int16_t ControlRecorder::LastError() {
    return control_.get_LastError();
}

QString ControlRecorder::GetCurrentFormatAsString() {
    std::string text;
    int16_t code = 0;
    control_.GetCurrentFormatAsString(&text, &code);
    // The code also waits in LastError; this caller has no use for it.
    if (code != 0) control_.get_LastError();
    return QString::fromStdString(text);
}

bool ControlRecorder::setBitsPerSample(int16_t bits) {
    return control_.put_BitsPerSample(bits).ok();
}

int16_t ControlRecorder::ShowMixer(int16_t which) {
    return control_.ShowMixer(which);
}

bool ControlRecorder::setSampleRate(int32_t rate) {
    return control_.put_SampleRate(rate).ok();
}

bool ControlRecorder::setAcmFormat(const QString& hexText) {
    return control_.put_AcmFormat(aurx::Variant(hexText.toStdString())).ok();
}

bool ControlRecorder::setPreRollTime(float seconds) {
    // Through the dispatch interface by name, as any container sets a property it knows by
    // name; a control without the property simply refuses.
    aurx::Dispatch dispatch(control_);
    std::array<aurx::Variant, 1> args{aurx::Variant(seconds)};
    return dispatch.invoke("PreRollTime", aurx::InvokeKind::PropertyPut, args).ok();
}

bool ControlRecorder::setNumChannels(int16_t channels) {
    return control_.put_NumChannels(channels).ok();
}

bool ControlRecorder::setRecordDevice(int32_t device) {
    return control_.put_RecordDevice(device).ok();
}

std::vector<QString> ControlRecorder::RecordDeviceNames() {
    std::vector<QString> names;
    const int32_t count = control_.get_NRecordDevices();
    for (int32_t i = 0; i < count; ++i)
        names.push_back(QString::fromStdString(control_.get_RecordDeviceName(i)));
    return names;
}

}  // namespace parlaro
