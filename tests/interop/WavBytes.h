// Hand-made RIFF bytes for the files no well-behaved program writes.
#pragma once

#include <cstdint>
#include <string>

namespace interop {

std::string le16(std::uint16_t v);
std::string le32(std::uint32_t v);

// A chunk: id, size (the body's unless given), body, and a pad byte after an odd body.
std::string chunk(const std::string& id, const std::string& body);
std::string chunkWithSize(const std::string& id, std::uint32_t size, const std::string& body);

// "RIFF", the size of what follows, the form type and `body`.
std::string riff(const std::string& body, const std::string& form = "WAVE");

// The 16 bytes of a "fmt " chunk's fixed fields.
std::string fmtFields(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                      std::uint32_t avgBytes, std::uint16_t blockAlign, std::uint16_t bits);
// A PCM "fmt " chunk with consistent fields.
std::string pcmFmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);

}  // namespace interop
