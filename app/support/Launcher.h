// Starting another program the way the shell's "open" does: without waiting for it. The
// result follows the shell's convention: above 32 means started.
#pragma once

#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace parlaro {

class Launcher {
  public:
    virtual ~Launcher() = default;
    virtual int open(const QString& program) = 0;
    // As open; `ended` runs on this thread once the program has ended (never, where that
    // cannot be seen).
    virtual int openAndWatch(const QString& program, std::function<void()> ended) {
        (void)ended;
        return open(program);
    }
};

// Starts programs without a shell (platform/shell). The end of a watched program shows as the
// end of a pipe it inherits, seen by the event loop: nothing waits and nothing polls.
class ShellLauncher final : public Launcher {
  public:
    ShellLauncher() = default;
    ShellLauncher(const ShellLauncher&) = delete;
    ShellLauncher& operator=(const ShellLauncher&) = delete;
    ~ShellLauncher() override;
    int open(const QString& program) override;
    int openAndWatch(const QString& program, std::function<void()> ended) override;

  private:
    std::vector<std::unique_ptr<QSocketNotifier>> watches_;  // one per program running
};

}  // namespace parlaro
