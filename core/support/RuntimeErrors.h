// Reporting unexpected run-time errors: the message names the procedure, the error number and
// its description; the program then goes on.
#pragma once

#include "services/prompts/Prompter.h"

#include <exception>

namespace parlaro {

enum class Guarded { GetRegistrySettings, GetPCAndUserName, FormLoad, StopRecording };

Message runtimeErrorMessage(Guarded where, const std::exception& error);

// The call library's common message: "Error occurred: N, description, label".
Message libraryErrorMessage(const QString& label, const std::exception& error);

inline void reportRuntimeError(Prompter& prompter, Guarded where, const std::exception& error) {
    prompter.show(runtimeErrorMessage(where, error));
}

}  // namespace parlaro
