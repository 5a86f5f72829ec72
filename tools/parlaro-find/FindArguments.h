// The parlaro-find command line:
//
//   parlaro-find [--folder DIR] [--subfolders] [--user TEXT] [--from YYYYMMDD] [--to YYYYMMDD]
//                [--note WORDS] [--min-seconds N] [--max-seconds N]
//
// Criteria left out mean "*", as in the Find dialog; the folder and the subfolders default to
// the stored settings.
#pragma once

#include "core/search/SearchCriteria.h"

#include <QByteArray>

#include <optional>
#include <string>
#include <vector>

namespace findtool {

struct FindArguments {
    std::optional<QString> folder;  // nothing: the stored SearchPath, else CallPath
    QByteArray folderBytes;         // the same as given, a full path byte for byte
    bool subfolders = false;        // asked for on the command line
    bool help = false;
    parlaro::SearchCriteria criteria;
};

extern const char* const kUsage;

// Nothing, with the reason in `problem`, for a command line that cannot be understood.
std::optional<FindArguments> parseArguments(const std::vector<QByteArray>& args,
                                            std::string& problem);

}  // namespace findtool
