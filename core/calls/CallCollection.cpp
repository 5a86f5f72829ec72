#include "core/calls/CallCollection.h"

#include "core/support/AppError.h"

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
    const QString folded = Key.toLower();
    if (byKey_.contains(folded)) {
        throw AppError(errors::kKeyInUse,
                       "This key is already associated with an element of this collection");
    }
    auto call = std::make_unique<CallRecord>();
    call->iCall = iCall;
    call->LoginName = LoginName;
    call->CallDate = *date;
    call->CallTime = *time;
    call->CallDuration = CallDuration;
    call->CallNote = CallNote;
    call->RecordingLocation = RecordingLocation;
    CallRecord& added = *call;
    if (Before == -1) {
        items_.emplace_back(Key, std::move(call));
    } else {
        if (Before < 1 || Before > Count()) {
            throw AppError(errors::kInvalidArgument, "Invalid procedure call or argument");
        }
        items_.emplace(items_.begin() + (Before - 1), Key, std::move(call));
    }
    byKey_.insert(folded, &added);
    return added;
}

CallRecord& CallCollection::adopt(CallRecord call) {
    const QString key = "#" + QString::number(call.iCall) + "#";
    if (byKey_.contains(key)) {
        throw AppError(errors::kKeyInUse,
                       "This key is already associated with an element of this collection");
    }
    auto owned = std::make_unique<CallRecord>(std::move(call));
    CallRecord& added = *owned;
    items_.emplace_back(key, std::move(owned));
    byKey_.insert(key, &added);
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
    const auto it = byKey_.constFind(key.toLower());
    if (it == byKey_.constEnd())
        throw AppError(errors::kInvalidArgument, "Invalid procedure call or argument");
    return **it;
}

void CallCollection::Remove(int position) {
    const std::size_t i = indexOf(position);
    byKey_.remove(items_[i].first.toLower());
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

void CallCollection::Remove(const QString& key) {
    const std::size_t i = indexOf(key);
    byKey_.remove(items_[i].first.toLower());
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

QString CallCollection::maxKey() const {
    if (items_.empty()) return "0";
    return QString::number(std::max(items_.front().second->iCall, items_.back().second->iCall));
}

void EmptyCollection(std::unique_ptr<CallCollection>& calls) {
    calls.reset();
}

}  // namespace parlaro
