// What reaches descriptor 2 through stderr once the program has filtered it: everything it
// printed, but PortAudio's assertion lines, whole or in pieces.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/wave/SoundLibraries.h"
#include "tests/support/TempDir.h"

namespace {

struct Print {
    const char* what;
    std::vector<std::string> prints;  // each one call of fputs on stderr
    std::string reaches;
};

constexpr char kAssertion[] =
    "Expression 'alsa_snd_pcm_poll_descriptors_revents( self->pcm, pfds, self->nfds, &revents )' "
    "failed in 'src/hostapi/alsa/pa_linux_alsa.c', line: 3665\n";

}  // namespace

TEST(SoundLibraries, StderrLeavesOutPortAudiosAssertionLinesAndNothingElse) {
    const std::vector<Print> cases = {
        {"an assertion", {kAssertion}, ""},
        {"lines around an assertion in one print",
         {std::string("before\n") + kAssertion + "after\n"},
         "before\nafter\n"},
        {"a line that only quotes one",
         {std::string("note: ") + kAssertion},
         "note: " + std::string(kAssertion)},
        {"another program's failed expression",
         {"Expression 'x' failed in 'main.c', line: 3\n"},
         "Expression 'x' failed in 'main.c', line: 3\n"},
        {"an assertion in pieces, as the C library writes PortAudio's vfprintf",
         {"E", std::string(kAssertion).substr(1, 40), std::string(kAssertion).substr(41)},
         ""},
        {"another line in pieces", {"Ex", "it 3\n"}, "Exit 3\n"},
        {"an unfinished line that cannot become one goes out at once", {"Exit"}, "Exit"},
        {"a prompt without its line feed", {"Password: "}, "Password: "},
    };
    aurx::wave::filterPortAudioAssertions();
    testsupport::TempDir dir;
    const int saved = ::dup(2);
    for (const auto& c : cases) {
        const std::string file = dir.file("stderr.txt");
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 2);
        ::close(fd);
        for (const auto& p : c.prints)
            std::fputs(p.c_str(), stderr);
        ::dup2(saved, 2);
        EXPECT_EQ(testsupport::readFile(file), c.reaches) << c.what;
    }
    ::close(saved);
}
