#include "app/library/sharing/CallDropping.h"

namespace parlaro {

void FilesDropped(const QStringList& files, Recorder& player, CallPlayback& playback,
                  Prompter& prompter) {
    if (files.size() > 1) {
        prompter.show(
            {"Drag / Drop", "Please drag a single file at a time", Icon::Information, Buttons::Ok});
        return;
    }
    if (files.isEmpty()) return;
    const QString& file = files.front();
    if (!file.endsWith("wav", Qt::CaseInsensitive) && !file.endsWith("mp3", Qt::CaseInsensitive))
        return;
    // The player refuses a new file type while it holds a file.
    if (playback.playing()) {
        playback.StopPlayback();
    } else {
        player.Reset();
    }
    player.setDataOnly(2);
    playback.OpenCallForPlayback(file);
}

}  // namespace parlaro
