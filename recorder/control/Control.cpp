// Construction and destruction of the recorder control, and what its kept properties set off.
#include "recorder/control/Control.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "recorder/control/PropertyRows.h"
#include "recorder/engine/Tone.h"
#include "recorder/store/AudioFile.h"
#include "recorder/store/FileOpener.h"

namespace aurx {

Control::Control(ControlEnvironment environment)
    : env_(std::move(environment)),
      extentWidth_(kDefaultExtentWidth),
      extentHeight_(kDefaultExtentHeight),
      worker_([this](const engine::Message& m) { engine_->handle(m); }, signal_) {
    if (!env_.devices) env_.devices = wave::systemDevices();
    if (!env_.codecs) env_.codecs = codecs::Manager::standard();
    engine_ = std::make_unique<engine::Engine>(shared_, worker_, signal_,
                                               static_cast<engine::Notifier&>(*this), *env_.devices,
                                               *env_.codecs);
    workerStarted_ = env_.workerAvailable && worker_.start();
}

void Control::notify(engine::Notice notice, std::uint64_t generation, StopCause cause) {
    notifications_.post(Notification{notice, generation, cause});
}

void Control::notifyGap(engine::Notice notice, std::uint64_t generation, std::int64_t position,
                        std::int64_t missing) {
    notifications_.post(Notification{notice, generation, StopCause::Requested, position, missing});
}

Control::~Control() {
    reset();
    worker_.quit();
}

void Control::repaint() {
    if (site_) site_->invalidate();
}

void Control::setExtent(std::int32_t width, std::int32_t height) {
    extentWidth_ = width;
    extentHeight_ = height;
    repaint();
}

void Control::setBitsPerSample(std::int16_t v) {
    if (const auto coding = sampleCodingOf(v)) bitsPerSample_ = *coding;
}

void Control::pausedChanged() {
    // Returns once the device has paused, or resumed with its buffers refilled, so that what
    // the host does next sees it.
    if (status() == Status::Playing) {
        worker_.waitHandled(worker_.post({WorkerCommand::PausePlayback, shared_.paused != 0}));
        worker_.settle();
    }
}

// The tones' bound is the table's.
static_assert(std::get<1>(PropertyRow<Property::PreToneDuration>::rules()).most ==
                  engine::kLongestTone &&
              std::get<1>(PropertyRow<Property::PostToneDuration>::rules()).most ==
                  engine::kLongestTone);

void Control::recomputeRecordLimit() {
    shared_.recordLimit = store::clampFrames(std::floor(recordTimeLimit_ * sampleRate_ + 0.5));
}

void Control::timeLimitFromFrames() {
    recordTimeLimit_ = static_cast<double>(shared_.recordLimit) / sampleRate_;
}

std::int32_t Control::recordDeviceCount() const {
    return env_.devices->inputCount();
}

std::int32_t Control::playbackDeviceCount() const {
    return env_.devices->outputCount();
}

std::string Control::recordDeviceName(std::int32_t deviceNumber) const {
    return env_.devices->inputName(deviceNumber).value_or("");
}

std::string Control::playbackDeviceName(std::int32_t deviceNumber) const {
    return env_.devices->outputName(deviceNumber).value_or("");
}

ErrorCode Control::showMixer(std::int16_t mixerType) {
    std::vector<std::string> argv;
    if (const char* custom = std::getenv("AURX_MIXER_COMMAND"); custom && *custom)
        argv = {custom, mixerType == 0 ? "playback" : "record"};
    else
        argv = {"pavucontrol", mixerType == 0 ? "--tab=1" : "--tab=4"};
    if (!env_.launch || !env_.launch(argv)) return ErrorCode::LaunchFailed;
    return ErrorCode::Ok;
}

Levels Control::meterLevels() const {
    return Levels{shared_.leftLevel.load(), static_cast<std::int16_t>(shared_.leftOverload.load()),
                  shared_.rightLevel.load(),
                  static_cast<std::int16_t>(shared_.rightOverload.load())};
}

Levels Control::GetLevels() const {
    const Status s = status();
    if (s != Status::Recording && s != Status::Playing) return Levels{};
    Levels l = meterLevels();
    if (numChannels_ == 1) {
        l.rightLevel = l.leftLevel;
        l.rightOverload = l.leftOverload;
    }
    return l;
}

}  // namespace aurx
