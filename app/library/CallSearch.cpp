#include "app/library/CallSearch.h"

#include "app/common/AppError.h"
#include "app/common/CallName.h"
#include "app/library/CallFiles.h"
#include "app/library/NoteSearch.h"
#include "app/recording/StatusDisplay.h"
#include "platform/posix/UniqueFd.h"

#include <fcntl.h>

#include <QFile>

#include <algorithm>
#include <set>

namespace parlaro {

namespace {

QString withSlash(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + "/";
}

// A name as text; nothing for one that is not UTF-8, which no path we build could reach.
std::optional<QString> nameText(const std::string& bytes) {
    QString text = QString::fromUtf8(bytes);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii && text.toUtf8() != QByteArrayView(bytes)) return std::nullopt;
    return text;
}

// Ascending by name as a folder listing sorts, capitals and small letters alike.
bool nameBefore(const std::string& a, const std::string& b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(lower(a[i]));
        const auto y = static_cast<unsigned char>(lower(b[i]));
        if (x != y) return x < y;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

Message largeFolderQuestion(std::size_t count) {
    return {kProductName,
            "Query returned " + QString::number(count) +
                " calls.  This may take some time to display.\r\n"
                "Click OK to continue or Cancel to refine your search",
            Icon::None, Buttons::OkCancel};
}

// The note as getCallNote reads it, when one open and one read are enough, as they are for
// nearly every note; nothing for anything unusual, which getCallNote then handles and reports.
std::optional<QString> quickNote(const QString& recordingPath) {
    // Not blocking: a pipe where a note should be must not stop the search.
    const aurx::posix::UniqueFd fd(::open(QFile::encodeName(NotePath(recordingPath)).constData(),
                                          O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) return std::nullopt;
    char buffer[16384];
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    // A regular file reads short only at its end.
    if (n < 0 || static_cast<std::size_t>(n) == sizeof buffer) return std::nullopt;
    return QString::fromUtf8(buffer, n).replace("\r\n", " <CR> ");
}

std::string noteName(std::string name) {
    for (std::size_t at = 0; (at = name.find(".wav", at)) != std::string::npos; at += 4)
        name.replace(at, 4, ".txt");
    return name;
}

// Thrown when the observer asks the search to stop; FindCalls ends quietly.
struct SearchStopped {};

// How many calls are read between two signs of life.
constexpr std::size_t kCallsPerHeartbeat = 256;

}  // namespace

void CallSearch::working(const QString& folder) const {
    if (!observer_) return;
    if (observer_->stopRequested()) throw SearchStopped{};
    observer_->working(folder);
}

CallSearch::Prepared CallSearch::prepare(const SearchCriteria& criteria) const {
    SearchCriteria c = criteria;
    // Whoever may play only their own calls may list only those.
    if (scope_.CanPlay && scope_.PlayOwnOnly) c.User = scope_.userName;
    const bool noteCondition = !c.Note.isEmpty() && c.Note != "*";
    FilePattern pattern(BuildFilePattern(c));
    DayRange days(c);
    return {std::move(c), std::move(pattern), days, noteCondition};
}

int CallSearch::FindCalls(const SearchCriteria& criteria) {
    calls_.clear();
    failed_ = false;
    try {
        if (scope_.subfolders) {
            SearchFolderTree(scope_.SearchPath, criteria);
        } else {
            SearchFolder(scope_.SearchPath, criteria);
        }
    } catch (const SearchStopped&) {
        // Whoever stopped it has what was found.
    } catch (const std::exception& e) {
        failed_ = true;
        prompter_.show({kProductName,
                        "An error occured in: frmMain:FindCalls. The error reported was: " +
                            QString::number(errorNumber(e)) + ", " + errorDescription(e),
                        Icon::Exclamation, Buttons::Ok});
    }
    return static_cast<int>(calls_.size());
}

void CallSearch::SearchFolder(const QString& folder, const SearchCriteria& criteria) {
    const Prepared p = prepare(criteria);
    const QString path = withSlash(folder);
    working(path);
    searchListing(path, OpenFolder(path).list(), p);
}

void CallSearch::SearchFolderTree(const QString& folder, const SearchCriteria& criteria) {
    const Prepared p = prepare(criteria);
    std::set<FolderId> visited;
    // Depth first without recursion, so no depth of folders can exhaust the stack.
    std::vector<QString> pending{withSlash(folder)};
    while (!pending.empty()) {
        const QString path = std::move(pending.back());
        pending.pop_back();
        working(path);
        OpenFolder open(path);
        if (!visited.insert(open.id()).second) continue;
        const FolderListing listing = open.list();
        searchListing(path, listing, p);
        for (auto it = listing.folders.rbegin(); it != listing.folders.rend(); ++it) {
            if (const auto name = nameText(*it)) pending.push_back(path + *name + "/");
        }
    }
}

void CallSearch::searchListing(const QString& folder, const FolderListing& listing,
                               const Prepared& p) {
    struct Match {
        QString name;
        const std::string* bytes;
    };
    std::vector<Match> matches;
    for (const std::string& bytes : listing.files) {
        auto name = nameText(bytes);
        if (name && p.pattern.matches(*name)) matches.push_back({std::move(*name), &bytes});
    }
    if (matches.empty()) return;
    if (matches.size() > kLargeFolderCalls && scope_.askAboutLargeFolders &&
        prompter_.show(largeFolderQuestion(matches.size())) == Answer::Cancel) {
        return;
    }
    std::sort(matches.begin(), matches.end(),
              [](const Match& a, const Match& b) { return nameBefore(*a.bytes, *b.bytes); });
    const std::size_t first = calls_.size();
    std::size_t read = 0;
    // Last name first: the newest call of the folder heads its part of the list.
    for (auto it = matches.rbegin(); it != matches.rend(); ++it) {
        if (++read % kCallsPerHeartbeat == 0) working(folder);
        if (auto call = readCall(folder, it->name, *it->bytes, listing, p)) {
            call->iCall = static_cast<int32_t>(calls_.size()) + 1;
            calls_.push_back(std::move(*call));
        }
    }
    if (observer_ && calls_.size() > first)
        observer_->found(std::span<const CallRecord>(calls_).subspan(first));
}

std::optional<CallRecord> CallSearch::readCall(const QString& folder, const QString& name,
                                               const std::string& nameBytes,
                                               const FolderListing& listing, const Prepared& p) {
    std::optional<CallRecord> call = CallFromCommonName(name);
    const bool common = call.has_value();
    if (!common) {
        const auto fields = CallFromFileName(folder, name, prompter_);
        if (!fields) return std::nullopt;
        const auto date = callDateFromText(fields->CallDate);
        const auto time = callTimeFromText(fields->CallTime);
        if (!date || !time) return std::nullopt;
        call = CallRecord{0,
                          fields->LoginName,
                          *date,
                          *time,
                          fields->CallDuration,
                          fields->CallNote,
                          fields->RecordingLocation};
    }
    call->RecordingLocation = folder + name;
    // The checks that need no file come first; the note is opened only for a call they keep,
    // and only when the listing shows one: most calls have none.
    if (!p.days.contains(call->CallDate)) return std::nullopt;
    if (!LengthAccepted(p.criteria, call->CallDuration)) return std::nullopt;
    const bool hasNote = listing.has(noteName(nameBytes));
    if (p.noteCondition &&
        (!hasNote || !FindStringInFile(p.criteria.Note, call->RecordingLocation, prompter_)))
        return std::nullopt;
    if (common && hasNote) {
        auto note = quickNote(call->RecordingLocation);
        call->CallNote = note ? std::move(*note) : getCallNote(call->RecordingLocation, prompter_);
    }
    return call;
}

}  // namespace parlaro
