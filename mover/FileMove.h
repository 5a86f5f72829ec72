// Moving one file without ever losing it: a rename where the file system allows, otherwise a
// copy that is flushed to disk before the source is removed. An existing destination is never
// replaced.
#pragma once

#include <QString>

namespace mover {

enum class MoveOutcome { Moved, Denied, Failed };

struct MoveResult {
    MoveOutcome outcome = MoveOutcome::Failed;
    int error = 0;  // errno of the failure
};

MoveResult moveFile(const QString& from, const QString& to);

}  // namespace mover
