// A folder as one directory listing gives it: its files, its subfolders in the order the file
// system lists them, and every name in it. Searching reads each folder once this way; nothing
// is looked up file by file. Folders and the files in them are opened relative to the open
// folder, never by a path walked again from the top: on a calls folder behind a file server
// each step of a path is a round trip, and a path longer than the system's limit still works.
#pragma once

#include "platform/posix/UniqueFd.h"

#include <sys/types.h>

#include <compare>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace parlaro {

// Tells folders apart however they were reached (symbolic links, bind mounts).
struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
    auto operator<=>(const FolderId&) const = default;
};

// The names are kept in blocks of their own, not a string each: a folder of calls is thousands
// of names.
struct FolderListing {
    FolderListing() = default;
    // The names stay where they are when the listing is moved; a copy would point into these.
    FolderListing(FolderListing&&) = default;
    FolderListing& operator=(FolderListing&&) = default;
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    std::vector<std::string_view> files;    // regular files and links to them, as listed
    std::vector<std::string_view> folders;  // subfolders and links to them, as listed

    // Whether `name` is one of the files.
    bool has(std::string_view name) const { return index_.contains(name); }

  private:
    friend class OpenFolder;
    std::string_view keep(std::string_view name);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t left_ = 0;                        // free bytes at the end of the last block
    std::unordered_set<std::string_view> index_;  // of files, once they are all listed
};

// An open folder; shared by the folders below it while they wait to be opened from it.
class OpenFolder {
  public:
    // Opens `path`, or when `parent` is given the entry `name` of that folder (links
    // followed). 0 and the folder in `out`, or the errno of the failure.
    static int open(const std::string& path, const OpenFolder* parent, const std::string& name,
                    std::shared_ptr<OpenFolder>& out);

    int fd() const { return fd_.get(); }
    FolderId id() const { return id_; }
    // Reads the listing once: 0, or the errno of the failure.
    int list(FolderListing& out) const;

  private:
    OpenFolder(aurx::posix::UniqueFd fd, FolderId id) : fd_(std::move(fd)), id_(id) {}

    aurx::posix::UniqueFd fd_;
    FolderId id_;
};

// A folder the file system no longer has (removed, or replaced by a file, while a search ran).
bool folderVanished(int error);

}  // namespace parlaro
