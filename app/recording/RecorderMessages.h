// Turning the recorder control's error codes into words for the user.
#pragma once

#include "services/prompts/Prompter.h"

#include <cstdint>

namespace parlaro {

// "Recording Control Error: " and the code's text; unknown codes give the prefix alone.
QString recorderErrorText(int16_t code, const QString& fileName);

// Shows the message (exclamation, OK, title "Error"); the caller goes on.
void ShowRecorderError(Prompter& prompter, int16_t code, const QString& fileName);

}  // namespace parlaro
