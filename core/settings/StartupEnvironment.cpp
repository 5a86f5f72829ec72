#include "core/settings/StartupEnvironment.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include <vector>

namespace parlaro {

namespace {

std::optional<QByteArray> systemLoginName() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name || !*found->pw_name) {
        return std::nullopt;
    }
    return QByteArray(found->pw_name);
}

}  // namespace

StartupEnvironment StartupEnvironment::fromSystem(const QString& programFolder) {
    StartupEnvironment env;
    env.programFolder = programFolder;
    env.programFolderWritable = QFileInfo(programFolder).isWritable();
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(xdg)) {
        env.dataHome = xdg;
    } else if (const QString home = qEnvironmentVariable("HOME"); QDir::isAbsolutePath(home)) {
        env.dataHome = home + "/.local/share";
    }
    env.tmpDir = qEnvironmentVariable("TMPDIR");
    env.loginName = systemLoginName;
    return env;
}

QString DefaultCallsFolder(const StartupEnvironment& env) {
    // Calls live with the user's data, never inside the program's folder, where removing or
    // rebuilding the program would take them with it.
    if (env.dataHome.isEmpty()) return env.programFolder + "/Calls/";
    return env.dataHome + "/Parlaro/Calls/";
}

QString CallUserName(const StartupEnvironment& env) {
    const auto name = env.loginName ? env.loginName() : std::nullopt;
    QByteArray bytes = name.value_or(QByteArray());
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    QString user = bytes.isEmpty() ? QString("ANON") : QString::fromUtf8(bytes).toLower();
    user.replace('-', '_');
    return user;
}

}  // namespace parlaro
