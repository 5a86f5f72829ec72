// The options password as the settings store keeps it (`PW`): enciphered with BlowFish under
// the program's key, one character per ciphertext byte, "" for no password. The plaintext is
// the password's UTF-8 bytes; parlaro-reg takes the bytes of a line as they come.
#pragma once

#include <QByteArray>
#include <QString>

namespace parlaro {

// The program's key; its bytes are the Blowfish key.
inline constexpr const char* kProgramKey = "Qk3vTz8p";

// The longest password (in UTF-8 bytes) whose ciphertext earlier versions of the program, which
// read at most 255 characters of a setting, still read whole: 236 bytes make 248, the last
// multiple of 8 within 255. A password set now opens the options there too.
inline constexpr qsizetype kMaxPasswordBytes = 236;

// The `PW` text for a password. Two calls for one password give different texts.
QString EncipherPassword(const QByteArray& password);
QString EncipherPassword(const QString& password);

// The password `storedPW` holds; "" for "". Throws BlowFishError when it does not decipher.
QByteArray DecipherPassword(const QString& storedPW);

// Whether `password` is the one `storedPW` holds. A `PW` that does not decipher matches
// nothing; "" (no password) deciphers to "", as a stored value that was never set would.
// The bytes are compared in a time that depends only on the typed password's length.
bool PasswordMatches(const QString& storedPW, const QByteArray& password);
bool PasswordMatches(const QString& storedPW, const QString& password);

// Equal contents, compared without stopping at the first difference.
bool ConstantTimeEquals(const QByteArray& stored, const QByteArray& typed);

}  // namespace parlaro
