// Reading call notes: each note opened once, relative to the folder it is in, read in one go
// and kept for both the search and the list; and many such reads in flight at once, because on
// a calls folder behind a file server every open and every read waits a round trip, and
// round trips taken one after another are what a search would otherwise spend its time on.
#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace parlaro {

// A note is a few lines; a huge or stray file in its place is read only this far.
constexpr qsizetype kLargestNote = 64 * 1024;

struct NoteFile {
    enum class State {
        Missing,   // no note file (or a pipe with nothing in it)
        Text,      // bytes holds the note's start
        Denied,    // the user may not read it
        NotAFile,  // a device or the like in the note's place: no note
        Failed,    // error holds the errno
    };
    State state = State::Missing;
    int error = 0;
    QByteArray bytes;
};

// The note file `name` in the open folder `folderFd` (AT_FDCWD: `name` is a path). Never waits
// on a pipe or device that carries a note's name.
NoteFile readNoteAt(int folderFd, const char* name);

// The same into `buffer` (kLargestNote bytes): the state, with the errno or the number of
// bytes read in `value`.
NoteFile::State readNoteInto(int folderFd, const char* name, char* buffer, int& value);

// The note as the list shows it: its line breaks (CR LF) as " <CR> ".
QString noteForDisplay(const QByteArray& bytes);

// How many reads a search keeps in flight on a file system across a network, where each waits
// a round trip; on a local one a read waits for nothing, and as many run at once as there are
// processors (localReadsInFlight).
constexpr unsigned kReadsInFlight = 16;
unsigned localReadsInFlight();

// Whether the file system of the open folder `fd` is one whose requests cross a network (or
// go to a program of its own, as FUSE's): anything but the disk and memory file systems.
bool remoteFileSystem(int fd);

// Runs pieces of work, each mostly waiting on the file system, up to `width` at a time on a
// few threads of its own (started at the first batch that needs them) and the caller's.
// Batches are taken in the order they were started, so a caller can start the reads of one
// folder, go on to list the next, and take the first folder's results when it needs them.
class ReadsInFlight {
  public:
    struct Batch;

    explicit ReadsInFlight(unsigned width = kReadsInFlight) : width_(width) {}
    ReadsInFlight(const ReadsInFlight&) = delete;
    ReadsInFlight& operator=(const ReadsInFlight&) = delete;
    // Waits for every batch started.
    ~ReadsInFlight();

    // Starts work(0) … work(count − 1), in any order and up to `width` (at most the pool's) at
    // once; each writes its result to a place of its own, so the caller takes the results in
    // its own order. `work` must not throw.
    std::shared_ptr<Batch> start(std::size_t count, std::function<void(std::size_t)> work,
                                 unsigned width = 0);
    // Helps with the batch and returns when all of its work has ended.
    void finish(const std::shared_ptr<Batch>& batch);
    // start and finish.
    void run(std::size_t count, std::function<void(std::size_t)> work, unsigned width = 0) {
        finish(start(count, std::move(work), width));
    }

  private:
    void serve();

    unsigned width_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Batch>> queue_;  // batches with work not yet taken
    unsigned helping_ = 0;                      // threads of the pool at work
    bool ending_ = false;
};

}  // namespace parlaro
