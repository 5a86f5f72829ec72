// The prompter for unattended runs (PARLARO_UNATTENDED=1): each box becomes one line
// "PARLARO-MESSAGE [title] text" on standard error, with line breaks written as \n, and is
// answered with its default button.
#pragma once

#include "services/prompts/Prompter.h"

#include <cstdio>

namespace parlaro {

class UnattendedPrompter final : public Prompter {
  public:
    explicit UnattendedPrompter(std::FILE* out = stderr) : out_(out) {}
    Answer show(const Message& message) override;

    static QString line(const Message& message);
    // True when the environment asks for unattended running.
    static bool requested();

  private:
    std::FILE* out_;
};

}  // namespace parlaro
