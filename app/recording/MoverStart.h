// Starting the recording mover after a kept call, without waiting for it.
#pragma once

#include "app/support/Launcher.h"
#include "services/prompts/Prompter.h"

namespace parlaro {

// Starts programFolder + "/mover"; a failure is told to the user and the recording simply
// waits in the temporary folder for the next start. True when it started. `ended` runs once
// the mover has gone, its calls filed.
bool StartMover(Launcher& launcher, Prompter& prompter, const QString& programFolder,
                std::function<void()> ended = {});

}  // namespace parlaro
