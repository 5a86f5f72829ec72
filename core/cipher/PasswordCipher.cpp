#include "core/cipher/PasswordCipher.h"

#include "core/cipher/BlowFish.h"

namespace parlaro {

QString EncipherPassword(const QByteArray& password) {
    QByteArray bytes = password;
    BlowFish().EncryptByte(bytes, kProgramKey);
    return cipherText(bytes);
}

QString EncipherPassword(const QString& password) {
    return EncipherPassword(password.toUtf8());
}

QByteArray DecipherPassword(const QString& storedPW) {
    if (storedPW.isEmpty()) return {};
    std::optional<QByteArray> bytes = cipherBytes(storedPW);
    if (!bytes) throw BlowFishError(kSizeDescriptorError);
    BlowFish().DecryptByte(*bytes, kProgramKey);
    return *bytes;
}

bool PasswordMatches(const QString& storedPW, const QByteArray& password) {
    try {
        return ConstantTimeEquals(DecipherPassword(storedPW), password);
    } catch (const BlowFishError&) {
        return false;
    }
}

bool PasswordMatches(const QString& storedPW, const QString& password) {
    return PasswordMatches(storedPW, password.toUtf8());
}

bool ConstantTimeEquals(const QByteArray& stored, const QByteArray& typed) {
    // No early exit: the loop runs over every typed byte whatever it finds, so its time does not
    // tell how much of a guess was right.
    uint32_t difference = static_cast<uint32_t>(stored.size() ^ typed.size());
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const auto expected = i < stored.size() ? static_cast<uint8_t>(stored[i]) : uint8_t{0};
        difference |= static_cast<uint8_t>(typed[i]) ^ expected;
    }
    volatile uint32_t result = difference;
    return result == 0;
}

}  // namespace parlaro
