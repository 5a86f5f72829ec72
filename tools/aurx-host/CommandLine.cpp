#include "tools/aurx-host/CommandLine.h"

namespace host {

std::optional<std::vector<Word>> splitWords(const std::string& line) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        Word w;
        if (line[i] == '"') {
            w.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                    w.text += line[i++];
                } else {
                    w.text += c;
                }
            }
            if (!closed) return std::nullopt;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                w.text += line[i++];
        }
        words.push_back(std::move(w));
    }
    return words;
}

}  // namespace host
