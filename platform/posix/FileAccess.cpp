#include "platform/posix/FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace aurx::posix {

namespace {

// A folder opened only as a place (O_PATH) takes no fchmod: its mode is changed through the
// descriptor's own entry in /proc, which leads to that folder and nowhere else.
int changeMode(int fd, mode_t mode) {
    if (::fchmod(fd, mode) == 0) return 0;
    if (errno != EBADF) return errno;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::chmod(self.c_str(), mode) == 0 ? 0 : errno;
}

int changeGroup(int fd, gid_t group) {
    return ::fchownat(fd, "", static_cast<uid_t>(-1), group, AT_EMPTY_PATH) == 0 ? 0 : errno;
}

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : path + "/") {
        if (c != '/') {
            part += c;
            continue;
        }
        if (!part.empty() && part != ".") parts.push_back(part);
        part.clear();
    }
    return parts;
}

void clearNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
}

}  // namespace

int applyAccess(int fd, const FileAccess& access, bool folder) {
    mode_t mode = folder ? access.folderMode : access.fileMode;
    int failure = 0;
    if (access.group) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) return errno;
        if (st.st_gid != *access.group) failure = changeGroup(fd, *access.group);
        // Left with the group it was made with, it must not open to that group.
        if (failure != 0) mode &= ~static_cast<mode_t>(S_IRWXG | S_ISGID);
    }
    const int changed = changeMode(fd, mode);
    return failure != 0 ? failure : changed;
}

int makeFolders(const std::string& path, const FileAccess& access) {
    if (path.empty()) return ENOENT;
    UniqueFd parent(::open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent) return errno;
    for (const std::string& name : components(path)) {
        UniqueFd next(::openat(parent.get(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next) {
            if (errno != ENOENT) return errno;
            // The owner's bits only until the access is given: nobody else gets in meanwhile.
            const bool made = ::mkdirat(parent.get(), name.c_str(), 0700) == 0;
            if (!made && errno != EEXIST) return errno;
            next.reset(::openat(parent.get(), name.c_str(),
                                O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!next) return errno;
            struct stat st {};
            if (made && ::fstat(next.get(), &st) == 0 && st.st_uid == ::geteuid()) {
                if (const int error = applyAccess(next.get(), access, true);
                    error != 0 && error != EPERM) {
                    return error;
                }
            }
        }
        parent = std::move(next);
    }
    return 0;
}

UniqueFd createFile(const std::string& path, int flags, const FileAccess& access) {
    UniqueFd fd(::open(path.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd) applyAccess(fd.get(), access, false);
    return fd;
}

UniqueFd openOrCreateFile(const std::string& path, int flags, const FileAccess& access) {
    // Twice at most: a file removed between the two opens is made afresh.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (UniqueFd made = createFile(path, flags | O_NONBLOCK, access)) {
            clearNonBlocking(made.get());
            return made;
        }
        if (errno != EEXIST) return {};
        UniqueFd fd(::open(path.c_str(), (flags & ~O_EXCL) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd) {
            if (errno == ENOENT) continue;
            return {};
        }
        struct stat st {};
        if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) {
            applyAccess(fd.get(), access, false);
        }
        clearNonBlocking(fd.get());
        return fd;
    }
    return {};
}

}  // namespace aurx::posix
