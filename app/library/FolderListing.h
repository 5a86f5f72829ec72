// A folder as one directory listing gives it: its files, its subfolders in the order the file
// system lists them, and every name in it. Searching reads each folder once this way; nothing
// is looked up file by file.
#pragma once

#include <dirent.h>
#include <sys/types.h>

#include <QString>

#include <compare>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parlaro {

// Tells folders apart however they were reached (symbolic links, bind mounts).
struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
    auto operator<=>(const FolderId&) const = default;
};

struct FolderListing {
    std::vector<std::string> files;    // regular files and links to them, as listed
    std::vector<std::string> folders;  // subfolders and links to them, as listed
    std::vector<std::string> names;    // every entry, sorted by byte value

    bool has(std::string_view name) const;
};

class OpenFolder {
  public:
    // Throws AppError: 76 "Path not found" when there is no such folder.
    explicit OpenFolder(const QString& path);

    FolderId id() const { return id_; }
    // Reads the listing once; throws AppError when the file system cannot deliver it.
    FolderListing list();

  private:
    struct Closer {
        void operator()(DIR* d) const { ::closedir(d); }
    };
    std::unique_ptr<DIR, Closer> dir_;
    FolderId id_;
};

}  // namespace parlaro
