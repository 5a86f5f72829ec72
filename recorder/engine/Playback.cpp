#include "recorder/engine/Playback.h"

#include <cmath>
#include <cstring>

#include "platform/codecs/G711.h"

namespace aurx::engine {

using aurx::Status;
using aurx::StopCause;
using store::Encoding;

void Playback::start(store::AudioFile& file, std::uint64_t generation) {
    file_ = &file;
    generation_ = generation;
    cause_ = StopCause::Requested;
    ctx_.levels.reset();
    format_ = file.deviceFormat();
    if (file.encoding() == Encoding::ALaw || file.encoding() == Encoding::MuLaw)
        format_ = codecs::WaveFormat::pcm(format_.samplesPerSec, format_.channels, 16);
    if (const auto* c = file.compressed()) {
        decoder_ = ctx_.codecs.open(c->format, c->partner.toBlock());
        if (!decoder_) {
            ctx_.worker.setState(WorkerState::OutputFailed);
            return;
        }
        source_.assign(std::max<std::size_t>(c->decoderInputBytes, c->wave().blockAlign), 0);
        decoded_.assign(c->pcmBufferBytes, 0);
        leftover_ = 0;
        flags_ = codecs::kConvertStart | codecs::kConvertBlockAlign;
    }
    output_ = ctx_.devices.openOutput(ctx_.shared.playbackDevice.load(), format_, ctx_.worker);
    if (!output_) {
        release();
        ctx_.worker.setState(WorkerState::OutputFailed);
        return;
    }
    buffers_.allocate(format_);
    companded_.assign(buffers_.bytes() / 2, 0);
    output_->pause();  // nothing plays while the buffers are filled
    stopAccounting_ = StopAccounting::Playing;
    file.setReadPosition(file.position());
    readOffset_ = -1;
    outstanding_ = 0;
    for (int i = 0; i < BufferSet::kCount; ++i) {
        const std::int64_t r = fill(buffers_[i]);
        if (r < 0) {
            output_->reset();
            release();
            ctx_.worker.setState(WorkerState::OutputFailed);
            return;
        }
        if (r > 0 && output_->write(buffers_[i])) ++outstanding_;
    }
    if (outstanding_ == 0) {
        // At the end of the data: nothing to play.
        output_->reset();
        release();
        ctx_.worker.setState(WorkerState::OutputFailed);
        return;
    }
    ctx_.setStatus(Status::Playing);
    ctx_.worker.setState(WorkerState::Playing);
    if (ctx_.shared.paused.load() == 0) output_->restart();
}

std::int64_t Playback::fill(wave::Buffer& b) {
    if (file_->isCompressed()) return fillCompressed(b);
    const std::uint16_t align = file_->fileFormat().blockAlign;
    const auto offset = static_cast<std::uint64_t>(std::floor(file_->readPosition() * align + 0.5));
    const std::uint64_t size = file_->dataSize();
    if (offset >= size) return 0;
    const bool companded = file_->encoding() != Encoding::Pcm;
    const std::size_t room = companded ? b.capacity / 2 : b.capacity;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, room));
    std::uint8_t* into = companded ? companded_.data() : b.data;
    const std::int64_t got = file_->read(offset, {into, want});
    if (got < 1) return got;
    const auto n = static_cast<std::size_t>(got);
    if (companded) {
        const bool alaw = file_->encoding() == Encoding::ALaw;
        for (std::size_t i = 0; i < n; ++i) {
            const std::int16_t s =
                alaw ? codecs::g711::aLawToLinear(into[i]) : codecs::g711::muLawToLinear(into[i]);
            b.data[2 * i] = static_cast<std::uint8_t>(s & 0xFF);
            b.data[2 * i + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
        }
        b.length = 2 * n;
    } else {
        b.length = n;
    }
    const std::int64_t frames = static_cast<std::int64_t>(n / align);
    file_->setReadPosition(file_->readPosition() + static_cast<double>(frames));
    return frames;
}

std::int64_t Playback::fillCompressed(wave::Buffer& b) {
    const store::CompressedInfo* c = file_->compressed();
    const auto block = c->wave().blockAlign;
    const std::uint64_t size = file_->dataSize();
    if (readOffset_ < 0)
        readOffset_ = static_cast<std::int64_t>(
            std::floor(file_->readPosition() / c->samplesPerBlock + 0.5) * block);
    const std::size_t outLength = std::min(decoded_.size(), b.capacity);
    double frames = 0;
    // A damaged stretch decodes to nothing: read on past it until the decoder finds its feet
    // again, and take only the end of the data for the end.
    for (;;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
            source_.size() - leftover_, static_cast<std::uint64_t>(readOffset_) < size
                                            ? size - static_cast<std::uint64_t>(readOffset_)
                                            : 0));
        std::int64_t got = 0;
        if (want > 0) {
            got = file_->read(static_cast<std::uint64_t>(readOffset_),
                              {source_.data() + leftover_, want});
            if (got < 0) return got;
        }
        readOffset_ += got;
        const std::size_t length = leftover_ + static_cast<std::size_t>(got);
        unsigned flags = flags_;
        if (got == 0 && leftover_ == 0) flags |= codecs::kConvertEnd;
        const auto conv =
            decoder_->convert({source_.data(), length}, {decoded_.data(), outLength}, flags);
        flags_ = codecs::kConvertBlockAlign;
        if (!conv) return -1;
        leftover_ = length - conv->sourceUsed;
        std::memmove(source_.data(), source_.data() + conv->sourceUsed, leftover_);
        std::memcpy(b.data, decoded_.data(), conv->destUsed);
        b.length = conv->destUsed;
        const double read = std::floor(static_cast<double>(got) * c->samplesPerBlock / block + 0.5);
        frames += read;
        file_->setReadPosition(file_->readPosition() + read);
        // What the decoder still held after the last read plays too; the data ends after it.
        if (b.length > 0) return std::max<std::int64_t>(static_cast<std::int64_t>(frames), 1);
        if (got == 0 && conv->sourceUsed == 0) return 0;
    }
}

void Playback::onBuffer(wave::Buffer& b) {
    if (!output_) return;
    const auto frames = static_cast<std::int32_t>(b.length / format_.blockAlign);
    if (stopAccounting_ != StopAccounting::Counted) file_->advancePosition(frames);
    if (stopAccounting_ == StopAccounting::Asked) stopAccounting_ = StopAccounting::Counted;
    const auto outcome = ctx_.levels.measure(b.data, static_cast<std::size_t>(frames), format_);
    if (outcome.voxChanged) ctx_.notifier.notify(Notice::VoxChanged, generation_);
    ctx_.notifier.notify(Notice::NewLevels, generation_);
    if (ctx_.worker.state() == WorkerState::Playing) {
        const std::int64_t r = fill(b);
        if (r > 0 && output_->write(b)) return;
        ctx_.worker.setState(WorkerState::Stopping);
        if (r < 0) failWith(StopCause::ReadFailed);
    }
    if (--outstanding_ > 0) return;
    // At the end of the data the last buffers are still in the device: the playback has
    // ended only once they have been heard.
    if (cause_ == StopCause::Requested && stopAccounting_ == StopAccounting::Playing &&
        !output_->drain())
        failWith(StopCause::OutputLost);
    release();
    file_ = nullptr;
    ctx_.finished(Notice::PlaybackStopped, generation_, cause_);
}

void Playback::failWith(StopCause cause) {
    cause_ = cause;
    ctx_.shared.lastError.store(aurx::errorOf(cause));
}

void Playback::deviceFailed() {
    if (!output_) return;
    failWith(StopCause::OutputLost);
    stopAccounting_ = StopAccounting::Asked;
    ctx_.worker.setState(WorkerState::Stopping);
    output_->reset();
}

void Playback::stop() {
    if (!output_) return;
    stopAccounting_ = StopAccounting::Asked;
    ctx_.worker.setState(WorkerState::Stopping);
    output_->reset();
}

void Playback::pause(bool paused) {
    if (!output_) return;
    if (paused) {
        output_->pause();
    } else {
        // The queued buffers come back as played and are refilled from where reading had
        // got to; a reset device plays what is written after it.
        output_->reset();
    }
}

void Playback::release() {
    output_.reset();
    buffers_.release();
    decoder_.reset();
    source_.clear();
    decoded_.clear();
    leftover_ = 0;
}

}  // namespace aurx::engine
