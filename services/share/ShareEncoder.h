// Encoders for copies of calls that other people's phones and browsers play: Opus in Ogg
// (libopusenc) and MP3 (LAME). Both take mono 16-bit PCM at the call's own rate and hand the
// encoded file's bytes to a writer, in order.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace parlaro::share {

// Where the encoded file goes. False from either call stops the encoding (a full disk, say).
class ByteWriter {
  public:
    virtual ~ByteWriter() = default;
    // The next bytes of the file.
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // Replaces the file's first bytes, leaving its length: headers known only at the end.
    virtual bool rewriteStart(std::span<const std::uint8_t> bytes) = 0;
};

class ShareEncoder {
  public:
    virtual ~ShareEncoder() = default;
    // "" or why the encoder failed.
    virtual std::string write(std::span<const std::int16_t> mono) = 0;
    // Encodes what is still held and ends the file. "" or why not.
    virtual std::string finish() = 0;
};

// Speech settings: Opus at 24 kbit/s; MP3 at 32 kbit/s constant rate, at most 16 kHz (40
// kbit/s there, the least whose frames hold the gapless-playback info frame).
constexpr int kOpusBitsPerSecond = 24000;
constexpr int kMp3KilobitsPerSecond = 32;

// Nothing, with the reason in `error`, when the encoder refuses the rate. The writer must
// outlive the encoder.
std::unique_ptr<ShareEncoder> makeOpusShareEncoder(std::uint32_t rate, ByteWriter& writer,
                                                   std::string& error);
std::unique_ptr<ShareEncoder> makeMp3ShareEncoder(std::uint32_t rate, ByteWriter& writer,
                                                  std::string& error);

}  // namespace parlaro::share
