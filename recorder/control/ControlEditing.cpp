// Deleting samples at the position and re-packing a file to its true length.
#include <cmath>
#include <vector>

#include "recorder/control/Control.h"
#include "recorder/store/AudioFile.h"
#include "recorder/store/FileOpener.h"
#include "recorder/store/FileReplacement.h"

namespace aurx {

ErrorCode Control::deleteSamples(std::int32_t nSamples) {
    if (playOnly_) return ErrorCode::PlayOnlyRefused;
    if (status() != Status::FileOpen || !file_) return ErrorCode::WrongState;
    if (nSamples <= 0) return ErrorCode::Ok;
    // A failed move of the samples is reported rather than passed off as success.
    if (!file_->deleteFrames(nSamples)) return ErrorCode::WriteFailed;
    return ErrorCode::Ok;
}

ErrorCode Control::deleteTime(double time) {
    if (status() != Status::FileOpen || !file_) return ErrorCode::WrongState;
    const double frames = std::trunc(time * file_->sampleRate());
    if (!(frames > 0)) return deleteSamples(0);
    return deleteSamples(store::clampFrames(frames));
}

ErrorCode Control::rePack() {
    if (playOnly_) return ErrorCode::PlayOnlyRefused;
    if (status() != Status::FileOpen || !file_) return ErrorCode::WrongState;
    const auto physical = file_->handle().length();
    const std::uint64_t logical = file_->logicalEnd();
    if (!physical || logical >= *physical) {
        file_->handle().seek(file_->dataOffset() + file_->byteOfFrame(file_->position()));
        return ErrorCode::Ok;
    }
    const std::int32_t position = file_->position();
    const std::int16_t temporary = temporaryFile_;
    const std::string name = file_->name();
    file_->close();
    file_.reset();
    shared_.status.store(Status::Ready);

    // The shorter copy is built beside the file and renamed into place.
    const bool copied = store::replaceFile(name, [&](riff::File& out) {
        auto in = riff::File::open(name, riff::Mode::Read);
        return in && store::copyRange(*in, 0, out, 0, logical);
    });
    // Reopen with the temporary flag off so that a failed reopen cannot delete the file.
    temporaryFile_ = 0;
    if (const ErrorCode code = openExistingOrNew(name); code != ErrorCode::Ok) return code;
    temporaryFile_ = temporary;
    setSamplePosition(position);
    return copied ? ErrorCode::Ok : ErrorCode::LaunchFailed;
}

}  // namespace aurx
