// Wave-in and wave-out streams on PortAudio devices. Calls into PortAudio that a sound server
// can hold up run with a bound (see BoundedCalls): a stream that cannot be stopped or closed
// in time is let go, and closed once its server lets it.
#pragma once

#include <portaudio.h>

#include <memory>

#include "platform/codecs/WaveFormat.h"
#include "platform/wave/Streams.h"

namespace aurx::wave {

// How a stream is opened: PortAudio's callback takes one of the recorder's 0.1 s buffers at
// a time (ten wake-ups a second), and the device holds enough ahead that a busy machine or
// a sound server that is late now and then loses nothing.
struct PaStreamShape {
    unsigned long framesPerCallback = 0;
    double latency = 0;  // seconds

    static PaStreamShape of(const codecs::WaveFormat& format, Direction direction);
};

std::unique_ptr<InputStream> openPaInput(PaDeviceIndex device, const codecs::WaveFormat& format,
                                         BufferSink& sink);
// The output is started, playing silence until buffers are written.
std::unique_ptr<OutputStream> openPaOutput(PaDeviceIndex device, const codecs::WaveFormat& format,
                                           BufferSink& sink);

}  // namespace aurx::wave
