// Runs a call search on a thread of its own while the caller's event loop goes on, so that a
// folder that is slow or stops answering (a network share, a sleeping disk) never freezes the
// window. The questions the search asks are put to the caller's prompter on the caller's
// thread. A search that shows no sign of life for a while is given up: the calls it found until
// then are kept and the folder it hangs in is named. The thread is left to end by itself, so
// nothing ever waits for a file system that does not answer.
#pragma once

#include "core/calls/CallRecord.h"
#include "core/search/CallSearch.h"
#include "services/prompts/Prompter.h"

#include <chrono>
#include <functional>
#include <vector>

namespace parlaro {

struct SearchOutcome {
    std::vector<CallRecord> calls;  // in list order
    bool gaveUp = false;            // the search stopped answering, or the program is ending
    QString hangsIn;                // the folder it was in when given up
};

// Runs on the search's thread; it must take nothing from the caller but copies.
using SearchWork = std::function<void(SearchObserver& observer, Prompter& prompter)>;

// How long a search may show no sign of life before it is given up.
constexpr std::chrono::milliseconds kSearchStallLimit{5000};

// Returns when the work has ended, when it has shown no sign of life for stallLimit (time spent
// on a question does not count), or when the caller's event loop is told to end.
SearchOutcome runInBackground(SearchWork work, Prompter& prompter,
                              std::chrono::milliseconds stallLimit = kSearchStallLimit);

// Convenience for the window: CallSearch::FindCalls with these criteria in the background.
SearchOutcome findCallsInBackground(const SearchScope& scope, const SearchCriteria& criteria,
                                    Prompter& prompter,
                                    std::chrono::milliseconds stallLimit = kSearchStallLimit);

}  // namespace parlaro
