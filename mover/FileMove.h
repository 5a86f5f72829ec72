// Moving one file without ever losing it: a rename where the file system allows, otherwise a
// copy that is flushed to disk before the source is removed. An existing destination is never
// replaced, and a source that is written to while it is copied stays where it is.
#pragma once

#include <QString>

namespace mover {

enum class MoveOutcome { Moved, Denied, Failed, Busy };

struct MoveResult {
    MoveOutcome outcome = MoveOutcome::Failed;
    int error = 0;  // errno of the failure
};

MoveResult moveFile(const QString& from, const QString& to);

// Removes copies that a mover killed in the middle of a move left in the folder: hidden files
// of its temporary name that are ours and that no running mover holds.
void removeStaleCopies(const QString& folder);

}  // namespace mover
