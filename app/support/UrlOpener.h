// Handing a document or a web address to the desktop, the way the shell's "open" does: the
// desktop's browser or viewer shows it and the program does not wait.
#pragma once

#include <QUrl>

namespace parlaro {

class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    // True when the desktop took the address.
    virtual bool open(const QUrl& url) = 0;
};

// The desktop's own choice of program (QDesktopServices, which runs xdg-open on X11 and
// Wayland desktops).
class DesktopUrlOpener final : public UrlOpener {
  public:
    bool open(const QUrl& url) override;
};

}  // namespace parlaro
