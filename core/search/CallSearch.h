// The call search behind every filling of the call list and behind parlaro-find: the calls of
// a folder (and, when asked, of every folder below it) whose file names match the criteria,
// newest first within each folder, read from their names and notes. No widgets: the window
// shows calls() in one step, the command line prints them.
//
// Folders are walked through open descriptors and notes read relative to their folder, with
// several reads in flight (NoteReading.h): on a calls folder behind a file server a search
// costs about what its round trips cost when they overlap, not their sum.
#pragma once

#include "core/calls/CallRecord.h"
#include "core/calls/NoteReading.h"
#include "core/search/FilePattern.h"
#include "core/search/FolderListing.h"
#include "core/search/NoteSearch.h"
#include "core/search/SearchCriteria.h"
#include "services/prompts/Prompter.h"

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <utility>
#include <vector>

namespace parlaro {

// Lets whoever runs a search on another thread see it move, take its results folder by folder
// and stop it.
class SearchObserver {
  public:
    virtual ~SearchObserver() = default;
    // Before a folder is opened, and again now and then while its calls are read.
    virtual void working(const QString& folder) = 0;
    // The calls a folder added, in list order.
    virtual void found(std::span<const CallRecord> calls) = 0;
    // Checked between folders and calls; the search then ends quietly with what it has.
    virtual bool stopRequested() const = 0;
};

// What a search takes from the settings and the session.
struct SearchScope {
    QString SearchPath;
    QByteArray searchPathBytes;  // when given, SearchPath as the file system spells it
    bool subfolders = false;     // the "subfolders" setting is -1
    bool CanPlay = true;
    bool PlayOwnOnly = false;
    QString userName;  // the current user
    // The question before listing a folder with more than 200 matching calls; a command line
    // asks nobody.
    bool askAboutLargeFolders = true;
    // Every listed call's note is read (the command line prints them all); otherwise only
    // those a note search needs, and the rest are left for later (CallRecord::noteDeferred):
    // the window reads the notes of the rows it shows.
    bool readEveryNote = true;
    // Folders that could not be read are told to the user in one message at the end; a
    // command line names them itself (CallSearch::skipped).
    bool tellSkippedFolders = true;
};

// Folders with more matching calls than this ask before they are listed.
constexpr std::size_t kLargeFolderCalls = 200;

// A folder below the search path that was there but could not be read; its calls are not
// listed.
struct SkippedFolder {
    QString path;          // as text, ending with "/"
    QByteArray pathBytes;  // as the file system spells it
    int number = 0;        // the error, as the program numbers them (70 Permission denied)
    QString reason;
};

// "The folder /calls/locked/ could not be read (70, Permission denied)".
QString skippedFolderText(const SkippedFolder& folder);

class CallSearch {
  public:
    CallSearch(SearchScope scope, Prompter& prompter);
    ~CallSearch();

    // Forgets the last results and searches SearchPath (and below it with subfolders on);
    // returns the number of calls found. A search path that is not there, or an error that
    // is not a folder's, ends the search: it is told to the user, failed() is true and what
    // was found stays. A folder below it that vanished while the search ran is passed over
    // silently, one that cannot be read is passed over too, remembered in skipped() (and
    // told, see SearchScope); either way failed() is true at the end, as calls may be
    // missing (a folder renamed after the folder above it was read is found under neither
    // name).
    int FindCalls(const SearchCriteria& criteria);

    // In list order; iCall runs 1, 2, 3 ... and the key of call n is "#n#".
    const std::vector<CallRecord>& calls() const { return calls_; }
    std::vector<CallRecord> takeCalls() { return std::exchange(calls_, {}); }
    bool failed() const { return failed_ || vanished_ || !skipped_.empty(); }
    const std::vector<SkippedFolder>& skipped() const { return skipped_; }
    void setObserver(SearchObserver* observer) { observer_ = observer; }

  private:
    struct Prepared {
        SearchCriteria criteria;
        FilePattern pattern;
        DayRange days;
        bool noteCondition;
        std::shared_ptr<const NoteWords> words;  // shared with the reads in flight
    };
    // A folder waiting its turn: an entry of an open folder, or the search path itself.
    struct Pending {
        std::shared_ptr<OpenFolder> parent;  // none: open `path` itself
        std::string name;
        std::string path;  // as the file system spells it, ending with "/"
        bool top = false;  // the search path
    };
    Prepared prepare(const SearchCriteria& criteria) const;
    // The matching calls of the folder `top` and then of each folder below it, depth first in
    // the order the file system lists them; a folder reached again (through a link) is
    // skipped.
    void searchTree(const std::string& top, const SearchCriteria& criteria);
    void working(const QString& folder) const;
    // Opens and lists one folder and adds its calls; the folders below it are added to
    // `below` when asked. The search path failing is thrown; any other folder is skipped.
    void searchOne(const Pending& folder, const Prepared& p, std::set<FolderId>* visited,
                   std::vector<Pending>* pending);
    // Chooses the folder's calls and starts reading their notes; the folder then waits its
    // turn in inProgress_.
    void searchListing(const std::string& folderBytes, const std::shared_ptr<OpenFolder>& folder,
                       FolderListing listing, const Prepared& p);
    // The oldest folder in progress: its notes read, its calls added to the list.
    void finishOldest(const Prepared& p);
    void skip(const std::string& folderBytes, int error);
    // 16 on a file system across a network, as many as there are processors on a disk.
    unsigned readsInFlight(const OpenFolder& folder);

    SearchScope scope_;
    Prompter& prompter_;
    std::vector<CallRecord> calls_;
    std::vector<SkippedFolder> skipped_;
    bool failed_ = false;
    bool vanished_ = false;  // a folder went while the search ran: calls may have gone with it
    SearchObserver* observer_ = nullptr;
    std::unique_ptr<ReadsInFlight> reads_;
    struct FolderInProgress;
    std::deque<std::unique_ptr<FolderInProgress>> inProgress_;
    // Open folders that folders waiting their turn keep open, to be opened from; beyond a
    // bound the waiting ones are opened by their path instead.
    std::size_t heldFolders_ = 0;
    std::map<dev_t, bool> remoteDevices_;  // whether a file system crosses a network
};

}  // namespace parlaro
