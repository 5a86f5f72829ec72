// `parlaro --version` and `parlaro --help`: answered on standard output before anything else
// starts, so they work without a display, a sound card or settings.
#pragma once

#include <optional>
#include <ostream>

namespace parlaro {

// The exit status when the arguments ask only for information (which is then written to
// `out`); nothing when the program should start as usual. Other arguments are Qt's.
std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, const char* version,
                                            std::ostream& out);

}  // namespace parlaro
