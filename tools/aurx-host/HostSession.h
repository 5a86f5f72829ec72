// aurx-host's interpreter: named controls, the current one, and the commands that drive it
// through its dispatch interface (new, use, drop, get, put, call, pump, wait, quiet, loud,
// sleep, save, load, render-meter).
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/aurx-host/CommandLine.h"

namespace aurx {
class AURX300Ctrl;
}

namespace host {

class HostedControl;

class HostSession {
  public:
    // Draws a control's meter into a PNG file of the given size; false when it cannot.
    using MeterRenderer = std::function<bool(const aurx::AURX300Ctrl&, int width, int height,
                                             const std::string& path)>;

    explicit HostSession(std::ostream& out, MeterRenderer renderer = {});
    ~HostSession();

    // Runs every line of `in`; 0, or 2 after printing "SOURCE:LINE: message" to `err` for a
    // line that cannot be parsed.
    int run(std::istream& in, const std::string& source, std::ostream& err);
    // One line; an error message when it cannot be parsed, else empty.
    std::string execute(const std::string& line);

  private:
    std::string command(const std::vector<Word>& w);
    std::string get(const std::vector<Word>& w);
    std::string put(const std::vector<Word>& w);
    std::string call(const std::vector<Word>& w);
    void pump(int ms);
    void wait(const std::string& event, int ms);
    HostedControl* current();

    std::ostream& out_;
    MeterRenderer renderer_;
    std::map<std::string, std::unique_ptr<HostedControl>> controls_;
    std::string current_;
    std::set<std::string> quiet_;
    std::vector<std::string> raised_;  // events raised by the latest pump
};

}  // namespace host
