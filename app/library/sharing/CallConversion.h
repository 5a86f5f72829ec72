// Writing the copy of a call that is saved or mailed: the recording itself, or a copy
// converted to Opus or MP3. A converted copy is written beside its target and renamed over
// it, so a failure leaves no half-written file and an old file of that name as it was. The
// recording is only read.
#pragma once

#include "app/library/sharing/SendAs.h"

#include <QString>

#include <optional>

namespace parlaro {

// Nothing when the copy is in place; otherwise the message that tells the user why not:
// "Copy file failed: Error = N" for a plain copy, "Could not convert NAME to Opus: REASON"
// for a conversion.
std::optional<QString> ShareCallFile(const QString& recording, const QString& target,
                                     SendAs format);

}  // namespace parlaro
