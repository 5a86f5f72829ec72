#include "app/library/sharing/SendAs.h"

#include <QFileInfo>

namespace parlaro {

SendAs SendAsFromSetting(int32_t value) {
    switch (value) {
        case 0:
            return SendAs::Original;
        case 2:
            return SendAs::Mp3;
        default:
            return SendAs::Opus;
    }
}

QString SendAsName(SendAs format) {
    switch (format) {
        case SendAs::Original:
            return "Original";
        case SendAs::Mp3:
            return "MP3";
        case SendAs::Opus:
            break;
    }
    return "Opus";
}

QString SharedFileName(const QString& recording, SendAs format) {
    const QFileInfo file(recording);
    if (format == SendAs::Original) return file.fileName();
    // Only the last extension goes: a name with dots in it keeps them.
    const QString base = file.suffix().isEmpty() ? file.fileName() : file.completeBaseName();
    return base + (format == SendAs::Mp3 ? ".mp3" : ".opus");
}

SaveFileType SaveFileTypeFor(SendAs format) {
    switch (format) {
        case SendAs::Original:
            return {"wav files (*.wav)", "wav"};
        case SendAs::Mp3:
            return {"mp3 files (*.mp3)", "mp3"};
        case SendAs::Opus:
            break;
    }
    return {"opus files (*.opus)", "opus"};
}

}  // namespace parlaro
