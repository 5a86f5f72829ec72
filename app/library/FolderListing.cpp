#include "app/library/FolderListing.h"

#include "app/common/AppError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include <algorithm>
#include <cerrno>

namespace parlaro {

bool FolderListing::has(std::string_view name) const {
    return std::binary_search(names.begin(), names.end(), name);
}

OpenFolder::OpenFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            throw AppError(errors::kPathNotFound, "Path not found");
        throw errorFromErrno(err);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !(dir_ = std::unique_ptr<DIR, Closer>(::fdopendir(fd)))) {
        const int err = errno;
        ::close(fd);
        throw errorFromErrno(err);
    }
    id_ = {st.st_dev, st.st_ino};
}

FolderListing OpenFolder::list() {
    FolderListing listing;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir_.get());
        if (!e) {
            if (errno != 0) throw errorFromErrno(errno);
            break;
        }
        const std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        listing.names.emplace_back(name);
        unsigned char type = e->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            // Only links and file systems that do not say cost a look at the entry itself; a
            // link that leads nowhere is neither file nor folder.
            struct stat st {};
            if (::fstatat(::dirfd(dir_.get()), e->d_name, &st, 0) != 0) continue;
            type = S_ISREG(st.st_mode) ? DT_REG : S_ISDIR(st.st_mode) ? DT_DIR : DT_UNKNOWN;
        }
        if (type == DT_REG) listing.files.emplace_back(name);
        if (type == DT_DIR) listing.folders.emplace_back(name);
    }
    std::sort(listing.names.begin(), listing.names.end());
    return listing;
}

}  // namespace parlaro
