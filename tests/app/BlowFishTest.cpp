#include <gtest/gtest.h>

#include "core/cipher/BlowFish.h"
#include "core/cipher/PasswordCipher.h"

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <optional>
#include <random>

using namespace parlaro;

namespace {

uint64_t hex64(const char* text) {
    return std::stoull(text, nullptr, 16);
}

uint64_t encipherBlock(const BlowFish& cipher, uint64_t block) {
    auto left = static_cast<uint32_t>(block >> 32), right = static_cast<uint32_t>(block);
    cipher.encipher(left, right);
    return uint64_t{left} << 32 | right;
}

uint64_t decipherBlock(const BlowFish& cipher, uint64_t block) {
    auto left = static_cast<uint32_t>(block >> 32), right = static_cast<uint32_t>(block);
    cipher.decipher(left, right);
    return uint64_t{left} << 32 | right;
}

QByteArray randomBytes(std::mt19937& random, qsizetype n) {
    QByteArray bytes(n, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random() & 0xff);
    return bytes;
}

// A buffer enciphered in CBC mode with a zero initial vector by our block cipher, whatever its
// contents: for buffers the layout would never make.
QByteArray cbcEncipher(QByteArray buffer, const QByteArray& key) {
    BlowFish cipher;
    cipher.setKey(key);
    uint64_t previous = 0;
    for (qsizetype at = 0; at < buffer.size(); at += 8) {
        uint64_t block = 0;
        for (int i = 0; i < 8; ++i)
            block = block << 8 | static_cast<uint8_t>(buffer[at + i]);
        previous = encipherBlock(cipher, block ^ previous);
        for (int i = 0; i < 8; ++i)
            buffer[at + i] = static_cast<char>(previous >> (56 - 8 * i));
    }
    return buffer;
}

QByteArray layout(uint32_t n, const QByteArray& body, qsizetype length) {
    QByteArray buffer(length, '\0');
    for (int i = 0; i < 4; ++i)
        buffer[8 + i] = static_cast<char>(n >> (8 * i));
    std::copy_n(body.cbegin(), std::min(body.size(), length - 12), buffer.begin() + 12);
    return buffer;
}

}  // namespace

// Eric Young's published test set: the block cipher with 8-byte keys, then the key schedule
// with keys of 1 to 24 bytes.
TEST(BlowFish, MatchesThePublishedTestVectors) {
    const struct {
        const char *key, *plain, *cipher;
    } ecb[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
        {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
        {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
        {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
        {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
        {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
        {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
        {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
        {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
        {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
        {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
        {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
        {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
        {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
        {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
        {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
        {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
        {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
        {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
        {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
        {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
        {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
        {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
        {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
        {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
        {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
    };
    for (const auto& v : ecb) {
        BlowFish cipher;
        cipher.setKey(QByteArray::fromHex(v.key));
        EXPECT_EQ(encipherBlock(cipher, hex64(v.plain)), hex64(v.cipher)) << v.key;
        EXPECT_EQ(decipherBlock(cipher, hex64(v.cipher)), hex64(v.plain)) << v.key;
    }

    const QByteArray longKey =
        QByteArray::fromHex("F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677");
    const char* byKeyLength[] = {
        "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
        "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
        "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
        "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
        "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
        "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
    };
    for (int length = 1; length <= 24; ++length) {
        BlowFish cipher;
        cipher.setKey(longKey.left(length));
        EXPECT_EQ(encipherBlock(cipher, hex64("FEDCBA9876543210")), hex64(byKeyLength[length - 1]))
            << length << "-byte key";
    }
}

TEST(BlowFish, CiphertextsHaveTheLayoutsLengthAndComeBack) {
    const struct {
        QString text;
        qsizetype bytes;
    } cases[] = {
        {"", 16},          {"abcd", 16}, {"abcde", 24}, {"twelve chars", 24}, {"thirteen char", 32},
        {"pässwörd€", 32},  // 13 bytes in UTF-8
    };
    for (const auto& c : cases) {
        const QString first = BlowFish().EncryptString(c.text, kProgramKey);
        const QString second = BlowFish().EncryptString(c.text, kProgramKey);
        EXPECT_EQ(first.size(), c.bytes) << c.text.toStdString();
        EXPECT_NE(first, second) << "the random words make each ciphertext new";
        EXPECT_EQ(BlowFish().DecryptString(first, kProgramKey), c.text);
        EXPECT_EQ(BlowFish().DecryptString(second, kProgramKey), c.text);
        for (const QChar ch : first)
            EXPECT_LE(ch.unicode(), 0xff);
    }
    EXPECT_EQ(BlowFish().DecryptString("", kProgramKey), "");

    QByteArray everyByte(256, '\0');
    for (int b = 0; b < 256; ++b)
        everyByte[b] = static_cast<char>(b);
    QByteArray bytes = everyByte;
    BlowFish cipher;
    cipher.EncryptByte(bytes, kProgramKey);
    EXPECT_EQ(bytes.size(), 272);
    cipher.DecryptByte(bytes, {});  // an empty key keeps the last one
    EXPECT_EQ(bytes, everyByte);
}

TEST(BlowFish, BuffersWithoutAValidSizeDescriptorFail) {
    const QByteArray key = kProgramKey;
    const QByteArray body = "secret";
    const QByteArray cases[] = {
        cbcEncipher(layout(5, body, 16), key),            // 11 bytes left for the header
        cbcEncipher(layout(4, body, 24), key),            // 20 left: a whole block too many
        cbcEncipher(layout(0xffffffffU, body, 24), key),  // more than the buffer holds
        cbcEncipher(layout(0x80000006U, body, 24), key),  // negative as a signed number
        QByteArray(8, 'x'),                               // no room for the size descriptor
        QByteArray(17, 'x'),                              // cut inside a block
        QByteArray(),
    };
    for (const QByteArray& c : cases) {
        QByteArray bytes = c;
        try {
            BlowFish().DecryptByte(bytes, key);
            ADD_FAILURE() << "deciphered " << c.toHex().toStdString();
        } catch (const BlowFishError& e) {
            EXPECT_STREQ(e.what(), "Incorrect size descriptor in Blowfish decryption");
        }
    }
    // A character that is no byte cannot be part of a ciphertext.
    EXPECT_THROW(BlowFish().DecryptString(QString(16, QChar(0x20ac)), key), BlowFishError);
    // The edges of the rule: 12 and 19 bytes left over are valid.
    for (const uint32_t n : {12U, 5U}) {
        QByteArray bytes =
            cbcEncipher(layout(n, QByteArray(static_cast<qsizetype>(n), 'p'), 24), key);
        BlowFish().DecryptByte(bytes, key);
        EXPECT_EQ(bytes, QByteArray(static_cast<qsizetype>(n), 'p'));
    }
}

TEST(PasswordCipher, MatchesOnlyTheStoredPasswordAndNeverAnUndecipherableOne) {
    const QString stored = EncipherPassword(QString("Secret 1"));
    EXPECT_TRUE(PasswordMatches(stored, QString("Secret 1")));
    for (const char* wrong : {"secret 1", "Secret 1 ", "Secret ", "", "Secret 12"})
        EXPECT_FALSE(PasswordMatches(stored, QString(wrong))) << wrong;
    EXPECT_TRUE(PasswordMatches("", QString()));  // nothing stored deciphers to nothing
    EXPECT_FALSE(PasswordMatches("", QString("x")));
    EXPECT_FALSE(PasswordMatches(stored.left(8), QString("Secret 1")));
    EXPECT_FALSE(PasswordMatches(QString(16, 'A'), QString()));
    EXPECT_TRUE(PasswordMatches(EncipherPassword(QString()), QString()));

    EXPECT_TRUE(ConstantTimeEquals("abc", "abc"));
    EXPECT_FALSE(ConstantTimeEquals("abc", "abd"));
    EXPECT_FALSE(ConstantTimeEquals("abc", "ab"));
    EXPECT_FALSE(ConstantTimeEquals("ab", "abc"));
    EXPECT_FALSE(ConstantTimeEquals(QByteArray("a\0", 2), "a"));
}

// OpenSSL's Blowfish (in its legacy provider) as an independent implementation.
class OpenSslBlowfish : public ::testing::Test {
  protected:
    void SetUp() override {
        openssl_ = QStandardPaths::findExecutable("openssl");
        if (openssl_.isEmpty()) GTEST_SKIP() << "openssl is not installed (package openssl)";
        if (!run("-bf-ecb", QByteArray(16, '\0'), QByteArray(8, '\0'), false)) {
            GTEST_SKIP() << "openssl has no Blowfish (its legacy provider is missing)";
        }
    }

    // The bytes openssl enciphers or deciphers; nothing when it fails. OpenSSL takes 16-byte
    // Blowfish keys here.
    std::optional<QByteArray> run(const char* mode, const QByteArray& key16,
                                  const QByteArray& input, bool decrypt) {
        QStringList args{"enc",    mode,        "-provider",
                         "legacy", "-provider", "default",
                         "-nopad", "-K",        QString::fromLatin1(key16.toHex())};
        if (QString(mode).endsWith("cbc"))
            args << "-iv"
                 << "0000000000000000";
        if (decrypt) args << "-d";
        QProcess p;
        p.start(openssl_, args);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0) {
            return std::nullopt;
        }
        return p.readAllStandardOutput();
    }

    QString openssl_;
};

TEST_F(OpenSslBlowfish, AgreesOnRandomBlocksUnderRandomKeys) {
    std::mt19937 random(1234);
    for (int round = 0; round < 8; ++round) {
        const QByteArray key = randomBytes(random, 16);
        const QByteArray blocks = randomBytes(random, 8 * 64);
        const auto theirs = run("-bf-ecb", key, blocks, false);
        ASSERT_TRUE(theirs);
        BlowFish cipher;
        cipher.setKey(key);
        QByteArray ours = blocks;
        for (qsizetype at = 0; at < ours.size(); at += 8) {
            uint64_t block = 0;
            for (int i = 0; i < 8; ++i)
                block = block << 8 | static_cast<uint8_t>(ours[at + i]);
            block = encipherBlock(cipher, block);
            for (int i = 0; i < 8; ++i)
                ours[at + i] = static_cast<char>(block >> (56 - 8 * i));
        }
        EXPECT_EQ(ours.toHex(), theirs->toHex()) << "key " << key.toHex().toStdString();
    }
}

// The program key is 8 bytes; the key schedule cycles it, so twice over it is the same key of
// 16 bytes that openssl takes.
TEST_F(OpenSslBlowfish, ReadsOurPasswordCiphertextsAndWeReadTheirs) {
    const QByteArray key16 = QByteArray(kProgramKey) + kProgramKey;
    std::mt19937 random(99);
    for (qsizetype n = 0; n <= 40; n += 3) {
        const QByteArray plain = randomBytes(random, n);
        QByteArray ours = plain;
        BlowFish().EncryptByte(ours, kProgramKey);
        const auto buffer = run("-bf-cbc", key16, ours, true);
        ASSERT_TRUE(buffer);
        ASSERT_EQ(buffer->size(), BlowFish::cipherLength(n));
        EXPECT_EQ(static_cast<uint8_t>((*buffer)[0]) & 0x80, 0) << "random word 0 to 2^31 - 1";
        EXPECT_EQ(static_cast<uint8_t>((*buffer)[4]) & 0x80, 0) << "random word 0 to 2^31 - 1";
        EXPECT_EQ(buffer->mid(8, 4), layout(static_cast<uint32_t>(n), {}, 12).mid(8, 4));
        EXPECT_EQ(buffer->mid(12, n), plain);
        EXPECT_EQ(buffer->mid(12 + n), QByteArray(buffer->size() - 12 - n, '\0'));

        const QByteArray theirLayout =
            layout(static_cast<uint32_t>(n), plain, BlowFish::cipherLength(n));
        auto theirs = run("-bf-cbc", key16, theirLayout, false);
        ASSERT_TRUE(theirs);
        BlowFish().DecryptByte(*theirs, kProgramKey);
        EXPECT_EQ(*theirs, plain);
    }
}
