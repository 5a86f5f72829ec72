// The user's login autostart entry for Parlaro: a desktop entry in the XDG autostart folder
// ($XDG_CONFIG_HOME/autostart, default ~/.config/autostart) that starts the program when the
// desktop session begins. Writing replaces the entry whole or not at all.
#pragma once

#include <QString>

#include <optional>

namespace parlaro {

// The desktop id shared by the installed launcher, its icon, the AppStream metadata and the
// autostart entry, so the desktop sees them as one program.
inline const QString kDesktopId = QStringLiteral("org.parlaro.Parlaro");

class AutostartEntry {
  public:
    // `folder`: the autostart folder; `program`: the absolute path the entry starts.
    AutostartEntry(QString folder, QString program);

    // $XDG_CONFIG_HOME/autostart when that is absolute, else $HOME/.config/autostart; empty
    // without either.
    static QString defaultFolder();

    QString path() const;
    // A desktop entry is there and the desktop has not been told to skip it (Hidden, or
    // GNOME's X-GNOME-Autostart-enabled=false).
    bool enabled() const;
    // Each returns nothing on success, else a message saying what failed and where.
    std::optional<QString> enable() const;
    std::optional<QString> disable() const;

    // The entry's text for `program`.
    static QByteArray entryText(const QString& program);
    // `program` as the value of an Exec key: quoted where it holds reserved characters, with
    // the string escapes of a desktop entry applied on top.
    static QString execValue(const QString& program);

  private:
    QString folder_;
    QString program_;
};

}  // namespace parlaro
