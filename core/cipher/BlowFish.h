// The string cipher that keeps the options password: standard Blowfish (16 rounds) in CBC mode
// with an all-zero initial vector over a buffer that starts with two random words and the
// plaintext's length:
//
//   offset 0  4 bytes  random, 0 to 2147483647
//          4  4 bytes  random, 0 to 2147483647
//          8  4 bytes  n, little-endian (the size descriptor)
//         12  n bytes  the plaintext
//     12 + n  0 to 7   zero bytes up to a multiple of 8
//
// Each 8-byte block is two big-endian 32-bit words. The random words make equal plaintexts
// give different ciphertexts.
#pragma once

#include "core/cipher/BlowFishTables.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <stdexcept>

namespace parlaro {

// A ciphertext that does not decipher to a valid buffer.
class BlowFishError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kSizeDescriptorError =
    "Incorrect size descriptor in Blowfish decryption";

class BlowFish {
  public:
    // The bytes that the layout adds to a plaintext at most (header and padding).
    static constexpr qsizetype kHeaderBytes = 12;

    BlowFish();

    // The standard key schedule over the key's bytes (1 to 56 of them, cycled). An empty key
    // changes nothing.
    void setKey(const QByteArray& key);

    // One 64-bit block as its two halves, in place.
    void encipher(uint32_t& left, uint32_t& right) const;
    void decipher(uint32_t& left, uint32_t& right) const;

    // Replace `bytes` with the enciphered buffer, or the buffer with the plaintext it holds.
    // A non-empty key keys the cipher first; an empty one keeps the last key. DecryptByte
    // throws BlowFishError (kSizeDescriptorError) for a buffer that holds no valid plaintext.
    void EncryptByte(QByteArray& bytes, const QByteArray& key);
    void DecryptByte(QByteArray& bytes, const QByteArray& key);

    // Ciphertext as text with one character per byte (U+0000 to U+00FF). The plaintext text is
    // taken as its UTF-8 bytes, the system's code page.
    QString EncryptString(const QString& text, const QByteArray& key);
    // "" for "". Throws BlowFishError as DecryptByte does, and for text that holds a
    // character beyond U+00FF (it cannot be a ciphertext).
    QString DecryptString(const QString& text, const QByteArray& key);

    // The buffer's length for a plaintext of n bytes.
    static qsizetype cipherLength(qsizetype n) { return (n + kHeaderBytes + 7) / 8 * 8; }

  private:
    uint32_t f(uint32_t x) const;

    std::array<uint32_t, blowfish::kSubkeys> p_;
    std::array<std::array<uint32_t, 256>, 4> s_;
};

// Ciphertext characters and bytes, one for one. Nothing for text with a character beyond
// U+00FF.
std::optional<QByteArray> cipherBytes(const QString& text);
QString cipherText(const QByteArray& bytes);

}  // namespace parlaro
