// Who may use a file or folder that a program creates, set explicitly rather than left to the
// process's umask: a new file or folder is made with its owner's bits only and then given its
// group and its mode through its descriptor, so it is never open to more people than meant,
// not even for a moment, and never reached through a link planted in its place.
#pragma once

#include "platform/posix/UniqueFd.h"

#include <sys/types.h>

#include <optional>
#include <string>

namespace aurx::posix {

struct FileAccess {
    mode_t fileMode = 0600;
    mode_t folderMode = 0700;
    // The group new files and folders are given; nothing keeps the one they are created with.
    std::optional<gid_t> group;

    // Readable and writable by the owner alone.
    static FileAccess ownerOnly() { return {}; }
};

// Gives the open file or folder `fd` the access's group, then its mode. A group that cannot be
// given takes the group's bits away too, so nobody unintended gains access. 0, or the errno.
int applyAccess(int fd, const FileAccess& access, bool folder);

// Makes `path` and the folders above it that are missing, each with the access (the folders
// that exist are left as they are). Folders that exist may be reached through links; the ones
// made here are opened without following any. 0, or the errno of the step that failed.
int makeFolders(const std::string& path, const FileAccess& access);

// Creates the file `path` (which must not exist) with the access, opened with `flags` (an
// access mode and O_* options; O_CREAT, O_EXCL, O_NOFOLLOW and O_CLOEXEC are added). An
// invalid descriptor with errno set when it cannot be made.
UniqueFd createFile(const std::string& path, int flags, const FileAccess& access);

// Opens `path` for writing (`flags` as for createFile, without O_EXCL), creating it with the
// access when it does not exist; a regular file of ours that exists is given the access too.
// A link in its place is refused, and a pipe without a reader does not hold it up.
UniqueFd openOrCreateFile(const std::string& path, int flags, const FileAccess& access);

}  // namespace aurx::posix
