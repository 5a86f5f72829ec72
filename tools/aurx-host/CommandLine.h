// Splitting an aurx-host line into words: spaces separate words; a word in double quotes may
// hold spaces, with \" and \\ as escapes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace host {

struct Word {
    std::string text;
    bool quoted = false;
};

// The words of `line`, or nothing when a quote is not closed.
std::optional<std::vector<Word>> splitWords(const std::string& line);

}  // namespace host
