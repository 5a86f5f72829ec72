#include "mover/OpenFiles.h"

#include "platform/posix/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace mover {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

bool isNumber(const char* name) {
    if (!*name) return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9') return false;
    }
    return true;
}

// The access mode of descriptor `fd` of process `pid`, from its "flags:" line (octal).
bool openedForWriting(int proc, const std::string& pid, const char* fd) {
    const std::string info = pid + "/fdinfo/" + fd;
    const aurx::posix::UniqueFd in(::openat(proc, info.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) return false;
    char text[512];
    const ssize_t n = ::read(in.get(), text, sizeof text - 1);
    if (n <= 0) return false;
    text[n] = '\0';
    const char* flags = std::strstr(text, "flags:");
    if (!flags) return false;
    const unsigned long mode = std::strtoul(flags + 6, nullptr, 8) & O_ACCMODE;
    return mode == O_WRONLY || mode == O_RDWR;
}

}  // namespace

std::set<FileId> openForWriting(const std::set<FileId>& among) {
    std::set<FileId> found;
    if (among.empty()) return found;
    const Dir processes(::opendir("/proc"));
    if (!processes) return found;
    const int proc = ::dirfd(processes.get());
    while (const dirent* p = ::readdir(processes.get())) {
        if (!isNumber(p->d_name)) continue;
        const std::string pid = p->d_name;
        // Processes of other users, and those that end meanwhile, cannot be opened: skipped.
        const int fds = ::openat(proc, (pid + "/fd").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fds < 0) continue;
        const Dir descriptors(::fdopendir(fds));
        if (!descriptors) {
            ::close(fds);
            continue;
        }
        while (const dirent* d = ::readdir(descriptors.get())) {
            if (!isNumber(d->d_name)) continue;
            struct stat st {};
            if (::fstatat(::dirfd(descriptors.get()), d->d_name, &st, 0) != 0) continue;
            const FileId id{st.st_dev, st.st_ino};
            if (among.contains(id) && !found.contains(id) &&
                openedForWriting(proc, pid, d->d_name)) {
                found.insert(id);
            }
        }
    }
    return found;
}

}  // namespace mover
