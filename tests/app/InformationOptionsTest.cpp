// --version and --help are answered before anything starts; every other argument is left to
// the program (and Qt).
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "app/startup/InformationOptions.h"

using parlaro::AnswerInformationOptions;

namespace {

std::optional<int> answer(std::vector<const char*> args, std::string& printed) {
    args.insert(args.begin(), "parlaro");
    std::ostringstream out;
    const auto status =
        AnswerInformationOptions(static_cast<int>(args.size()), args.data(), "1.2.3", out);
    printed = out.str();
    return status;
}

}  // namespace

TEST(InformationOptions, VersionAndHelpAnswerAndEverythingElseStarts) {
    std::string printed;
    EXPECT_EQ(answer({"--version"}, printed), 0);
    EXPECT_EQ(printed, "parlaro 1.2.3\n");
    for (const char* help : {"--help", "-h"}) {
        EXPECT_EQ(answer({"-platform", "offscreen", help}, printed), 0) << help;
        EXPECT_NE(printed.find("Usage: parlaro"), std::string::npos);
        EXPECT_NE(printed.find("--version"), std::string::npos);
    }
    for (const std::vector<const char*>& starts :
         {std::vector<const char*>{}, {"-platform", "offscreen"}, {"-version"}, {"--versions"}}) {
        EXPECT_EQ(answer(starts, printed), std::nullopt);
        EXPECT_EQ(printed, "");
    }
}
