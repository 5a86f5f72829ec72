// What start-up learns from the system: the program folder, the user's data folder, TMPDIR and
// the login name. Tests build one by hand.
#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace parlaro {

struct StartupEnvironment {
    QString programFolder;  // without a trailing "/"
    bool programFolderWritable = true;
    QString dataHome;  // $XDG_DATA_HOME or ~/.local/share; empty when unknown
    QString tmpDir;    // $TMPDIR; empty when unset
    // The login name of the effective user; nothing when the system cannot tell.
    std::function<std::optional<QByteArray>()> loginName;

    static StartupEnvironment fromSystem(const QString& programFolder);
};

// Where calls go by default: the program folder + "/Calls/", or, when an installed program's
// folder is not writable, the user's data folder + "/Parlaro/Calls/".
QString DefaultCallsFolder(const StartupEnvironment& env);

// The user field of call names: the login name in lower case, "ANON" when there is none, and
// "_" for each "-" (names are split at "-": one inside would shift the fields and make a
// recording in progress look finished to the mover).
QString CallUserName(const StartupEnvironment& env);

}  // namespace parlaro
