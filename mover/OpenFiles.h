// Which files some process still has open for writing, found through /proc: the descriptors of
// every process we may look into (our own user's, or all as root) and their access flags.
#pragma once

#include <sys/types.h>

#include <compare>
#include <set>

namespace mover {

struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    auto operator<=>(const FileId&) const = default;
};

// Those of `among` that a process has open for writing.
std::set<FileId> openForWriting(const std::set<FileId>& among);

}  // namespace mover
