// The keyed, ordered collection of call records behind the call list. Positions run from 1 to
// Count; keys are "#n#" and compare without regard to case.
#pragma once

#include "core/calls/CallRecord.h"

#include <QHash>

#include <memory>
#include <vector>

namespace parlaro {

class CallCollection {
  public:
    // Before -1 appends, any other value inserts before that position. Key is wrapped in "#"
    // and the caller's variable holds the wrapped key afterwards. Dates and times come as
    // text. Throws AppError for an unreadable date or time, a used key or a bad position.
    CallRecord& Add(int32_t iCall, const QString& LoginName, const QString& CallDate,
                    const QString& CallTime, int32_t CallDuration, const QString& CallNote,
                    const QString& RecordingLocation, int Before, QString& Key);

    // Appends a call made by a search, keyed "#" + its number + "#", without parsing dates
    // again: a search of 100 000 calls goes into the list in one step.
    CallRecord& adopt(CallRecord call);
    void reserve(int count) {
        items_.reserve(static_cast<std::size_t>(count));
        byKey_.reserve(count);
    }

    CallRecord& Item(int position);
    CallRecord& Item(const QString& key);
    int Count() const { return static_cast<int>(items_.size()); }
    void clear() {
        items_.clear();
        byKey_.clear();
    }
    void Remove(int position);
    void Remove(const QString& key);
    // The larger number of the first and the last call, "0" when empty.
    QString maxKey() const;

    // NewEnum: iteration in position order.
    class Iterator {
      public:
        using Inner = std::vector<std::pair<QString, std::unique_ptr<CallRecord>>>::const_iterator;
        explicit Iterator(Inner it) : it_(it) {}
        CallRecord& operator*() const { return *it_->second; }
        Iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const Iterator&) const = default;

      private:
        Inner it_;
    };
    Iterator begin() const { return Iterator(items_.begin()); }
    Iterator end() const { return Iterator(items_.end()); }

  private:
    std::size_t indexOf(int position) const;
    std::size_t indexOf(const QString& key) const;

    std::vector<std::pair<QString, std::unique_ptr<CallRecord>>> items_;
    // Keys (folded to lower case) to their records, so that filling a list of 100 000 calls
    // and finding a row's call do not scan the collection.
    QHash<QString, CallRecord*> byKey_;
};

// Releases the collection and its calls; no collection, nothing to do.
void EmptyCollection(std::unique_ptr<CallCollection>& calls);

}  // namespace parlaro
