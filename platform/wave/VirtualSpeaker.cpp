#include "platform/wave/VirtualSpeaker.h"

namespace aurx::wave {
namespace {

constexpr std::uint64_t kHeaderBytes = 46;  // RIFF, WAVE, an 18-byte "fmt ", "data"

void patch(riff::File& f, std::uint64_t at, std::uint32_t value) {
    std::uint8_t b[4];
    codecs::writeLe32(b, 0, value);
    f.seek(at);
    f.writeExact(b, 4);
}

}  // namespace

std::optional<VirtualSpeaker> VirtualSpeaker::create(const std::string& path,
                                                     const codecs::WaveFormat& format) {
    if (path.empty()) return std::nullopt;
    auto f = riff::File::open(path, riff::Mode::Create);
    if (!f) return std::nullopt;
    riff::Chunk r{riff::fourcc("RIFF"), 0, riff::fourcc("WAVE")};
    riff::Chunk fmt{riff::fourcc("fmt "), 0};
    riff::Chunk data{riff::fourcc("data"), 0};
    const auto record = format.toBlock();
    if (!f->createChunk(r) || !f->createChunk(fmt) ||
        !f->writeExact(record.data(), record.size()) || !f->ascend(fmt) || !f->createChunk(data))
        return std::nullopt;
    patch(*f, 4, static_cast<std::uint32_t>(kHeaderBytes - 8));
    return VirtualSpeaker(std::move(*f));
}

void VirtualSpeaker::play(std::span<const std::uint8_t> bytes) {
    file_.seek(kHeaderBytes + dataBytes_);
    file_.writeExact(bytes.data(), bytes.size());
    dataBytes_ += static_cast<std::uint32_t>(bytes.size());
    patch(file_, 42, dataBytes_);
    patch(file_, 4, static_cast<std::uint32_t>(kHeaderBytes - 8 + dataBytes_));
}

}  // namespace aurx::wave
