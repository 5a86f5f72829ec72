#include "recorder/store/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "recorder/store/FileOpener.h"

namespace aurx::store {
namespace {

constexpr std::size_t kPiece = 65536;

// The rename itself reaches the disk only with its folder.
void syncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool copyRange(riff::File& in, std::uint64_t from, riff::File& out, std::uint64_t to,
               std::uint64_t length) {
    std::vector<std::uint8_t> piece(
        static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length)));
    for (std::uint64_t done = 0; done < length;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, length - done));
        if (in.readAt(from + done, piece.data(), want) != want) return false;
        if (!out.seek(to + done) || !out.writeExact(piece.data(), want)) return false;
        done += want;
    }
    return true;
}

bool replaceFile(const std::string& path, const std::function<bool(riff::File& out)>& build) {
    // The file the path leads to is the one replaced: a symbolic link stays a link to it.
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    if (!resolved) return false;
    const std::string target = resolved.get();
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const std::string dir = directoryOf(target);
    const std::string temporary = makeUniqueFile(dir);
    if (temporary.empty()) return false;
    // The new file keeps the old one's permissions.
    ::chmod(temporary.c_str(), st.st_mode & 07777);
    bool ok = false;
    if (auto out = riff::File::open(temporary, riff::Mode::Create)) {
        ok = build(*out) && out->flush();
        out->close();
    }
    ok = ok && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncDirectory(dir);
    return true;
}

}  // namespace aurx::store
