#include "recorder/engine/Capture.h"

#include <chrono>
#include <cstring>
#include <utility>

#include "platform/codecs/G711.h"
#include "recorder/engine/Tone.h"

namespace aurx::engine {

using aurx::Status;
using aurx::StopCause;
using store::Encoding;

namespace {

// A device hands over a period of 0.1 s at a time; a stop waits for the one on its way this
// long at most (a server that stopped answering holds up no stop for longer).
constexpr std::chrono::milliseconds kStopWaitsForTheDevice{250};

}  // namespace

void Capture::start(store::AudioFile& file, std::uint64_t generation) {
    file_ = &file;
    generation_ = generation;
    ctx_.levels.reset();
    cause_ = StopCause::Requested;
    failed_ = false;
    file.setWriteOffset(-1);
    format_ = file.deviceFormat();
    const Encoding encoding = file.encoding();
    if (encoding == Encoding::ALaw || encoding == Encoding::MuLaw)
        format_ = codecs::WaveFormat::pcm(format_.samplesPerSec, format_.channels, 16);
    if (!prepareFile()) {
        ctx_.worker.setState(WorkerState::InputFailed);
        return;
    }
    // An insert recording collects its audio apart and puts it into the data at the end.
    if (ctx_.shared.insert.load() != 0 && !file.beginInsert()) {
        release();
        ctx_.worker.setState(WorkerState::InputFailed);
        return;
    }
    input_ = ctx_.devices.openInput(ctx_.shared.recordDevice.load(), format_, ctx_.worker);
    if (!input_) {
        file.finishInsert();  // nothing was inserted: this only removes the insert file
        release();
        ctx_.worker.setState(WorkerState::InputFailed);
        return;
    }
    buffers_.allocate(format_);
    companded_.assign(buffers_.bytes() / 2, 0);
    // Only a recording that begins a file of its own may open with audio from before it.
    const bool freshFile = file.created() && file.numSamples() == 0 && !file.inserting();
    preRoll_.begin(ctx_.shared.preRollTime.load(), format_, freshFile, PreRoll::Clock::now());
    for (int i = 0; i < BufferSet::kCount; ++i) {
        buffers_[i].length = 0;
        input_->add(buffers_[i]);
    }
    outstanding_ = BufferSet::kCount;
    tonePending_ = true;
    // The status changes before the first buffer can be handled, so that a recording that
    // ends at once still ends in status 2.
    ctx_.setStatus(Status::Recording);
    ctx_.worker.setState(WorkerState::Recording);
    stall_.start();
    if (!input_->start()) {
        input_->reset();
        ctx_.worker.setState(WorkerState::Stopping);
        cause_ = StopCause::Requested;
    }
}

bool Capture::prepareFile() {
    if (file_->encoding() != Encoding::Compressed) return true;
    if (!openEncoder()) return false;
    if (file_->compressed()->wave().tag == codecs::kTagMpegLayer3) alignMpegWritePoint();
    return true;
}

bool Capture::openEncoder() {
    const store::CompressedInfo* c = file_->compressed();
    encoder_ = ctx_.codecs.open(c->partner.toBlock(), c->format);
    if (!encoder_) return false;
    source_.assign(c->pcmBufferBytes, 0);
    // Room for two conversions: a captured buffer after the leftover of the previous one.
    encoded_.assign(2 * std::max<std::size_t>(c->encoderOutputBytes, c->wave().blockAlign), 0);
    leftover_ = 0;
    flags_ = codecs::kConvertStart | codecs::kConvertBlockAlign;
    return true;
}

void Capture::alignMpegWritePoint() {
    // Appending to a stream must start at a frame header, not in the middle of a frame.
    const store::CompressedInfo* c = file_->compressed();
    const std::uint64_t start = file_->byteOfFrame(file_->position());
    const std::uint64_t size = file_->dataSize();
    const std::uint64_t window = 2ull * codecs::readLe16(c->format, 22);
    std::uint64_t chosen = start;
    std::uint8_t byte = 0;
    for (std::uint64_t k = 0; k < window; ++k) {
        if (start + k >= size) {
            chosen = size;
            break;
        }
        if (file_->read(start + k, {&byte, 1}) != 1) break;
        if (byte == 0xFF) {
            chosen = start + k;
            break;
        }
    }
    file_->moveWritePoint(chosen);
}

void Capture::stop() {
    if (!input_) return;
    if (input_->keepsTime()) {
        const auto now = StallWatch::Clock::now();
        // The period still on its way belongs to the recording, up to the stop's instant.
        input_->deliverUpTo(now, kStopWaitsForTheDevice);
        // A stall whose missing time was not reckoned yet: the file still keeps the line's
        // time.
        fillGap(stall_.missingAtStop(now, format_.samplesPerSec));
    }
    input_->reset();
    ctx_.worker.setState(WorkerState::Stopping);
}

bool Capture::switchTo(store::AudioFile& next, std::uint64_t generation,
                       std::int64_t leadInFrames) {
    const bool ended = endFile();
    file_ = &next;
    generation_ = generation;
    failed_ = false;
    cause_ = StopCause::Requested;
    tonePending_ = true;
    next.setWriteOffset(-1);
    preRoll_.takeCarried();
    ctx_.shared.paused.store(0);
    if (!prepareFile()) {
        writeFailed();
        return ended;
    }
    const std::size_t frames =
        std::min<std::size_t>(static_cast<std::size_t>(std::max<std::int64_t>(leadInFrames, 0)),
                              preRoll_.ring().frames());
    if (frames > 0 && ctx_.shared.voxPaused.load() == 0) {
        // As at the first written buffer: the pre-tone marks where the file's audio begins.
        tonePending_ = false;
        if (!writeTone(false) || !writePreRoll(frames)) {
            writeFailed();
        } else {
            const std::int32_t limit = ctx_.shared.recordLimit.load();
            if (limit > 0 && file_->limitCounter() >= limit) stopWith(StopCause::LimitReached);
        }
    }
    preRoll_.clear();
    return ended;
}

void Capture::stopWith(StopCause cause) {
    cause_ = cause;
    ctx_.shared.lastError.store(aurx::errorOf(cause));
    ctx_.worker.setState(WorkerState::Stopping);
    input_->reset();
}

void Capture::deviceFailed() {
    if (input_ && ctx_.worker.state() == WorkerState::Recording) stopWith(StopCause::InputLost);
}

void Capture::lookForStall() {
    if (!input_ || !input_->keepsTime() || ctx_.worker.state() != WorkerState::Recording) return;
    if (!stall_.checkStalled(StallWatch::Clock::now())) return;
    // The meter falls silent: it must not go on showing the last sound of a line that is gone.
    ctx_.levels.end();
    ctx_.notifier.notify(Notice::NewLevels, generation_);
    ctx_.notifier.notifyGap(Notice::InputStalled, generation_, file_->numSamples(), 0);
}

void Capture::fillGap(std::int64_t frames) {
    const std::vector<std::uint8_t> silence(buffers_.bytes(),
                                            format_.bitsPerSample == 8 ? 0x80 : 0);
    const auto most = static_cast<std::int64_t>(silence.size() / format_.blockAlign);
    const bool listening = ctx_.shared.paused.load() != 0 || ctx_.shared.voxPaused.load() != 0;
    for (std::int64_t left = frames; left > 0;) {
        const std::int64_t n = std::min(left, most);
        const auto bytes = static_cast<std::size_t>(n) * format_.blockAlign;
        left -= n;
        if (listening) {
            preRoll_.keep(silence.data(), bytes);
        } else if (!failed_ && !tonePending_ &&
                   !writeAudio(silence.data(), bytes, static_cast<std::int32_t>(n))) {
            writeFailed();
            return;
        }
    }
}

void Capture::writeFailed() {
    // Nothing more is written after a failure: what is in the file stays playable.
    failed_ = true;
    if (ctx_.worker.state() == WorkerState::Recording) {
        stopWith(StopCause::WriteFailed);
    } else {
        // A recording that was already ending (on request or at its limit) has lost audio
        // now, and the host must hear that rather than why it ended.
        cause_ = StopCause::WriteFailed;
        ctx_.shared.lastError.store(aurx::errorOf(StopCause::WriteFailed));
    }
}

void Capture::onBuffer(wave::Buffer& b) {
    if (!input_) return;
    if (b.length > 0) {
        const auto frames = static_cast<std::int32_t>(b.length / format_.blockAlign);
        const StallWatch::Arrival arrival =
            input_->keepsTime()
                ? stall_.arrived(StallWatch::Clock::now(), frames, format_.samplesPerSec)
                : StallWatch::Arrival{};
        if (ctx_.worker.state() == WorkerState::Recording) {
            if (arrival.resumedAfter > 0)
                ctx_.notifier.notifyGap(Notice::InputResumed, generation_, file_->numSamples(),
                                        arrival.resumedAfter);
            if (arrival.missing > 0) fillGap(arrival.missing);
        }
        const auto outcome = ctx_.levels.measure(b.data, static_cast<std::size_t>(frames), format_);
        if (outcome.voxChanged) ctx_.notifier.notify(Notice::VoxChanged, generation_);
        ctx_.notifier.notify(Notice::NewLevels, generation_);
        const std::int32_t limit = ctx_.shared.recordLimit.load();
        const auto limitReached = [&] { return limit > 0 && file_->limitCounter() >= limit; };
        const bool carried = preRoll_.takeCarried();
        if (ctx_.shared.paused.load() != 0 || ctx_.shared.voxPaused.load() != 0) {
            preRoll_.keep(b.data, b.length);
            if (!tonePending_) {
                if (!failed_ && !writeTone(true)) writeFailed();
                tonePending_ = true;
            }
        } else if (limitReached()) {
            if (ctx_.worker.state() == WorkerState::Recording) stopWith(StopCause::LimitReached);
        } else if (!failed_) {
            bool ok = true;
            if (tonePending_) {
                ok = writeTone(false);
                tonePending_ = false;
            }
            // The pre-tone marks where the file's audio begins, so the carried audio follows it
            // and runs straight on into this buffer, as it ran on the line.
            if (carried) ok = ok && writePreRoll(preRoll_.ring().frames());
            preRoll_.clear();
            if (ok && carried && limitReached()) {
                // The carried audio counts against the limit like any captured buffer.
                if (ctx_.worker.state() == WorkerState::Recording)
                    stopWith(StopCause::LimitReached);
            } else {
                ok = ok && writeAudio(b.data, b.length, frames);
            }
            if (!ok) writeFailed();
        }
    }
    if (ctx_.worker.state() == WorkerState::Recording) {
        b.length = 0;
        input_->add(b);
        return;
    }
    if (--outstanding_ > 0) return;
    finish();
}

bool Capture::writeAudio(const std::uint8_t* data, std::size_t bytes, std::int32_t frames) {
    switch (file_->encoding()) {
        case Encoding::Pcm:
            return file_->write({data, bytes}, frames, true);
        case Encoding::ALaw:
        case Encoding::MuLaw: {
            const bool alaw = file_->encoding() == Encoding::ALaw;
            const std::size_t samples = std::min(bytes / 2, companded_.size());
            for (std::size_t i = 0; i < samples; ++i) {
                const auto s = static_cast<std::int16_t>(data[2 * i] | data[2 * i + 1] << 8);
                companded_[i] =
                    alaw ? codecs::g711::linearToALaw(s) : codecs::g711::linearToMuLaw(s);
            }
            return file_->write({companded_.data(), samples}, frames, true);
        }
        case Encoding::Compressed:
            return encode(data, bytes, 0, true);
    }
    return false;
}

// In pieces no larger than a buffer (all the G.711 output holds).
bool Capture::writePreRoll(std::size_t wanted) {
    const std::size_t most = buffers_.bytes();
    const FrameRing& ring = preRoll_.ring();
    std::size_t skip = (ring.frames() - std::min(wanted, ring.frames())) * format_.blockAlign;
    for (auto piece : ring.pieces()) {
        const std::size_t dropped = std::min(skip, piece.size());
        piece = piece.subspan(dropped);
        skip -= dropped;
        for (std::size_t at = 0; at < piece.size(); at += most) {
            const std::size_t bytes = std::min(most, piece.size() - at);
            const auto frames = static_cast<std::int32_t>(bytes / format_.blockAlign);
            if (!writeAudio(piece.data() + at, bytes, frames)) return false;
        }
    }
    return true;
}

// Feeds `bytes` of linear audio through the encoder after its leftover source bytes and
// writes what it produces; `extraFlags` go with the conversion that takes the last piece.
bool Capture::encode(const std::uint8_t* data, std::size_t bytes, unsigned extraFlags,
                     bool countsAsAudio) {
    // The output of all conversions of one call goes to the file in one write.
    const std::size_t room = encoded_.size() / 2;
    std::size_t staged = 0;
    std::size_t done = 0;
    while (done < bytes) {
        const std::size_t take = std::min(bytes - done, source_.size() - leftover_);
        std::memcpy(source_.data() + leftover_, data + done, take);
        done += take;
        const std::size_t length = leftover_ + take;
        const unsigned flags = flags_ | (done == bytes ? extraFlags : 0);
        if (staged > room && !writeEncoded(std::exchange(staged, 0), countsAsAudio)) return false;
        const auto c = encoder_->convert(
            {source_.data(), length}, {encoded_.data() + staged, encoded_.size() - staged}, flags);
        flags_ = codecs::kConvertBlockAlign;
        if (!c) return false;
        // A full source buffer that the codec neither takes nor answers would never drain.
        if (c->sourceUsed == 0 && c->destUsed == 0 && length == source_.size()) return false;
        leftover_ = length - c->sourceUsed;
        std::memmove(source_.data(), source_.data() + c->sourceUsed, leftover_);
        staged += c->destUsed;
    }
    return staged == 0 || writeEncoded(staged, countsAsAudio);
}

bool Capture::writeEncoded(std::size_t bytes, bool countsAsAudio) {
    return file_->write({encoded_.data(), bytes}, file_->framesOfBytes(bytes), countsAsAudio);
}

bool Capture::writeTone(bool post) {
    const float seconds =
        post ? ctx_.shared.postToneDuration.load() : ctx_.shared.preToneDuration.load();
    const std::int64_t frames = toneFrames(seconds, format_.samplesPerSec);
    const Encoding encoding = file_->encoding();
    const ToneCoding coding = encoding == Encoding::ALaw    ? ToneCoding::ALaw
                              : encoding == Encoding::MuLaw ? ToneCoding::MuLaw
                                                            : ToneCoding::Linear;
    // A tenth of a second at a time, so that a long tone costs no more memory than a buffer.
    const std::int64_t piece = std::max<std::int64_t>(format_.samplesPerSec / 10, 1);
    for (std::int64_t done = 0; done < frames;) {
        const std::int64_t n = std::min(piece, frames - done);
        const auto tone = markerTone(n, format_, coding, done);
        done += n;
        const bool ok =
            encoding == Encoding::Compressed
                ? encode(tone.data(), tone.size(),
                         post && done == frames ? unsigned{codecs::kConvertEnd} : 0u, false)
                : file_->write(tone, static_cast<std::int32_t>(n), false);
        if (!ok) return false;
    }
    return true;
}

void Capture::finish() {
    input_.reset();
    buffers_.release();
    if (!endFile()) writeFailed();
    release();
    if (file_->inserting() && !file_->finishInsert()) writeFailed();
    preRoll_.end(cause_ == StopCause::Requested && !failed_, PreRoll::Clock::now());
    file_ = nullptr;
    ctx_.finished(Notice::RecordingStopped, generation_, cause_);
}

bool Capture::endFile() {
    bool ok = !failed_;
    if (ok && file_->isCompressed() && encoder_) ok = flushEncoder();
    if (ok && !tonePending_) ok = writeTone(true);
    // What is still gathered goes to the file here, where a failure can still be reported.
    if (ok) ok = file_->flushWrites();
    encoder_.reset();
    source_.clear();
    encoded_.clear();
    leftover_ = 0;
    // A failure reported before is not reported again.
    return ok || failed_;
}

bool Capture::flushEncoder() {
    // What the encoder still holds: whole blocks first, then the rest, flushed unless a
    // post-tone is still to be appended to it.
    bool ok = true;
    while (ok && leftover_ > 0) {
        const auto c =
            encoder_->convert({source_.data(), leftover_}, encoded_, codecs::kConvertBlockAlign);
        ok = c.has_value();  // a codec that fails here loses the recording's end
        if (!c || c->destUsed == 0) break;
        leftover_ -= c->sourceUsed;
        std::memmove(source_.data(), source_.data() + c->sourceUsed, leftover_);
        ok = writeEncoded(c->destUsed, true);
    }
    const bool toneFollows = !tonePending_ && ctx_.shared.postToneDuration.load() > 0;
    const unsigned flags =
        codecs::kConvertBlockAlign | (toneFollows ? 0u : unsigned{codecs::kConvertEnd});
    for (int guard = 0; ok && guard < 64; ++guard) {
        const auto c = encoder_->convert({source_.data(), leftover_}, encoded_, flags);
        ok = c.has_value();
        if (!c || (c->destUsed == 0 && c->sourceUsed == 0)) break;
        leftover_ -= c->sourceUsed;
        std::memmove(source_.data(), source_.data() + c->sourceUsed, leftover_);
        if (c->destUsed > 0) ok = writeEncoded(c->destUsed, true);
    }
    return ok;
}

void Capture::release() {
    input_.reset();
    encoder_.reset();
    source_.clear();
    encoded_.clear();
    leftover_ = 0;
}

}  // namespace aurx::engine
