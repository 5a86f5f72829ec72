#include "tools/parlaro-find/FindArguments.h"

#include <unistd.h>

#include <QFileInfo>

#include <algorithm>
#include <climits>

namespace findtool {

const char* const kUsage =
    "usage: parlaro-find [--folder DIR] [--subfolders] [--user TEXT] [--from YYYYMMDD]\n"
    "                    [--to YYYYMMDD] [--note WORDS] [--min-seconds N] [--max-seconds N]\n";

namespace {

std::optional<int32_t> parseSeconds(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 9) return std::nullopt;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    return text.toInt();
}

}  // namespace

std::optional<FindArguments> parseArguments(const std::vector<QByteArray>& args,
                                            std::string& problem) {
    FindArguments parsed;
    parlaro::SearchCriteria& c = parsed.criteria;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const QByteArray& option = args[i];
        if (option == "--help" || option == "-h") {
            parsed.help = true;
            continue;
        }
        if (option == "--subfolders") {
            parsed.subfolders = true;
            continue;
        }
        static const char* const kWithValue[] = {
            "--folder", "--user", "--from", "--to", "--note", "--min-seconds", "--max-seconds"};
        if (std::find(std::begin(kWithValue), std::end(kWithValue), option) ==
            std::end(kWithValue)) {
            problem = "unknown argument '" + option.toStdString() + "'";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            problem = option.toStdString() + " needs a value";
            return std::nullopt;
        }
        const QByteArray& value = args[++i];
        const QString text = QString::fromUtf8(value);
        if (option == "--folder") {
            if (value.isEmpty()) {
                problem = "--folder needs a folder";
                return std::nullopt;
            }
            // The lines give full paths, also for a folder named from where the shell is; a
            // name that is not UTF-8 is searched as it is spelt.
            parsed.folder = QFileInfo(text).absoluteFilePath();
            parsed.folderBytes = value;
            if (!value.startsWith('/')) {
                char here[PATH_MAX];
                if (::getcwd(here, sizeof here)) parsed.folderBytes = here + ("/" + value);
            }
        } else if (option == "--user") {
            c.User = "*" + text + "*";  // as the Find dialog's user field
        } else if (option == "--note") {
            c.Note = text;
        } else if (option == "--from" || option == "--to") {
            if (!parlaro::dayFromText(text)) {
                problem = option.toStdString() + " takes a date as YYYYMMDD, not '" +
                          value.toStdString() + "'";
                return std::nullopt;
            }
            (option == "--from" ? c.StartDate : c.EndDate) = text;
        } else {
            const auto seconds = parseSeconds(value);
            if (!seconds) {
                problem = option.toStdString() + " takes a number of seconds, not '" +
                          value.toStdString() + "'";
                return std::nullopt;
            }
            (option == "--min-seconds" ? c.MinSeconds : c.MaxSeconds) = *seconds;
        }
    }
    if (c.MinSeconds && c.MaxSeconds && *c.MinSeconds > *c.MaxSeconds) {
        problem = "--min-seconds is more than --max-seconds";
        return std::nullopt;
    }
    return parsed;
}

}  // namespace findtool
