// Opens arbitrary bytes the ways the recorder opens files — as a WAV file, as a header-less
// data file (whole, and with a skipped header of N bytes, N taken from the first byte), as
// GSM 6.10 data and as a raw MPEG Layer III stream — through the control, and through the
// store to read and decode a little of the data. Whatever the bytes, nothing may crash, hang
// or break the store's own promises (positions within the length, data within the file).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "aurx/AURX300Ctrl.h"
#include "aurx/HexText.h"
#include "platform/wave/DeviceSet.h"
#include "recorder/control/ControlEnvironment.h"
#include "tests/interop/StoreHost.h"

namespace {

constexpr const char* kGsmFormat = "31000100401f0000590600004100000002004001";

struct Mode {
    std::int16_t dataOnly;
    std::int16_t bitsPerSample;
};

const std::string& inputPath() {
    static const std::string path = [] {
        // Closing a file flushes it to stable storage: in memory that costs nothing, on a
        // disk it would slow the fuzzer tenfold.
        const char* dir = std::getenv("TMPDIR");
        std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                             : dir && *dir                   ? dir
                                                             : "/tmp";
        return folder + "/open-audio-fuzzer-" + std::to_string(::getpid()) + ".bin";
    }();
    return path;
}

void removeInput() {
    ::unlink(inputPath().c_str());
}

void writeInput(const std::uint8_t* data, std::size_t size) {
    std::ofstream out(inputPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::uint64_t inputLength() {
    std::ifstream in(inputPath(), std::ios::binary | std::ios::ate);
    return static_cast<std::uint64_t>(in.tellg());
}

aurx::AURX300Ctrl& control() {
    static const std::unique_ptr<aurx::AURX300Ctrl> c = [] {
        auto environment = aurx::ControlEnvironment::standard();
        environment.devices = aurx::wave::makeVirtualDevices();
        auto made = std::make_unique<aurx::AURX300Ctrl>(environment);
        made->Reset();
        made->put_AcmFormat(aurx::Variant(kGsmFormat));
        return made;
    }();
    return *c;
}

void check(bool promise) {
    if (!promise) __builtin_trap();
}

void throughControl(const Mode& mode, bool playOnly) {
    auto& c = control();
    c.Reset();
    c.put_PlayOnly(0);
    c.put_DataOnly(mode.dataOnly);
    c.put_SampleRate(8000);
    c.put_NumChannels(1);
    c.put_BitsPerSample(mode.bitsPerSample);
    c.put_PlayOnly(playOnly ? 1 : 0);
    if (c.OpenExistingOrNewFile(inputPath()) == 0) {
        const std::int32_t length = c.get_NumSamples();
        check(length >= 0 && c.get_CurrentSamplePosition() <= length);
        (void)c.get_TotalTime();
        c.put_CurrentSamplePosition(length / 2);
        check(c.get_CurrentSamplePosition() >= 0 && c.get_CurrentSamplePosition() <= length);
        c.put_CurrentTimePosition(0.5);
        (void)c.get_CurrentTimePosition();
        c.put_CurrentSamplePosition(-1);
        check(c.get_CurrentSamplePosition() <= length);
        std::string description;
        std::int16_t code = 0;
        c.GetCurrentFormatAsString(&description, &code);
    }
    c.Reset();
    c.get_LastError();
}

void throughStore(const Mode& mode) {
    interop::StoreHost host(true);
    if (mode.bitsPerSample == 100) host.setFormat(*aurx::formats::fromHex(kGsmFormat));
    auto opened = aurx::store::openFile(
        interop::request(inputPath(), mode.dataOnly, mode.bitsPerSample, 8000, 1, true), host);
    if (opened.code != aurx::ErrorCode::Ok) return;
    aurx::store::AudioFile& file = *opened.file;
    check(file.dataOffset() + file.dataSize() <= inputLength());
    check(file.numSamples() >= 0);
    file.setPosition(file.numSamples() / 3);
    check(file.position() >= 0 && file.position() <= file.numSamples());

    std::vector<std::uint8_t> head(4096);
    const auto got = file.read(0, head);
    check(got >= -1 && got <= static_cast<std::int64_t>(head.size()));
    std::vector<std::uint8_t> tail(64);
    const auto end = file.byteOfFrame(file.numSamples());
    check(file.read(end > 32 ? end - 32 : 0, tail) <= 64);

    if (const auto* c = file.compressed(); c && got > 0) {
        // A little of the data through the codec, as playback would start.
        const auto stream =
            aurx::codecs::Manager::standard()->open(c->format, c->partner.toBlock());
        if (stream) {
            head.resize(static_cast<std::size_t>(got));
            std::vector<std::uint8_t> pcm(stream->destinationSize(head.size()));
            const auto done =
                stream->convert(head, pcm, aurx::codecs::kConvertStart | aurx::codecs::kConvertEnd);
            check(!done || (done->sourceUsed <= head.size() && done->destUsed <= pcm.size()));
        }
    }
    file.close();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::atexit(removeInput);
    control();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<Mode> modes = {{0, 16}, {1, 16}, {1, 100}, {2, 16}};
    if (size > 0 && data[0] != 0) modes.push_back({static_cast<std::int16_t>(-data[0]), 8});
    for (const Mode& mode : modes) {
        // Closing a file may bring its header up to date, so each way starts from the input.
        writeInput(data, size);
        throughControl(mode, size % 2 == 1);
        writeInput(data, size);
        throughStore(mode);
    }
    return 0;
}
