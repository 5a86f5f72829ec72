// Open sound streams in the manner of wave-in and wave-out devices: the owner hands over
// prepared buffers; each comes back, finished, through the sink on the device's own thread.
// Resetting a stream returns every buffer it still holds (an input buffer with what it has
// recorded so far) before reset() returns; a reset output stream is ready to play the
// buffers written after it, even if it was paused. A device that goes away (its sound server
// ended) says so once through the sink; no call on a stream blocks for long, whatever the
// device does.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace aurx::wave {

struct Buffer {
    std::uint8_t* data = nullptr;
    std::size_t capacity = 0;
    std::size_t length = 0;  // input: bytes recorded; output: bytes to play
    int index = 0;           // the owner's number for it
};

enum class Direction { Input = 0, Output = 1 };

class BufferSink {
  public:
    virtual ~BufferSink() = default;
    // A buffer is finished. Called on the device's thread (or inside add/write/reset); must
    // not block, allocate or lock. Returns a ticket for waitHandled().
    virtual std::uint64_t bufferDone(Direction direction, Buffer& buffer) noexcept = 0;
    // Waits until the owner has dealt with the buffer of that ticket (used by test clocks).
    virtual void waitHandled(std::uint64_t ticket) = 0;
    // The device has failed and will finish no more buffers; the owner resets the stream.
    // Same rules as bufferDone; comes after every buffer the device finished before it.
    virtual void deviceFailed(Direction direction) noexcept = 0;
};

class InputStream {
  public:
    virtual ~InputStream() = default;  // stops and closes; buffers still held are not returned
    virtual bool add(Buffer& buffer) = 0;
    virtual bool start() = 0;
    virtual void reset() = 0;
    // Whether the stream delivers on its own clock, so that a pause in its buffers means the
    // device has stalled (not so for a test's hand-stepped stream).
    virtual bool keepsTime() const { return true; }
    // A stop asked at `until`: waits, `bound` at most, until the stream has handed over what it
    // captured up to then (the period still on its way), and hands over nothing captured
    // after it. Streams that deliver when told have nothing to wait for.
    virtual void deliverUpTo(std::chrono::steady_clock::time_point until,
                             std::chrono::milliseconds bound) {
        (void)until;
        (void)bound;
    }
};

class OutputStream {
  public:
    virtual ~OutputStream() = default;
    virtual bool write(Buffer& buffer) = 0;
    virtual void pause() = 0;
    virtual void restart() = 0;
    virtual void reset() = 0;
    // Called once every buffer written has come back: returns when their sound has been
    // played out, or false when the device failed (or did not finish in time) before that.
    virtual bool drain() { return true; }
};

}  // namespace aurx::wave
