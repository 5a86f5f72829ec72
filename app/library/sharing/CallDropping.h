// Files dropped on the call list: a single WAV or MP3 file is played through the window's
// player without becoming part of the library.
#pragma once

#include "app/library/playback/CallPlayback.h"

#include <QStringList>

namespace parlaro {

void FilesDropped(const QStringList& files, Recorder& player, CallPlayback& playback,
                  Prompter& prompter);

}  // namespace parlaro
