#include "core/cipher/BlowFish.h"

#include <sys/random.h>

#include <cerrno>
#include <random>

namespace parlaro {

namespace {

uint32_t readBigEndian(const QByteArray& b, qsizetype at) {
    const auto byte = [&](qsizetype i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(b[i]));
    };
    return byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3);
}

void writeBigEndian(QByteArray& b, qsizetype at, uint32_t v) {
    b[at] = static_cast<char>(v >> 24);
    b[at + 1] = static_cast<char>(v >> 16);
    b[at + 2] = static_cast<char>(v >> 8);
    b[at + 3] = static_cast<char>(v);
}

void writeLittleEndian(QByteArray& b, qsizetype at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>(v >> (8 * i));
}

uint32_t readLittleEndian(const QByteArray& b, qsizetype at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

// A word in 0 to 2147483647 from the kernel's random source: ciphertexts of equal passwords
// must not be predictable from the time they were made.
uint32_t randomWord() {
    uint32_t word = 0;
    ssize_t got = -1;
    do {
        got = ::getrandom(&word, sizeof word, 0);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof word)) word = std::random_device{}();
    return word & 0x7fffffffU;
}

}  // namespace

BlowFish::BlowFish() : p_(blowfish::kInitialP), s_(blowfish::kInitialS) {}

uint32_t BlowFish::f(uint32_t x) const {
    const uint32_t a = s_[0][x >> 24], b = s_[1][(x >> 16) & 0xff];
    const uint32_t c = s_[2][(x >> 8) & 0xff], d = s_[3][x & 0xff];
    return ((a + b) ^ c) + d;
}

void BlowFish::encipher(uint32_t& left, uint32_t& right) const {
    uint32_t l = left, r = right;
    for (int i = 0; i < blowfish::kRounds; ++i) {
        l ^= p_[i];
        r ^= f(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= p_[blowfish::kRounds];
    l ^= p_[blowfish::kRounds + 1];
    left = l;
    right = r;
}

void BlowFish::decipher(uint32_t& left, uint32_t& right) const {
    uint32_t l = left, r = right;
    for (int i = blowfish::kRounds + 1; i > 1; --i) {
        l ^= p_[i];
        r ^= f(l);
        std::swap(l, r);
    }
    std::swap(l, r);
    r ^= p_[1];
    l ^= p_[0];
    left = l;
    right = r;
}

void BlowFish::setKey(const QByteArray& key) {
    if (key.isEmpty()) return;
    p_ = blowfish::kInitialP;
    s_ = blowfish::kInitialS;
    qsizetype k = 0;
    for (uint32_t& subkey : p_) {
        uint32_t word = 0;
        for (int i = 0; i < 4; ++i) {
            word = word << 8 | static_cast<uint8_t>(key[k]);
            k = (k + 1) % key.size();
        }
        subkey ^= word;
    }
    uint32_t l = 0, r = 0;
    for (std::size_t i = 0; i < p_.size(); i += 2) {
        encipher(l, r);
        p_[i] = l;
        p_[i + 1] = r;
    }
    for (auto& box : s_) {
        for (std::size_t i = 0; i < box.size(); i += 2) {
            encipher(l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

void BlowFish::EncryptByte(QByteArray& bytes, const QByteArray& key) {
    setKey(key);
    const qsizetype n = bytes.size();
    QByteArray buffer(cipherLength(n), '\0');
    writeBigEndian(buffer, 0, randomWord());
    writeBigEndian(buffer, 4, randomWord());
    writeLittleEndian(buffer, 8, static_cast<uint32_t>(n));
    std::copy(bytes.cbegin(), bytes.cend(), buffer.begin() + kHeaderBytes);

    uint32_t previousLeft = 0, previousRight = 0;
    for (qsizetype at = 0; at < buffer.size(); at += 8) {
        uint32_t left = readBigEndian(buffer, at) ^ previousLeft;
        uint32_t right = readBigEndian(buffer, at + 4) ^ previousRight;
        encipher(left, right);
        writeBigEndian(buffer, at, left);
        writeBigEndian(buffer, at + 4, right);
        previousLeft = left;
        previousRight = right;
    }
    bytes = std::move(buffer);
}

void BlowFish::DecryptByte(QByteArray& bytes, const QByteArray& key) {
    // A buffer the layout cannot have made (too short for its header, or cut inside a block)
    // fails as one with a wrong size would.
    if (bytes.size() < 16 || bytes.size() % 8 != 0) throw BlowFishError(kSizeDescriptorError);
    setKey(key);
    QByteArray buffer = bytes;
    uint32_t previousLeft = 0, previousRight = 0;
    for (qsizetype at = 0; at < buffer.size(); at += 8) {
        const uint32_t cipherLeft = readBigEndian(buffer, at);
        const uint32_t cipherRight = readBigEndian(buffer, at + 4);
        uint32_t left = cipherLeft, right = cipherRight;
        decipher(left, right);
        writeBigEndian(buffer, at, left ^ previousLeft);
        writeBigEndian(buffer, at + 4, right ^ previousRight);
        previousLeft = cipherLeft;
        previousRight = cipherRight;
    }
    const int64_t n = readLittleEndian(buffer, 8);
    const int64_t rest = static_cast<int64_t>(buffer.size()) - n;
    if (rest < kHeaderBytes || rest >= kHeaderBytes + 8) throw BlowFishError(kSizeDescriptorError);
    bytes = buffer.mid(kHeaderBytes, static_cast<qsizetype>(n));
}

QString BlowFish::EncryptString(const QString& text, const QByteArray& key) {
    QByteArray bytes = text.toUtf8();
    EncryptByte(bytes, key);
    return cipherText(bytes);
}

QString BlowFish::DecryptString(const QString& text, const QByteArray& key) {
    if (text.isEmpty()) return {};
    std::optional<QByteArray> bytes = cipherBytes(text);
    if (!bytes) throw BlowFishError(kSizeDescriptorError);
    DecryptByte(*bytes, key);
    return QString::fromUtf8(*bytes);
}

std::optional<QByteArray> cipherBytes(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() > 0xff) return std::nullopt;
        bytes.append(static_cast<char>(c.unicode()));
    }
    return bytes;
}

QString cipherText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

}  // namespace parlaro
