// A prompter for tests: it records every box and answers from a script (the box's default
// button once the script is used up).
#pragma once

#include "services/prompts/Prompter.h"

#include <deque>
#include <vector>

namespace testsupport {

class ScriptedPrompter final : public parlaro::Prompter {
  public:
    parlaro::Answer show(const parlaro::Message& message) override {
        shown.push_back(message);
        if (answers.empty()) return message.defaultAnswer();
        const parlaro::Answer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<QString> texts() const {
        std::vector<QString> t;
        for (const auto& m : shown)
            t.push_back(m.text);
        return t;
    }

    std::vector<parlaro::Message> shown;
    std::deque<parlaro::Answer> answers;
};

}  // namespace testsupport
