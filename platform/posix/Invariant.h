// AURX_INVARIANT(condition): a rule the code relies on and that nothing outside it can break,
// checked in every build. Broken, it names the place and ends the program at once: going on
// would corrupt a recording or a queue in ways found much later, if ever.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace aurx::posix {

[[noreturn]] inline void invariantBroken(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

}  // namespace aurx::posix

#define AURX_INVARIANT(condition)       \
    ((condition) ? static_cast<void>(0) \
                 : ::aurx::posix::invariantBroken(#condition, __FILE__, __LINE__))
