// Made-up calls of today, with notes, for pictures of the call list.
#pragma once

#include <QString>

namespace helpshots {

// Writes a few short recordings named as Parlaro names today's calls, and their notes, into
// `folder` (made if needed). False when one could not be written.
bool writeSampleCalls(const QString& folder);

}  // namespace helpshots
