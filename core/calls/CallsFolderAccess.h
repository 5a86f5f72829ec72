// Who may read the calls. What Parlaro makes for the user alone (the temporary recordings and
// their folder, retention.log) is the user's only: files 0600, folders 0700, whatever the
// umask. So are the calls and notes in a calls folder of the user's own. A calls folder made
// for a group the user is in (owned by someone else, as one an administrator makes for
// everyone is, or marked set-group-ID) keeps its own permissions: what is filed there gets the
// folder's group and the folder's group read and write bits, and nothing for others; folders
// made in it are marked set-group-ID in turn.
#pragma once

#include "platform/posix/FileAccess.h"

#include <QString>

#include <sys/stat.h>

#include <optional>
#include <vector>

namespace parlaro {

// The effective user and the groups they are in.
struct Identity {
    uid_t user = 0;
    gid_t group = 0;
    std::vector<gid_t> groups;  // the supplementary ones

    static Identity current();
    bool isIn(gid_t g) const;
};

// The access of what is made in a folder with this owner, group and mode.
aurx::posix::FileAccess AccessInFolder(const struct stat& folder, const Identity& me);

// The access of what is made in `path`, judged by the nearest folder at or above it that
// exists (a folder about to be made takes after the one it is made in).
aurx::posix::FileAccess CallsFolderAccess(const QString& path);

// Makes the calls folder and any folder above it that is missing, with CallsFolderAccess.
// Nothing when it is a folder calls can be filed in; else why not ("Not a directory").
std::optional<QString> MakeCallsFolder(const QString& path);

// Makes a folder of the user's alone (and any folder above it that is missing); false when
// it is not there afterwards.
bool MakePrivateFolder(const QString& path);

// The reason for an errno, as the system words it.
QString ReasonText(int error);

}  // namespace parlaro
