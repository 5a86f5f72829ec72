#include "app/library/model/FiledCalls.h"

#include "core/calls/CallName.h"

#include <QDir>

#include <algorithm>

namespace parlaro {

QSet<QString> FiledCalls::read(const QString& folder) const {
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::NoDotAndDotDot);
    return QSet<QString>(names.begin(), names.end());
}

void FiledCalls::snapshot(const QString& folder) {
    folder_ = folder;
    seen_ = read(folder);
}

std::vector<CallRecord> FiledCalls::arrived(const QString& folder) {
    const QSet<QString> now = read(folder);
    std::vector<CallRecord> calls;
    if (folder == folder_) {
        for (const QString& name : now) {
            if (seen_.contains(name)) continue;
            std::optional<CallRecord> call = CallFromCommonName(name);
            if (!call) continue;
            call->RecordingLocation = folder + name;
            calls.push_back(std::move(*call));
        }
    }
    std::sort(calls.begin(), calls.end(), [](const CallRecord& a, const CallRecord& b) {
        return std::tie(a.CallDate, a.CallTime, a.RecordingLocation) <
               std::tie(b.CallDate, b.CallTime, b.RecordingLocation);
    });
    folder_ = folder;
    seen_ = now;
    return calls;
}

}  // namespace parlaro
