#include "app/library/sharing/CallConversion.h"

#include "app/library/sharing/CallSaving.h"
#include "services/share/SoundConversion.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>

namespace parlaro {

namespace {

// The encoders' bytes into a file that appears under its name only when committed.
class SaveFileWriter final : public share::ByteWriter {
  public:
    explicit SaveFileWriter(QSaveFile& file) : file_(file) {}
    bool write(std::span<const std::uint8_t> bytes) override { return put(bytes); }
    bool rewriteStart(std::span<const std::uint8_t> bytes) override {
        const qint64 end = file_.pos();
        return file_.seek(0) && put(bytes) && file_.seek(end);
    }

  private:
    bool put(std::span<const std::uint8_t> bytes) {
        const auto size = static_cast<qint64>(bytes.size());
        return file_.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
    }
    QSaveFile& file_;
};

bool sameFile(const QString& a, const QString& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

QString convertTo(const QString& recording, const QString& target, SendAs format) {
    // Converting a recording onto itself would replace the call with its copy.
    if (sameFile(recording, target)) return "the copy would replace the recording itself";
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    SaveFileWriter writer(file);
    const share::ShareCodec codec =
        format == SendAs::Mp3 ? share::ShareCodec::Mp3 : share::ShareCodec::Opus;
    const std::string failed =
        share::convertSound(QFile::encodeName(recording).toStdString(), codec, writer);
    if (!failed.empty()) {
        // A write that failed says more about itself than the encoder can.
        return file.error() != QFileDevice::NoError ? file.errorString()
                                                    : QString::fromStdString(failed);
    }
    if (!file.commit()) return file.errorString();
    return {};
}

}  // namespace

std::optional<QString> ShareCallFile(const QString& recording, const QString& target,
                                     SendAs format) {
    if (format == SendAs::Original) {
        if (const int error = CopyCallFile(recording, target); error != 0)
            return "Copy file failed: Error = " + QString::number(error);
        return std::nullopt;
    }
    const QString reason = convertTo(recording, target, format);
    if (reason.isEmpty()) return std::nullopt;
    return "Could not convert " + QFileInfo(recording).fileName() + " to " + SendAsName(format) +
           ": " + reason;
}

}  // namespace parlaro
