// Wave-in and wave-out devices as the recorder sees them: numbered inputs and outputs (−1 is
// the system's default device), their product names and whether a device would accept a
// format, asked without opening it. `systemDevices()` picks the backend from AURX_DEVICES:
// "system" (PortAudio: ALSA, PulseAudio, PipeWire) or "virtual" (the virtual line and speaker).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/codecs/WaveFormat.h"
#include "platform/wave/Streams.h"

namespace aurx::wave {

constexpr int kDefaultDevice = -1;
constexpr std::size_t kMaxNameLength = 31;  // product names are cut to this many bytes
// The input after the system's numbered ones where a PulseAudio server (or pipewire-pulse)
// carries the default devices: the microphone and what the speakers play, as one recording.
constexpr const char* kComputerCallsName = "This computer's calls";

class DeviceSet {
  public:
    virtual ~DeviceSet() = default;
    virtual int inputCount() const = 0;
    virtual int outputCount() const = 0;
    // Nothing when the number names no device.
    virtual std::optional<std::string> inputName(int device) const = 0;
    virtual std::optional<std::string> outputName(int device) const = 0;
    virtual bool inputAccepts(int device, const codecs::WaveFormat& format) const = 0;
    virtual bool outputAccepts(int device, const codecs::WaveFormat& format) const = 0;
    // Opens a device for linear PCM in `format`; nothing when it cannot be opened.
    virtual std::unique_ptr<InputStream> openInput(int device, const codecs::WaveFormat& format,
                                                   BufferSink& sink) = 0;
    virtual std::unique_ptr<OutputStream> openOutput(int device, const codecs::WaveFormat& format,
                                                     BufferSink& sink) = 0;
};

// The devices of this process, chosen once from the environment.
std::shared_ptr<DeviceSet> systemDevices();

std::shared_ptr<DeviceSet> makeVirtualDevices();
// Every device through PortAudio.
std::shared_ptr<DeviceSet> makePortAudioDevices();
// PortAudio's devices, started only when first needed, except the default input where ALSA's
// default device is PulseAudio's plugin: that one is recorded from PulseAudio directly, and
// format questions on the default devices are answered without PortAudio.
std::shared_ptr<DeviceSet> makeSoundServerDevices();

// 8- or 16-bit linear PCM with a consistent block alignment: what real devices are opened with.
bool acceptsLinearPcm(const codecs::WaveFormat& format);

// Cuts a name to kMaxNameLength bytes without splitting a UTF-8 sequence.
std::string productName(const std::string& name);

}  // namespace aurx::wave
