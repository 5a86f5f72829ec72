#include "app/startup/InformationOptions.h"

#include <string_view>

namespace parlaro {

std::optional<int> AnswerInformationOptions(int argc, const char* const* argv, const char* version,
                                            std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            out << "parlaro " << version << "\n";
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            out << "Usage: parlaro [--help] [--version] [Qt options]\n"
                   "Records telephone calls from the sound card's input and keeps a library of\n"
                   "them. Settings live under $XDG_CONFIG_HOME/Parlaro; see parlaro(1) and the\n"
                   "manual that the Help button opens.\n"
                   "  --help     show this text and exit\n"
                   "  --version  show the version and exit\n";
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace parlaro
