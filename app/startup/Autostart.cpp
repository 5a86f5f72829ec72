#include "app/startup/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <utility>

namespace parlaro {

namespace {

// Characters that make an Exec argument need double quotes, and those that must be escaped
// with a backslash inside them.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString kEscapedInQuotes = QStringLiteral("\"`$\\");

QString quotedArgument(const QString& argument) {
    bool plain = !argument.isEmpty();
    for (const QChar c : argument)
        if (kReserved.contains(c)) plain = false;
    QString out;
    if (plain) {
        out = argument;
    } else {
        out = '"';
        for (const QChar c : argument) {
            if (kEscapedInQuotes.contains(c)) out += '\\';
            out += c;
        }
        out += '"';
    }
    // A lone % would be read as a field code.
    return out.replace('%', QStringLiteral("%%"));
}

// The escapes of a desktop entry's string values, which are undone before the Exec quoting is
// read.
QString stringValue(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == '\\') {
            out += QStringLiteral("\\\\");
        } else if (c == '\n') {
            out += QStringLiteral("\\n");
        } else if (c == '\t') {
            out += QStringLiteral("\\t");
        } else if (c == '\r') {
            out += QStringLiteral("\\r");
        } else {
            out += c;
        }
    }
    return out;
}

QString failure(const QString& what, const QString& path, const QString& reason) {
    return QStringLiteral("Parlaro cannot %1 %2: %3")
        .arg(what, QDir::toNativeSeparators(path), reason);
}

}  // namespace

AutostartEntry::AutostartEntry(QString folder, QString program)
    : folder_(std::move(folder)), program_(std::move(program)) {}

QString AutostartEntry::defaultFolder() {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(config)) return config + "/autostart";
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home)) return home + "/.config/autostart";
    return {};
}

QString AutostartEntry::path() const {
    return folder_ + "/" + kDesktopId + ".desktop";
}

bool AutostartEntry::enabled() const {
    if (folder_.isEmpty()) return false;
    QFile file(path());
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) return false;
    bool inMainGroup = false;
    bool hasMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            hasMainGroup = hasMainGroup || inMainGroup;
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "Hidden" && value == "true") return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false") return false;
    }
    // Without its main group the desktop ignores the file.
    return hasMainGroup;
}

std::optional<QString> AutostartEntry::enable() const {
    if (folder_.isEmpty())
        return QStringLiteral("Parlaro cannot start when you log in: there is no home folder.");
    // An entry that starts nothing, or something relative to wherever the session starts,
    // would be worse than none.
    if (!QDir::isAbsolutePath(program_))
        return QStringLiteral(
                   "Parlaro cannot start when you log in: its own location (\"%1\") "
                   "is not known.")
            .arg(program_);
    if (!QDir().mkpath(folder_))
        return failure("create the folder", folder_, "it cannot be made there");
    // A save file goes in under its name only once it is complete.
    QSaveFile file(path());
    if (!file.open(QIODevice::WriteOnly))
        return failure("write the start-up entry", path(), file.errorString());
    const QByteArray text = entryText(program_);
    if (file.write(text) != text.size() || !file.commit())
        return failure("write the start-up entry", path(), file.errorString());
    return std::nullopt;
}

std::optional<QString> AutostartEntry::disable() const {
    if (folder_.isEmpty()) return std::nullopt;
    const QFileInfo entry(path());
    if (!entry.exists() && !entry.isSymLink()) return std::nullopt;
    QFile file(path());
    if (!entry.isFile() && !entry.isSymLink())
        return failure("remove the start-up entry", path(), "it is not a file");
    if (!file.remove()) return failure("remove the start-up entry", path(), file.errorString());
    return std::nullopt;
}

QByteArray AutostartEntry::entryText(const QString& program) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Parlaro\n"
               "GenericName=Call Recorder\n"
               "Comment=Records telephone calls from the sound card\n"
               "Exec=%1\n"
               "Icon=%2\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n")
        .arg(execValue(program), kDesktopId)
        .toUtf8();
}

QString AutostartEntry::execValue(const QString& program) {
    return stringValue(quotedArgument(program));
}

}  // namespace parlaro
