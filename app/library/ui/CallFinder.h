// The searches that fill the call list: today's calls at start-up, all calls of the folder
// shown, and the Find dialog's. The search itself is the library's CallSearch, shared with
// parlaro-find, run beside the window so that it goes on meanwhile.
#pragma once

#include "app/library/model/FiledCalls.h"
#include "app/library/ui/LibraryContext.h"
#include "core/search/SearchCriteria.h"

#include <functional>

namespace parlaro {

class CallListPane;
class FindCallDialog;
class FolderPane;

class CallFinder {
  public:
    // `filed` learns what the folder held when the search began; `searched` runs once the list
    // shows what a search found; `ending` tells whether the window is ending.
    CallFinder(LibraryContext context, CallListPane& list, FolderPane& folders, FiledCalls& filed,
               std::function<void()> searched, std::function<bool()> ending);

    // The number of calls listed. A second search asked for while one runs waits for the list
    // the first fills.
    int FindCalls(const SearchCriteria& criteria);
    void ShowTodaysCalls();
    void onShowAllCalls();
    void onFind();
    bool searching() const { return searching_; }
    FindCallDialog* dialog() const { return dialog_; }

  private:
    LibraryContext context_;
    CallListPane& list_;
    FolderPane& folders_;
    FiledCalls& filed_;
    std::function<void()> searched_;
    std::function<bool()> ending_;
    FindCallDialog* dialog_ = nullptr;
    bool searching_ = false;
};

}  // namespace parlaro
