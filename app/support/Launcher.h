// Starting another program the way the shell's "open" does: without waiting for it. The
// result follows the shell's convention: above 32 means started.
#pragma once

#include <QString>

namespace parlaro {

class Launcher {
  public:
    virtual ~Launcher() = default;
    virtual int open(const QString& program) = 0;
};

// Starts programs without a shell (platform/shell).
class ShellLauncher final : public Launcher {
  public:
    int open(const QString& program) override;
};

}  // namespace parlaro
