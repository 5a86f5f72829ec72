// The calls that arrive in a folder while the window lists it: the mover files calls recorded
// here, recovered at start-up or left from an earlier session. At each of its ends the folder is
// read once (names only) and compared with what was there at the last look.
#pragma once

#include "core/calls/CallRecord.h"

#include <QSet>
#include <QString>

#include <vector>

namespace parlaro {

class FiledCalls {
  public:
    // Remembers the calls in `folder` (ending in "/") as already seen.
    void snapshot(const QString& folder);
    // The calls in `folder` that were not there at the last look, oldest first, read from
    // their names (the recording's full path in RecordingLocation); they count as seen from
    // now on. A folder other than the last one looked at is only remembered.
    std::vector<CallRecord> arrived(const QString& folder);

  private:
    QSet<QString> read(const QString& folder) const;

    QString folder_;
    QSet<QString> seen_;
};

}  // namespace parlaro
