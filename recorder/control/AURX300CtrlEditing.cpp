// Deleting samples at the position and re-packing a file to its true length.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "recorder/control/AURX300Ctrl.h"
#include "recorder/store/AudioFile.h"
#include "recorder/store/FileOpener.h"

namespace aurx {
namespace {

constexpr std::size_t kPiece = 65536;

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Copies the first `length` bytes of `source` into `target` and flushes them to disk.
bool copyPrefix(const std::string& source, const std::string& target, std::uint64_t length) {
    auto in = riff::File::open(source, riff::Mode::Read);
    auto out = riff::File::open(target, riff::Mode::Create);
    if (!in || !out) return false;
    std::vector<std::uint8_t> piece(kPiece);
    for (std::uint64_t done = 0; done < length;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - done));
        if (!in->readExact(piece.data(), want) || !out->writeExact(piece.data(), want))
            return false;
        done += want;
    }
    return out->flush();
}

}  // namespace

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

    // The copy lives beside the file so that the replacement is a rename on one file system.
    bool copied = false;
    const std::string copy = store::makeUniqueFile(directoryOf(name));
    if (!copy.empty()) {
        copied = copyPrefix(name, copy, logical) && std::rename(copy.c_str(), name.c_str()) == 0;
        if (!copied) ::unlink(copy.c_str());
    }
    // Reopen with the temporary flag off so that a failed reopen cannot delete the file.
    temporaryFile_ = 0;
    if (const auto code = OpenExistingOrNewFile(name); code != kOk) return code;
    temporaryFile_ = temporary;
    put_CurrentSamplePosition(position);
    return copied ? std::int16_t{kOk} : fail(kLaunchFailed);
}

}  // namespace aurx
