// Deleting samples at the position and re-packing a file to its true length.
#include <cmath>
#include <vector>

#include "recorder/control/AURX300Ctrl.h"
#include "recorder/store/AudioFile.h"
#include "recorder/store/FileOpener.h"
#include "recorder/store/FileReplacement.h"

namespace aurx {

std::int16_t AURX300Ctrl::DeleteSamples(std::int32_t nSamples) {
    if (playOnly_) return fail(kPlayOnlyRefused);
    if (shared_.status.load() != 2 || !file_) return fail(kWrongState);
    if (nSamples <= 0) return kOk;
    // A failed move of the samples is reported rather than passed off as success.
    if (!file_->deleteFrames(nSamples)) return fail(kWriteFailed);
    return kOk;
}

std::int16_t AURX300Ctrl::DeleteTime(double time) {
    if (shared_.status.load() != 2 || !file_) return fail(kWrongState);
    const double frames = std::trunc(time * file_->sampleRate());
    if (!(frames > 0)) return DeleteSamples(0);
    return DeleteSamples(store::clampFrames(frames));
}

std::int16_t AURX300Ctrl::RePack() {
    if (playOnly_) return fail(kPlayOnlyRefused);
    if (shared_.status.load() != 2 || !file_) return fail(kWrongState);
    const auto physical = file_->handle().length();
    const std::uint64_t logical = file_->logicalEnd();
    if (!physical || logical >= *physical) {
        file_->handle().seek(file_->dataOffset() + file_->byteOfFrame(file_->position()));
        return kOk;
    }
    const std::int32_t position = file_->position();
    const std::int16_t temporary = temporaryFile_;
    const std::string name = file_->name();
    file_->close();
    file_.reset();
    shared_.status.store(1);

    // The shorter copy is built beside the file and renamed into place.
    const bool copied = store::replaceFile(name, [&](riff::File& out) {
        auto in = riff::File::open(name, riff::Mode::Read);
        return in && store::copyRange(*in, 0, out, 0, logical);
    });
    // Reopen with the temporary flag off so that a failed reopen cannot delete the file.
    temporaryFile_ = 0;
    if (const auto code = OpenExistingOrNewFile(name); code != kOk) return code;
    temporaryFile_ = temporary;
    put_CurrentSamplePosition(position);
    return copied ? std::int16_t{kOk} : fail(kLaunchFailed);
}

}  // namespace aurx
