// Wave-in streams straight from a PulseAudio server, for the default input when ALSA's default
// device leads to one (PulseRoute.h). The server hands over one of the recorder's 0.1 s buffers at
// a time; a server that dies is reported through the sink, and one that stops answering holds
// up no call (libpulse's own thread does all the talking, without blocking).
#pragma once

#include <chrono>
#include <memory>

#include "platform/codecs/WaveFormat.h"
#include "platform/wave/PulseRoute.h"
#include "platform/wave/Streams.h"

namespace aurx::wave {

// Nothing when the server cannot be reached, or refuses the stream, within two seconds.
std::unique_ptr<InputStream> openPulseInput(const PulseRoute& route,
                                            const codecs::WaveFormat& format, BufferSink& sink);

// This computer's calls: the route's source (the microphone, this side) and the default sink's
// monitor (what the speakers play, the other side), in step; in two channels this side is left
// and the other right, in one they are mixed. Echo of the other side in the microphone stays.
std::unique_ptr<InputStream> openComputerCallsInput(const PulseRoute& route,
                                                    const codecs::WaveFormat& format,
                                                    BufferSink& sink);
// Mono or stereo linear PCM.
bool computerCallsAccept(const codecs::WaveFormat& format);

// Whether the route's server answers within `bound` (never started on demand).
bool pulseServerAnswers(const PulseRoute& route, std::chrono::milliseconds bound);

// Linear PCM that PulseAudio records: 8- or 16-bit, any channel count and rate it carries.
bool pulseAccepts(const codecs::WaveFormat& format);

}  // namespace aurx::wave
