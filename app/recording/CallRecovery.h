// Calls interrupted by the end of the program (killed, crashed, power lost, Quit during a
// call) stay in the temporary folder under their unfinished name, which the mover never
// files. At start-up each is finished through a recorder control, renamed with its length as
// a finished call is, given a note saying what happened, and left for the mover.
#pragma once

#include "app/recording/Recorder.h"
#include "services/prompts/Prompter.h"

#include <QStringList>

namespace parlaro {

inline const QString kRecoveredNote =
    QStringLiteral("Recovered after Parlaro ended during the call");

struct RecoveryOutcome {
    QStringList recovered;  // new file names
    QStringList damaged;    // left where they are, as they were
};

// True for a recording in progress: YYYYMMDD-HHMMSS-user.wav.
bool isUnfinishedCallName(const QString& fileName);

// Finishes every unfinished call in `tempFolder` (ending in "/") with `recorder`, which is
// left closed. Notes go beside the calls in `callPath`, where the mover puts them. Only regular
// files of the user's own are recovered, opened without following a link; anything else under
// such a name (a link, a pipe, another user's file) is left as it is. One message names what
// could not be recovered.
RecoveryOutcome RecoverInterruptedCalls(Recorder& recorder, const QString& tempFolder,
                                        const QString& callPath, Prompter& prompter);

}  // namespace parlaro
