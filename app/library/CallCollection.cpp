#include "app/library/CallCollection.h"

#include "app/support/AppError.h"

#include <algorithm>

namespace parlaro {

CallRecord& CallCollection::Add(int32_t iCall, const QString& LoginName, const QString& CallDate,
                                const QString& CallTime, int32_t CallDuration,
                                const QString& CallNote, const QString& RecordingLocation,
                                int Before, QString& Key) {
    const auto date = callDateFromText(CallDate);
    const auto time = callTimeFromText(CallTime);
    if (!date || !time) throw AppError(13, "Type mismatch");
    Key = "#" + Key + "#";
    const bool used = std::any_of(items_.begin(), items_.end(), [&](const auto& item) {
        return item.first.compare(Key, Qt::CaseInsensitive) == 0;
    });
    if (used) {
        throw AppError(errors::kKeyInUse,
                       "This key is already associated with an element of this collection");
    }
    auto call = std::make_unique<CallRecord>(
        CallRecord{iCall, LoginName, *date, *time, CallDuration, CallNote, RecordingLocation});
    CallRecord& added = *call;
    if (Before == -1) {
        items_.emplace_back(Key, std::move(call));
    } else {
        if (Before < 1 || Before > Count()) {
            throw AppError(errors::kInvalidArgument, "Invalid procedure call or argument");
        }
        items_.emplace(items_.begin() + (Before - 1), Key, std::move(call));
    }
    return added;
}

std::size_t CallCollection::indexOf(int position) const {
    if (position < 1 || position > Count()) {
        throw AppError(errors::kSubscriptOutOfRange, "Subscript out of range");
    }
    return static_cast<std::size_t>(position - 1);
}

std::size_t CallCollection::indexOf(const QString& key) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].first.compare(key, Qt::CaseInsensitive) == 0) return i;
    }
    throw AppError(errors::kInvalidArgument, "Invalid procedure call or argument");
}

CallRecord& CallCollection::Item(int position) {
    return *items_[indexOf(position)].second;
}
CallRecord& CallCollection::Item(const QString& key) {
    return *items_[indexOf(key)].second;
}

void CallCollection::Remove(int position) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(indexOf(position)));
}

void CallCollection::Remove(const QString& key) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(indexOf(key)));
}

QString CallCollection::maxKey() const {
    if (items_.empty()) return "0";
    return QString::number(std::max(items_.front().second->iCall, items_.back().second->iCall));
}

void EmptyCollection(std::unique_ptr<CallCollection>& calls) {
    if (!calls) return;
    for (int i = calls->Count(); i >= 1; --i)
        calls->Remove(i);
    calls.reset();
}

}  // namespace parlaro
