// Construction, destruction and the property setters of the recorder control.
#include "recorder/control/Control.h"

#include <cmath>
#include <cstdlib>
#include <limits>

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

CallResult Control::put_BackColor(OleColor v) {
    backColor_ = v;
    repaint();
    return {};
}

CallResult Control::put_LowColor(OleColor v) {
    lowColor_ = v;
    repaint();
    return {};
}

CallResult Control::put_MidColor(OleColor v) {
    midColor_ = v;
    repaint();
    return {};
}

CallResult Control::put_HighColor(OleColor v) {
    highColor_ = v;
    repaint();
    return {};
}

CallResult Control::put_NumSegments(std::int16_t v) {
    if (v < 1 || v > 20)
        return CallResult::refused("AURX300 NumSegments must be in the range 1 to 20");
    numSegments_ = v;
    repaint();
    return {};
}

CallResult Control::put_Orientation(std::int16_t v) {
    if (v < 0 || v > 3)
        return CallResult::refused("AURX300 Orientation must be in the range 0 to 3");
    orientation_ = v;
    repaint();
    return {};
}

CallResult Control::put_Style(std::int16_t v) {
    if (v != 0 && v != 1) return CallResult::refused("AURX300 Style must be 0 or 1");
    style_ = v;
    repaint();
    return {};
}

CallResult Control::put_SampleRate(std::int32_t v) {
    if (fileOpen())
        return CallResult::refused("AURX300 cannot change SampleRate whilst a file is open");
    if (v < 0 || !store::isAcceptedRate(static_cast<std::uint32_t>(v)))
        return CallResult::refused(
            "AURX300 SampleRate must be one of 192000, 96000, 88200, 64000, 48000, 44100, 32000, "
            "22050, 16000, 11025, 8000, 6000");
    sampleRate_ = v;
    return put_RecordTimeLimit(recordTimeLimit_);
}

CallResult Control::put_BitsPerSample(std::int16_t v) {
    if (fileOpen())
        return CallResult::refused("AURX300 cannot change BitsPerSample whilst a file is open");
    const auto coding = sampleCodingOf(v);
    if (!coding)
        return CallResult::refused("AURX300 BitsPerSample must 8, 16 or a special format code");
    bitsPerSample_ = *coding;
    return {};
}

CallResult Control::put_NumChannels(std::int16_t v) {
    if (fileOpen())
        return CallResult::refused("AURX300 cannot change NumChannels whilst a file is open");
    if (v != 1 && v != 2) return CallResult::refused("AURX300 NumChannels must be 1 or 2");
    numChannels_ = v;
    repaint();
    return {};
}

CallResult Control::put_PlayOnly(std::int16_t v) {
    if (fileOpen())
        return CallResult::refused("AURX300 cannot change PlayOnly whilst a file is open");
    playOnly_ = v != 0 ? 1 : 0;
    return {};
}

CallResult Control::put_DataOnly(std::int16_t v) {
    if (fileOpen())
        return CallResult::refused("AURX300 cannot change DataOnly whilst a file is open");
    if (v > 2) return CallResult::refused("DataOnly must be negative, 0, 1 or 2");
    dataOnly_ = v;
    return {};
}

CallResult Control::put_TemporaryFile(std::int16_t v) {
    temporaryFile_ = v;
    return {};
}

CallResult Control::put_Paused(std::int16_t v) {
    shared_.paused.store(v);
    // Returns once the device has paused, or resumed with its buffers refilled, so that what
    // the host does next sees it.
    if (status() == Status::Playing) {
        worker_.waitHandled(worker_.post({WorkerCommand::PausePlayback, v != 0}));
        worker_.settle();
    }
    return {};
}

CallResult Control::put_Insert(std::int16_t v) {
    if (v != 0 && v != 1) return CallResult::refused("AURX300 Insert must be 0 or 1");
    shared_.insert = v;
    return {};
}

// A marker tone is a second or two; a minute is far beyond any use and keeps the file small.
static_assert(engine::kLongestTone == 60, "the refusals name the bound");

CallResult Control::put_PreToneDuration(float v) {
    if (!(v >= 0)) return CallResult::refused("AURX300 PreToneDuration must be non-negative");
    if (v > engine::kLongestTone)
        return CallResult::refused("AURX300 PreToneDuration must be 60 seconds or less");
    shared_.preToneDuration = v;
    return {};
}

CallResult Control::put_PostToneDuration(float v) {
    if (!(v >= 0)) return CallResult::refused("AURX300 PostToneDuration must be non-negative");
    if (v > engine::kLongestTone)
        return CallResult::refused("AURX300 PostToneDuration must be 60 seconds or less");
    shared_.postToneDuration = v;
    return {};
}

CallResult Control::put_PreRollTime(float v) {
    if (!(v >= 0 && v <= 10))
        return CallResult::refused("AURX300 PreRollTime must be in the range 0 to 10");
    shared_.preRollTime = v;
    return {};
}

CallResult Control::put_RecordLimit(std::int32_t v) {
    if (v < 0) return CallResult::refused("AURX300 RecordLimit must be zero or positive");
    shared_.recordLimit = v;
    recordTimeLimit_ = static_cast<double>(v) / sampleRate_;
    return {};
}

CallResult Control::put_RecordTimeLimit(double v) {
    if (!(v >= 0)) return CallResult::refused("AURX300 RecordTimeLimit must be zero or positive");
    recordTimeLimit_ = v;
    shared_.recordLimit = store::clampFrames(v * sampleRate_ + 0.5);
    return {};
}

void Control::recomputeRecordLimit() {
    shared_.recordLimit = store::clampFrames(std::floor(recordTimeLimit_ * sampleRate_ + 0.5));
}

CallResult Control::put_RecordDevice(std::int32_t v) {
    if (v < -1) return CallResult::refused("AURX300 RecordDevice must be -1, 0 or positive");
    shared_.recordDevice = v;
    return {};
}

CallResult Control::put_PlaybackDevice(std::int32_t v) {
    if (v < -1) return CallResult::refused("AURX300 PlaybackDevice must be -1, 0 or positive");
    shared_.playbackDevice = v;
    return {};
}

CallResult Control::put_VoxChannel(std::int16_t v) {
    if (status() == Status::Recording)
        return CallResult::refused("VoxChannel cannot be changed during recording");
    if (v < 0 || v > 3) return CallResult::refused("VoxChannel must be 0..3");
    shared_.voxChannel = v;
    return {};
}

CallResult Control::put_VoxStartLevel(float v) {
    // Not a number is neither 0 nor negative, and no level would ever cross it.
    if (!(v <= 0)) return CallResult::refused("VoxStartLevel must be 0 or negative");
    shared_.voxStartLevel = v;
    return {};
}

CallResult Control::put_VoxStopLevel(float v) {
    if (!(v <= 0)) return CallResult::refused("VoxStopLevel must be 0 or negative");
    shared_.voxStopLevel = v;
    return {};
}

CallResult Control::put_VoxTime(std::int16_t v) {
    if (v < 0) return CallResult::refused("VoxTime must be 0 or positive");
    shared_.voxTime = v;
    return {};
}

std::int32_t Control::get_NRecordDevices() const {
    return env_.devices->inputCount();
}
std::int32_t Control::get_NPlaybackDevices() const {
    return env_.devices->outputCount();
}

std::string Control::get_RecordDeviceName(std::int32_t deviceNumber) const {
    return env_.devices->inputName(deviceNumber).value_or("");
}

std::string Control::get_PlaybackDeviceName(std::int32_t deviceNumber) const {
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
