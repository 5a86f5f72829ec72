#include "tests/interop/WavBytes.h"

namespace interop {

std::string le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string le32(std::uint32_t v) {
    return le16(static_cast<std::uint16_t>(v & 0xFFFF)) + le16(static_cast<std::uint16_t>(v >> 16));
}

std::string chunkWithSize(const std::string& id, std::uint32_t size, const std::string& body) {
    return id + le32(size) + body;
}

std::string chunk(const std::string& id, const std::string& body) {
    std::string out = chunkWithSize(id, static_cast<std::uint32_t>(body.size()), body);
    if (body.size() % 2) out.push_back('\0');
    return out;
}

std::string riff(const std::string& body, const std::string& form) {
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size() + 4)) + form + body;
}

std::string fmtFields(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                      std::uint32_t avgBytes, std::uint16_t blockAlign, std::uint16_t bits) {
    return le16(tag) + le16(channels) + le32(rate) + le32(avgBytes) + le16(blockAlign) + le16(bits);
}

std::string pcmFmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return chunk("fmt ", fmtFields(1, channels, rate, rate * align, align, bits));
}

}  // namespace interop
