// The open file: reset and close, the three ways to open, positions and times, starting and
// stopping the worker.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "recorder/control/Control.h"
#include "recorder/store/AudioFile.h"
#include "recorder/store/CompressionSetup.h"
#include "recorder/store/FileOpener.h"

namespace aurx {

// Lets the file store install a file's own format and run the compression set-up.
class Control::FormatBridge : public store::FormatHost {
  public:
    explicit FormatBridge(Control& c) : c_(c) {}
    bool offerFileFormat(std::span<const std::uint8_t> block) override {
        if (!c_.installFormat(block, true)) return false;
        const auto f = codecs::WaveFormat::parse(block);
        c_.numChannels_ = static_cast<std::int16_t>(f.channels);
        c_.sampleRate_ = static_cast<std::int32_t>(f.samplesPerSec);
        c_.repaint();
        return true;
    }
    ErrorCode setUpCompression(store::CompressedInfo& out) override {
        return c_.setUpCompression(out);
    }

  private:
    Control& c_;
};

ErrorCode Control::setUpCompression(store::CompressedInfo& out) {
    const std::vector<std::uint8_t> block(acmFormat_.block().begin(), acmFormat_.block().end());
    if (block.size() < codecs::kWaveFormatSize) return ErrorCode::NoAcmFormat;
    FormatBridge bridge(*this);
    if (!bridge.offerFileFormat(block)) return ErrorCode::UnsupportedFormat;
    auto info = store::setUpCompression(block, acmFormat_.partner(), playOnly_ != 0, *env_.codecs);
    if (!info) return ErrorCode::UnsupportedFormat;
    out = std::move(*info);
    return ErrorCode::Ok;
}

ErrorCode Control::checkDefaultInput() {
    if (bitsPerSample_ == SampleCoding::Compressed) return ErrorCode::Ok;
    // A-law and µ-law are recorded from 16-bit samples.
    const std::uint16_t bits = bitsPerSample_ == SampleCoding::Pcm8 ? 8 : 16;
    const auto format = codecs::WaveFormat::pcm(static_cast<std::uint32_t>(sampleRate_),
                                                static_cast<std::uint16_t>(numChannels_), bits);
    return env_.devices->inputAccepts(wave::kDefaultDevice, format) ? ErrorCode::Ok
                                                                    : ErrorCode::InputFormatRefused;
}

void Control::closeFile() {
    if (file_) {
        const std::string name = file_->name();
        file_->close();
        if (temporaryFile_ != 0) ::unlink(name.c_str());
        file_.reset();
    }
    shared_.status.store(Status::Ready);
    signal_.notify();
}

ErrorCode Control::reset() {
    if (!workerStarted_) return ErrorCode::NoWorker;
    switch (status()) {
        case Status::Recording:
        case Status::Playing:
            Stop();
            shared_.status.store(Status::FileOpen);
            closeFile();
            return ErrorCode::Ok;
        case Status::FileOpen:
            closeFile();
            return ErrorCode::Ok;
        case Status::Created:
            shared_.leftLevel.store(kSilentLevel);
            shared_.rightLevel.store(kSilentLevel);
            shared_.leftOverload.store(0);
            shared_.rightOverload.store(0);
            shared_.status.store(Status::Ready);
            repaint();
            [[fallthrough]];
        case Status::Ready:
            break;
    }
    return checkDefaultInput();
}

void Control::adoptFile(std::unique_ptr<store::AudioFile> file, Status status) {
    file_ = std::move(file);
    ++generation_;
    temporaryFile_ = 0;
    const auto& device = file_->deviceFormat();
    sampleRate_ = static_cast<std::int32_t>(device.samplesPerSec);
    numChannels_ = static_cast<std::int16_t>(device.channels);
    switch (file_->encoding()) {
        case store::Encoding::Pcm:
            // The store opens linear files of 8 or 16 bits only.
            bitsPerSample_ = device.bitsPerSample == 8 ? SampleCoding::Pcm8 : SampleCoding::Pcm16;
            break;
        case store::Encoding::ALaw:
            bitsPerSample_ = SampleCoding::ALaw;
            break;
        case store::Encoding::MuLaw:
            bitsPerSample_ = SampleCoding::MuLaw;
            break;
        case store::Encoding::Compressed:
            bitsPerSample_ = SampleCoding::Compressed;
            break;
    }
    recomputeRecordLimit();
    shared_.status.store(status);
}

Control::FormatProperties Control::formatProperties() const {
    return FormatProperties{sampleRate_, numChannels_, bitsPerSample_, acmFormat_};
}

void Control::restore(const FormatProperties& saved) {
    sampleRate_ = saved.sampleRate;
    numChannels_ = saved.numChannels;
    bitsPerSample_ = saved.bitsPerSample;
    acmFormat_ = saved.acmFormat;
    repaint();
}

ErrorCode Control::createFile(const std::string& filename, std::unique_ptr<store::AudioFile>& out) {
    const FormatProperties saved = formatProperties();
    FormatBridge bridge(*this);
    const store::FileRequest request{filename,
                                     false,
                                     dataOnly_,
                                     bitsPerSample_,
                                     static_cast<std::uint32_t>(sampleRate_),
                                     static_cast<std::uint16_t>(numChannels_)};
    auto outcome = store::createFile(request, bridge);
    if (outcome.code != ErrorCode::Ok) {
        restore(saved);
        return outcome.code;
    }
    out = std::move(outcome.file);
    return ErrorCode::Ok;
}

ErrorCode Control::createNew(const std::string& filename) {
    std::unique_ptr<store::AudioFile> file;
    if (const ErrorCode code = createFile(filename, file); code != ErrorCode::Ok) return code;
    adoptFile(std::move(file));
    return ErrorCode::Ok;
}

ErrorCode Control::openNew(const std::string& filename) {
    if (playOnly_) return ErrorCode::PlayOnlyRefused;
    if (const ErrorCode code = reset(); code != ErrorCode::Ok) return code;
    return createNew(filename);
}

ErrorCode Control::openTemporary() {
    if (playOnly_) return ErrorCode::PlayOnlyRefused;
    const std::string name = store::makeUniqueFile(store::temporaryDirectory());
    if (name.empty()) return ErrorCode::CannotOpenFile;
    if (const ErrorCode code = openNew(name); code != ErrorCode::Ok) {
        ::unlink(name.c_str());
        return code;
    }
    temporaryFile_ = 1;
    return ErrorCode::Ok;
}

ErrorCode Control::openExistingOrNew(const std::string& filename) {
    if (const ErrorCode code = reset(); code != ErrorCode::Ok) return code;
    struct stat st {};
    if (::stat(filename.c_str(), &st) != 0) {
        if (playOnly_) return ErrorCode::PlayOnlyRefused;
        return createNew(filename);
    }
    const FormatProperties saved = formatProperties();
    FormatBridge bridge(*this);
    const store::FileRequest request{filename,
                                     playOnly_ != 0,
                                     dataOnly_,
                                     bitsPerSample_,
                                     static_cast<std::uint32_t>(sampleRate_),
                                     static_cast<std::uint16_t>(numChannels_)};
    auto outcome = store::openFile(request, bridge);
    if (outcome.code != ErrorCode::Ok) {
        restore(saved);
        return outcome.code;
    }
    adoptFile(std::move(outcome.file));
    file_->positionAtEnd();  // so that a recording appends
    return ErrorCode::Ok;
}

std::string Control::fileName() const {
    return file_ ? file_->name() : std::string();
}

std::int32_t Control::numSamples() const {
    return file_ ? file_->numSamples() : 0;
}

std::int32_t Control::samplePosition() const {
    return file_ ? file_->position() : 0;
}

void Control::setSamplePosition(std::int32_t v) {
    const Status s = status();
    // Inserting collects the recording apart, so the position cannot move under it.
    const bool accepted =
        shared_.insert != 0 ? (s == Status::FileOpen || s == Status::Playing) : hasFile(s);
    if (accepted && file_) file_->setPosition(v);
}

double Control::timePosition() const {
    if (!file_ || file_->position() <= 0) return 0;
    return static_cast<double>(file_->position()) / file_->sampleRate();
}

void Control::setTimePosition(double v) {
    if (!fileOpen() || !file_) return;
    const double frames = std::trunc(v * file_->sampleRate());
    // Anything that is not a frame number (negative, too large, not a number) means the end.
    const bool representable = frames >= 0 && frames <= std::numeric_limits<std::int32_t>::max();
    setSamplePosition(representable ? static_cast<std::int32_t>(frames) : -1);
}

double Control::totalTime() const {
    if (!file_ || file_->numSamples() <= 0) return 0;
    return static_cast<double>(file_->numSamples()) / file_->sampleRate();
}

ErrorCode Control::startRecording() {
    if (playOnly_) return ErrorCode::PlayOnlyRefused;
    if (status() != Status::FileOpen || !file_) return ErrorCode::WrongState;
    const std::int32_t limit = shared_.recordLimit.load();
    if (limit > 0 && file_->limitCounter() >= limit) return ErrorCode::RecordLimitReached;
    shared_.voxPaused.store(0);
    shared_.voxCountdown.store(0);
    return startWorker(WorkerCommand::StartRecording, WorkerState::InputFailed,
                       ErrorCode::InputNotStarted);
}

// The open file's format is the properties' (they cannot change while a file is open), so the
// new file takes the samples the input delivers as they are.
ErrorCode Control::continueInNewFile(const std::string& filename, float leadInTime) {
    if (playOnly_) return ErrorCode::PlayOnlyRefused;
    if (status() != Status::Recording || !file_ || file_->inserting()) return ErrorCode::WrongState;
    std::unique_ptr<store::AudioFile> next;
    if (const ErrorCode code = createFile(filename, next); code != ErrorCode::Ok) return code;
    const double seconds = std::isfinite(leadInTime) ? std::clamp(leadInTime, 0.0F, 10.0F) : 0.0;
    const auto leadIn = static_cast<std::int64_t>(std::floor(seconds * sampleRate_ + 0.5));
    engine_->prepareSwitch(next.get(), generation_ + 1, leadIn);
    worker_.waitHandled(worker_.post(WorkerCommand::SwitchFile));
    const auto switched = engine_->switched();
    if (switched == engine::Engine::Switched::No) {
        // The recording ended by itself just before: the new file was never written.
        const std::string name = next->name();
        next->close();
        ::unlink(name.c_str());
        engine_->prepare(file_.get(), generation_);
        return ErrorCode::WrongState;
    }
    const std::string oldName = file_->name();
    const bool closed = file_->close();
    if (temporaryFile_ != 0) ::unlink(oldName.c_str());
    adoptFile(std::move(next), Status::Recording);
    return switched == engine::Engine::Switched::Yes && closed ? ErrorCode::Ok
                                                               : ErrorCode::CannotWriteHeader;
}

ErrorCode Control::startPlayback() {
    if (status() != Status::FileOpen || !file_) return ErrorCode::WrongState;
    return startWorker(WorkerCommand::StartPlayback, WorkerState::OutputFailed,
                       ErrorCode::OutputNotStarted);
}

// Hands the open file to the worker with a start command and waits for its answer.
ErrorCode Control::startWorker(WorkerCommand command, WorkerState failedState, ErrorCode failure) {
    engine_->prepare(file_.get(), generation_);
    worker_.waitHandled(worker_.post(command));
    if (worker_.state() == failedState) {
        worker_.setState(WorkerState::Idle);
        return failure;
    }
    return ErrorCode::Ok;
}

void Control::Stop() {
    const Status s = status();
    if (s != Status::Recording && s != Status::Playing) return;
    worker_.post(s == Status::Recording ? WorkerCommand::StopRecording
                                        : WorkerCommand::StopPlayback);
    signal_.waitUntil([this] { return status() == Status::FileOpen; });
}

}  // namespace aurx
