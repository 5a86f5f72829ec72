// Changing a file so that a failure at any point leaves either its old or its new content on
// disk: the new content is built in a temporary file beside it (the same file system), flushed,
// and put in place with one rename.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/riff/RiffFile.h"

namespace aurx::store {

// Builds the new content with `build` into a fresh file beside the regular file that `path`
// leads to (following symbolic links) and replaces that file with it. False, with the file
// untouched and no temporary file left, when anything fails or the path does not lead to a
// regular file.
bool replaceFile(const std::string& path, const std::function<bool(riff::File& out)>& build);

// Copies `length` bytes of `in` from `from` to `out` at `to`, in pieces of 64 KiB.
bool copyRange(riff::File& in, std::uint64_t from, riff::File& out, std::uint64_t to,
               std::uint64_t length);

// The folder of a path ("." when it has none).
std::string directoryOf(const std::string& path);

}  // namespace aurx::store
