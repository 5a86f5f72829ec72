#include "tools/help-screenshots/SampleCalls.h"

#include <QDataStream>
#include <QDate>
#include <QDir>
#include <QFile>

#include <array>

namespace helpshots {

namespace {

struct SampleCall {
    const char* time;
    const char* user;
    int seconds;
    const char* note;
};

// A tenth of a second of 8-bit PCM silence: the list reads only the name, and a player opens it.
QByteArray silentWave() {
    constexpr quint32 kRate = 8000;
    constexpr quint32 kDataBytes = kRate / 10;
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + kDataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << kRate << kRate << quint16(1) << quint16(8);
    out.writeRawData("data", 4);
    out << kDataBytes;
    bytes.append(QByteArray(kDataBytes, char(0x80)));
    return bytes;
}

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

bool writeSampleCalls(const QString& folder) {
    const std::array<SampleCall, 6> calls{{
        {"081502", "anna", 252, "Quote for 40 chairs\ncall back on Friday"},
        {"090744", "ben", 95, "Invoice 7 paid by card"},
        {"093010", "anna", 38, ""},
        {"101533", "carl", 611, "Delivery address changed to the warehouse"},
        {"112005", "ben", 1240, "Printer driver problem, solved"},
        {"113812", "anna", 74, "Wrong number"},
    }};
    if (!QDir().mkpath(folder)) return false;
    const QString today = QDate::currentDate().toString("yyyyMMdd");
    const QByteArray wave = silentWave();
    for (const SampleCall& c : calls) {
        const QString base =
            QString("%1/%2-%3-%4-%5").arg(folder, today, c.time, c.user).arg(c.seconds);
        if (!write(base + ".wav", wave)) return false;
        if (*c.note && !write(base + ".txt", QByteArray(c.note))) return false;
    }
    return true;
}

}  // namespace helpshots
