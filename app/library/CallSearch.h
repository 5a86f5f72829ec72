// The call search behind every filling of the call list and behind parlaro-find: the calls of
// a folder (and, when asked, of every folder below it) whose file names match the criteria,
// newest first within each folder, read from their names and notes. No widgets: the window
// shows calls() in one step, the command line prints them.
#pragma once

#include "app/common/CallRecord.h"
#include "app/common/Prompter.h"
#include "app/library/FilePattern.h"
#include "app/library/FolderListing.h"
#include "app/library/SearchCriteria.h"

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
    bool subfolders = false;  // the "subfolders" setting is -1
    bool CanPlay = true;
    bool PlayOwnOnly = false;
    QString userName;  // the current user
    // The question before listing a folder with more than 200 matching calls; a command line
    // asks nobody.
    bool askAboutLargeFolders = true;
};

// Folders with more matching calls than this ask before they are listed.
constexpr std::size_t kLargeFolderCalls = 200;

class CallSearch {
  public:
    CallSearch(SearchScope scope, Prompter& prompter)
        : scope_(std::move(scope)), prompter_(prompter) {}

    // Forgets the last results and searches SearchPath (and below it with subfolders on);
    // returns the number of calls found. An error ends the search: it is told to the user,
    // failed() is true and what was found stays.
    int FindCalls(const SearchCriteria& criteria);

    // Add the matching calls of one folder, or of the folder and then each folder below it
    // depth first in the order the file system lists them; a folder reached again (through a
    // link) is skipped. Errors are thrown as AppError; FindCalls reports them.
    void SearchFolder(const QString& folder, const SearchCriteria& criteria);
    void SearchFolderTree(const QString& folder, const SearchCriteria& criteria);

    // In list order; iCall runs 1, 2, 3 ... and the key of call n is "#n#".
    const std::vector<CallRecord>& calls() const { return calls_; }
    std::vector<CallRecord> takeCalls() { return std::exchange(calls_, {}); }
    bool failed() const { return failed_; }
    void setObserver(SearchObserver* observer) { observer_ = observer; }

  private:
    struct Prepared {
        SearchCriteria criteria;
        FilePattern pattern;
        DayRange days;
        bool noteCondition;
    };
    Prepared prepare(const SearchCriteria& criteria) const;
    // folder ends with "/".
    void working(const QString& folder) const;
    void searchListing(const QString& folder, const FolderListing& listing, const Prepared& p);
    std::optional<CallRecord> readCall(const QString& folder, const QString& name,
                                       const std::string& nameBytes, const FolderListing& listing,
                                       const Prepared& p);

    SearchScope scope_;
    Prompter& prompter_;
    std::vector<CallRecord> calls_;
    bool failed_ = false;
    SearchObserver* observer_ = nullptr;
};

}  // namespace parlaro
