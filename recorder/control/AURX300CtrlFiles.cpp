// The open file: reset and close, the three ways to open, positions and times, starting and
// stopping the worker.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "recorder/control/AURX300Ctrl.h"
#include "recorder/store/AudioFile.h"
#include "recorder/store/CompressionSetup.h"
#include "recorder/store/FileOpener.h"

namespace aurx {

// Lets the file store install a file's own format and run the compression set-up.
class AURX300Ctrl::FormatBridge : public store::FormatHost {
  public:
    explicit FormatBridge(AURX300Ctrl& c) : c_(c) {}
    bool offerFileFormat(std::span<const std::uint8_t> block) override {
        if (!c_.installFormat(block, true)) return false;
        const auto f = codecs::WaveFormat::parse(block);
        c_.numChannels_ = static_cast<std::int16_t>(f.channels);
        c_.sampleRate_ = static_cast<std::int32_t>(f.samplesPerSec);
        c_.repaint();
        return true;
    }
    std::int16_t setUpCompression(store::CompressedInfo& out) override {
        return c_.setUpCompression(out);
    }

  private:
    AURX300Ctrl& c_;
};

std::int16_t AURX300Ctrl::setUpCompression(store::CompressedInfo& out) {
    const std::vector<std::uint8_t> block(acmFormat_.block().begin(), acmFormat_.block().end());
    if (block.size() < codecs::kWaveFormatSize) return kNoAcmFormat;
    FormatBridge bridge(*this);
    if (!bridge.offerFileFormat(block)) return kUnsupportedFormat;
    auto info = store::setUpCompression(block, acmFormat_.partner(), playOnly_ != 0, *env_.codecs);
    if (!info) return kUnsupportedFormat;
    out = std::move(*info);
    return kOk;
}

std::int16_t AURX300Ctrl::checkDefaultInput() {
    if (bitsPerSample_ == 100) return kOk;
    const std::uint16_t bits = (bitsPerSample_ == 8) ? 8 : 16;
    const auto format = codecs::WaveFormat::pcm(static_cast<std::uint32_t>(sampleRate_),
                                                static_cast<std::uint16_t>(numChannels_), bits);
    return env_.devices->inputAccepts(wave::kDefaultDevice, format) ? kOk : kInputFormatRefused;
}

std::int16_t AURX300Ctrl::closeFile() {
    if (file_) {
        const std::string name = file_->name();
        file_->close();
        if (temporaryFile_ != 0) ::unlink(name.c_str());
        file_.reset();
    }
    shared_.status.store(1);
    signal_.notify();
    return kOk;
}

std::int16_t AURX300Ctrl::Reset() {
    if (!workerStarted_) return fail(kNoWorker);
    switch (shared_.status.load()) {
        case 3:
        case 4:
            Stop();
            shared_.status.store(2);
            closeFile();
            return kOk;
        case 2:
            return closeFile();
        case 0:
            shared_.leftLevel.store(-9999);
            shared_.rightLevel.store(-9999);
            shared_.leftOverload.store(0);
            shared_.rightOverload.store(0);
            shared_.status.store(1);
            repaint();
            [[fallthrough]];
        default:
            return fail(checkDefaultInput());
    }
}

std::int16_t AURX300Ctrl::adoptFile(std::unique_ptr<store::AudioFile> file) {
    file_ = std::move(file);
    ++generation_;
    temporaryFile_ = 0;
    const auto& device = file_->deviceFormat();
    sampleRate_ = static_cast<std::int32_t>(device.samplesPerSec);
    numChannels_ = static_cast<std::int16_t>(device.channels);
    switch (file_->encoding()) {
        case store::Encoding::Pcm:
            bitsPerSample_ = static_cast<std::int16_t>(device.bitsPerSample);
            break;
        case store::Encoding::ALaw:
            bitsPerSample_ = 106;
            break;
        case store::Encoding::MuLaw:
            bitsPerSample_ = 107;
            break;
        case store::Encoding::Compressed:
            bitsPerSample_ = 100;
            break;
    }
    recomputeRecordLimit();
    shared_.status.store(2);
    return kOk;
}

AURX300Ctrl::FormatProperties AURX300Ctrl::formatProperties() const {
    return FormatProperties{sampleRate_, numChannels_, bitsPerSample_, acmFormat_};
}

void AURX300Ctrl::restore(const FormatProperties& saved) {
    sampleRate_ = saved.sampleRate;
    numChannels_ = saved.numChannels;
    bitsPerSample_ = saved.bitsPerSample;
    acmFormat_ = saved.acmFormat;
    repaint();
}

std::int16_t AURX300Ctrl::createNew(const std::string& filename) {
    const FormatProperties saved = formatProperties();
    FormatBridge bridge(*this);
    const store::FileRequest request{filename,
                                     false,
                                     dataOnly_,
                                     bitsPerSample_,
                                     static_cast<std::uint32_t>(sampleRate_),
                                     static_cast<std::uint16_t>(numChannels_)};
    auto outcome = store::createFile(request, bridge);
    if (outcome.code != kOk) {
        restore(saved);
        return fail(outcome.code);
    }
    return adoptFile(std::move(outcome.file));
}

std::int16_t AURX300Ctrl::OpenNewFile(const std::string& filename) {
    if (playOnly_) return fail(kPlayOnlyRefused);
    if (const auto code = Reset(); code != kOk) return code;
    return createNew(filename);
}

std::int16_t AURX300Ctrl::OpenTemporaryFile() {
    if (playOnly_) return fail(kPlayOnlyRefused);
    const std::string name = store::makeUniqueFile(store::temporaryDirectory());
    if (name.empty()) return fail(kCannotOpenFile);
    const auto code = OpenNewFile(name);
    if (code != kOk) {
        ::unlink(name.c_str());
        return code;
    }
    temporaryFile_ = 1;
    return kOk;
}

std::int16_t AURX300Ctrl::OpenExistingOrNewFile(const std::string& filename) {
    if (const auto code = Reset(); code != kOk) return code;
    struct stat st {};
    if (::stat(filename.c_str(), &st) != 0) {
        if (playOnly_) return fail(kPlayOnlyRefused);
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
    if (outcome.code != kOk) {
        restore(saved);
        return fail(outcome.code);
    }
    adoptFile(std::move(outcome.file));
    file_->positionAtEnd();  // so that a recording appends
    return kOk;
}

std::string AURX300Ctrl::get_Filename() const {
    return file_ ? file_->name() : std::string();
}

std::int32_t AURX300Ctrl::get_NumSamples() const {
    return file_ ? file_->numSamples() : 0;
}

std::int32_t AURX300Ctrl::get_CurrentSamplePosition() const {
    return file_ ? file_->position() : 0;
}

CallResult AURX300Ctrl::put_CurrentSamplePosition(std::int32_t v) {
    const auto s = shared_.status.load();
    const bool accepted = shared_.insert != 0 ? (s == 2 || s == 4) : (s == 2 || s == 3 || s == 4);
    if (accepted && file_) file_->setPosition(v);
    return {};
}

double AURX300Ctrl::get_CurrentTimePosition() const {
    if (!file_ || file_->position() <= 0) return 0;
    return static_cast<double>(file_->position()) / file_->sampleRate();
}

CallResult AURX300Ctrl::put_CurrentTimePosition(double v) {
    if (!fileOpen() || !file_) return {};
    const double frames = std::trunc(v * file_->sampleRate());
    // Anything that is not a frame number (negative, too large, not a number) means the end.
    const bool representable = frames >= 0 && frames <= std::numeric_limits<std::int32_t>::max();
    return put_CurrentSamplePosition(representable ? static_cast<std::int32_t>(frames) : -1);
}

double AURX300Ctrl::get_TotalTime() const {
    if (!file_ || file_->numSamples() <= 0) return 0;
    return static_cast<double>(file_->numSamples()) / file_->sampleRate();
}

std::int16_t AURX300Ctrl::StartRecording() {
    if (playOnly_) return fail(kPlayOnlyRefused);
    if (shared_.status.load() != 2 || !file_) return fail(kWrongState);
    const std::int32_t limit = shared_.recordLimit.load();
    if (limit > 0 && file_->limitCounter() >= limit) return fail(kRecordLimitReached);
    shared_.voxPaused.store(0);
    shared_.voxCountdown.store(0);
    return startWorker(engine::kCmdStartRecording, engine::kInputFailed, kInputNotStarted);
}

std::int16_t AURX300Ctrl::StartPlayback() {
    if (shared_.status.load() != 2 || !file_) return fail(kWrongState);
    return startWorker(engine::kCmdStartPlayback, engine::kOutputFailed, kOutputNotStarted);
}

// Hands the open file to the worker with a start command and waits for its answer.
std::int16_t AURX300Ctrl::startWorker(int command, int failedState, std::int16_t failure) {
    engine_->prepare(file_.get(), generation_);
    worker_.waitHandled(worker_.post(command));
    if (worker_.state() == failedState) {
        worker_.setState(engine::kIdle);
        return fail(failure);
    }
    return kOk;
}

void AURX300Ctrl::Stop() {
    const auto s = shared_.status.load();
    if (s != 3 && s != 4) return;
    worker_.post(s == 3 ? engine::kCmdStopRecording : engine::kCmdStopPlayback);
    signal_.waitUntil([this] { return shared_.status.load() == 2; });
}

}  // namespace aurx
