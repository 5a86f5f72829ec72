#include "core/search/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace parlaro {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

}  // namespace

std::string_view FolderListing::keep(std::string_view name) {
    constexpr std::size_t kBlock = 64 * 1024;  // a name is at most 255 bytes
    if (name.size() > left_) {
        blocks_.push_back(std::unique_ptr<char[]>(new char[kBlock]));
        left_ = kBlock;
    }
    char* at = blocks_.back().get() + (kBlock - left_);
    std::copy(name.begin(), name.end(), at);
    left_ -= name.size();
    return {at, name.size()};
}

int OpenFolder::open(const std::string& path, const OpenFolder* parent, const std::string& name,
                     std::shared_ptr<OpenFolder>& out) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    aurx::posix::UniqueFd fd(parent ? ::openat(parent->fd(), name.c_str(), kFlags)
                                    : ::open(path.c_str(), kFlags));
    if (!fd) return errno;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return errno;
    out.reset(new OpenFolder(std::move(fd), FolderId{st.st_dev, st.st_ino}));
    return 0;
}

int OpenFolder::list(FolderListing& listing) const {
    // The listing reads through a descriptor of its own, so that this one stays at hand for
    // the files and folders in it.
    const int copy = ::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return errno;
    const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(copy));
    if (!dir) {
        const int err = errno;
        ::close(copy);
        return err;
    }
    ::rewinddir(dir.get());
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir.get());
        if (!e) {
            if (errno != 0) return errno;
            break;
        }
        const std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        unsigned char type = e->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            // Only links and file systems that do not say cost a look at the entry itself; a
            // link that leads nowhere is neither file nor folder.
            struct stat st {};
            if (::fstatat(fd_.get(), e->d_name, &st, 0) != 0) continue;
            type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_UNKNOWN;
        }
        if (type == DT_REG) listing.files.push_back(listing.keep(name));
        if (type == DT_DIR) listing.folders.push_back(listing.keep(name));
    }
    listing.index_.reserve(listing.files.size());
    for (const std::string_view f : listing.files)
        listing.index_.insert(f);
    return 0;
}

bool folderVanished(int error) {
    // ESTALE: a folder removed on the file server while this client still held it.
    return error == ENOENT || error == ENOTDIR || error == ESTALE;
}

}  // namespace parlaro
