#include "core/calls/NoteReading.h"

#include "platform/posix/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>

namespace parlaro {

NoteFile::State readNoteInto(int folderFd, const char* name, char* buffer, int& value) {
    using State = NoteFile::State;
    // Not blocking: a pipe where a note should be must not stop a search.
    const aurx::posix::UniqueFd fd(
        ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) {
        value = errno;
        if (value == ENOENT || value == ENOTDIR) return State::Missing;
        if (value == EACCES || value == EPERM) return State::Denied;
        return State::Failed;
    }
    // One read: a regular file reads short only at its end, so a note shorter than the buffer
    // is whole, and nothing needs asking whether this is a file at all.
    ssize_t n;
    do {
        n = ::read(fd.get(), buffer, kLargestNote);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        value = errno;
        // A pipe someone holds open, with nothing in it now.
        return value == EAGAIN ? State::Missing : State::Failed;
    }
    // A full buffer: a huge note, read this far, or a device that never ends (no note).
    if (n == kLargestNote) {
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) {
            value = errno;
            return State::Failed;
        }
        if (!S_ISREG(st.st_mode)) return State::NotAFile;
    }
    value = static_cast<int>(n);
    return State::Text;
}

NoteFile readNoteAt(int folderFd, const char* name) {
    // The thread's own buffer: a note costs no more memory than it holds.
    thread_local std::array<char, kLargestNote> buffer;
    NoteFile note;
    int value = 0;
    note.state = readNoteInto(folderFd, name, buffer.data(), value);
    if (note.state == NoteFile::State::Text) {
        note.bytes = QByteArray(buffer.data(), value);
    } else if (note.state == NoteFile::State::Failed) {
        note.error = value;
    }
    return note;
}

QString noteForDisplay(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).replace("\r\n", " <CR> ");
}

unsigned localReadsInFlight() {
    return std::max(2u, std::thread::hardware_concurrency());
}

bool remoteFileSystem(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0) return true;
    // The file systems of disks and memory (linux/magic.h).
    static constexpr unsigned long kLocal[] = {
        0xEF53,      // ext2, ext3, ext4
        0x58465342,  // xfs
        0x9123683E,  // btrfs
        0x01021994,  // tmpfs
        0x858458F6,  // ramfs
        0xF2F52010,  // f2fs
        0x2FC12FC1,  // zfs
        0xCA451A4E,  // bcachefs
        0x794C7630,  // overlayfs
        0x4D44,      // vfat
        0x2011BAB0,  // exfat
        0x5346544E,  // ntfs
        0x7366746E,  // ntfs3
        0x3153464A,  // jfs
        0x52654973,  // reiserfs
        0x3434,      // nilfs
        0x9660,      // iso9660
        0x73717368,  // squashfs
        0x15013346,  // udf
    };
    const auto type = static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFul;
    return std::find(std::begin(kLocal), std::end(kLocal), type) == std::end(kLocal);
}

struct ReadsInFlight::Batch {
    std::function<void(std::size_t)> work;
    std::size_t count = 0;
    unsigned room = 0;  // threads of the pool that may be at work while it is served
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::mutex mutex;
    std::condition_variable finished;

    // Takes pieces until none is left to take.
    void drain() {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= count) return;
            work(i);
            if (done.fetch_add(1) + 1 == count) {
                const std::lock_guard lock(mutex);
                finished.notify_all();
            }
        }
    }
    bool taken() const { return next.load() >= count; }
};

ReadsInFlight::~ReadsInFlight() {
    for (;;) {
        std::shared_ptr<Batch> left;
        {
            const std::lock_guard lock(mutex_);
            if (queue_.empty()) break;
            left = queue_.front();
        }
        finish(left);
    }
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

std::shared_ptr<ReadsInFlight::Batch> ReadsInFlight::start(std::size_t count,
                                                           std::function<void(std::size_t)> work,
                                                           unsigned width) {
    auto batch = std::make_shared<Batch>();
    batch->work = std::move(work);
    batch->count = count;
    width = width == 0 ? width_ : std::min(width, width_);
    if (count <= 1 || width <= 1) {
        // Nothing to share: done here and now.
        batch->drain();
        return batch;
    }
    // The caller's thread is one of them, when it finishes the batch.
    batch->room = static_cast<unsigned>(std::min<std::size_t>(width, count) - 1);
    {
        const std::lock_guard lock(mutex_);
        // Threads are started as batches first need them, and then kept.
        while (threads_.size() < batch->room)
            threads_.emplace_back([this] { serve(); });
        queue_.push_back(batch);
    }
    for (unsigned i = 0; i < batch->room; ++i)
        wake_.notify_one();
    return batch;
}

void ReadsInFlight::finish(const std::shared_ptr<Batch>& batch) {
    batch->drain();
    std::unique_lock lock(batch->mutex);
    batch->finished.wait(lock, [&] { return batch->done.load() == batch->count; });
    lock.unlock();
    const std::lock_guard own(mutex_);
    std::erase(queue_, batch);
}

void ReadsInFlight::serve() {
    for (;;) {
        std::shared_ptr<Batch> batch;
        {
            std::unique_lock lock(mutex_);
            for (;;) {
                if (ending_) return;
                // Batches whose work has all been taken are no one's to serve any more; the
                // oldest with work and room for a helper is served first.
                while (!queue_.empty() && queue_.front()->taken())
                    queue_.pop_front();
                for (const auto& b : queue_) {
                    if (!b->taken() && helping_ < b->room) {
                        batch = b;
                        break;
                    }
                }
                if (batch) break;
                wake_.wait(lock);
            }
            ++helping_;
        }
        batch->drain();
        const std::lock_guard lock(mutex_);
        --helping_;
    }
}

}  // namespace parlaro
