// What a call keeps of a stalled input: a line in its note for each stretch the sound system
// did not deliver, so that a listener knows the silence there is not the line's.
#pragma once

#include "app/recording/Recorder.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace parlaro {

// "Audio missing from mm:ss for N s (the sound system stopped)"; minutes run past 59.
QString missingAudioLine(double atSeconds, double stalledSeconds);

class InputStallNotes {
  public:
    enum class Change { None, Stalled, Resumed };

    // Takes the control's news in order; the lines count only `inCall`. What the latest
    // news changed, for the status bar.
    Change take(const std::vector<InputNews>& news, bool inCall);
    // The lines gathered since the last call, which are then forgotten.
    QStringList takeLines() { return std::exchange(lines_, {}); }

  private:
    QStringList lines_;
};

// `note` with the lines after it, one to a line.
QString noteWithLines(const QString& note, const QStringList& lines);

}  // namespace parlaro
