#include "core/search/CallSearch.h"

#include "core/calls/CallFiles.h"
#include "core/calls/CallName.h"
#include "core/search/NoteSearch.h"
#include "core/settings/Product.h"
#include "core/support/AppError.h"
#include "core/support/RuntimeErrors.h"

#include <QFile>

#include <algorithm>
#include <array>

namespace parlaro {

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool isUtf8(std::string_view bytes) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ||
           QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toUtf8() ==
               QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString textOf(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Ascending by name as a folder listing sorts, capitals and small letters alike.
bool nameBefore(std::string_view a, std::string_view b) {
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

// The search path could not be searched: the error, with the folder.
AppError folderError(int err, const std::string& folder) {
    const AppError e = folderVanished(err) ? AppError(errors::kPathNotFound, "Path not found")
                                           : errorFromErrno(err);
    return AppError(e.number(), e.description() + ": " + QFile::decodeName(folder.c_str()));
}

Message skippedMessage(const std::vector<SkippedFolder>& skipped) {
    QString text;
    if (skipped.size() == 1) {
        text = skippedFolderText(skipped.front()) + ". Its calls are not listed.";
    } else {
        text = "These folders could not be read, so their calls are not listed:";
        constexpr std::size_t kNamed = 10;
        for (std::size_t i = 0; i < std::min(skipped.size(), kNamed); ++i) {
            const SkippedFolder& f = skipped[i];
            text += "\r\n" + f.path + " (" + QString::number(f.number) + ", " + f.reason + ")";
        }
        if (skipped.size() > kNamed)
            text += "\r\nand " + QString::number(skipped.size() - kNamed) + " more";
    }
    return {kProductName, text, Icon::Exclamation, Buttons::Ok};
}

// Thrown when the observer asks the search to stop; FindCalls ends quietly.
struct SearchStopped {};

// How many calls are read between two signs of life (and the notes of as many read at once).
constexpr std::size_t kCallsPerHeartbeat = 256;

// Folders kept open for the folders below them to be opened from.
constexpr std::size_t kMostHeldFolders = 256;

// Folders whose notes may be read while the next folders are listed.
constexpr std::size_t kFoldersAhead = 4;

// A call a folder's names and the criteria that need no file keep, on its way to the list.
struct Candidate {
    CallRecord call;
    QString name;
    std::string_view nameBytes;  // in the folder's listing
    bool readNote = false;
    // What reading the note gave.
    NoteFile::State state = NoteFile::State::Missing;
    int error = 0;
    bool holdsWords = false;
    QString note;  // as the list shows it
};

// The note file of a recording's name: every ".wav" becomes ".txt".
void noteNameOf(std::string_view name, std::string& out) {
    out = name;
    for (std::size_t at = 0; (at = out.find(".wav", at)) != std::string::npos; at += 4)
        out.replace(at + 1, 3, "txt", 3);  // the same length: nothing moves
}

}  // namespace

// A folder whose calls are chosen and whose notes are being read; its calls join the list once
// they are, in the order the folders were searched. It waits for its reads before it goes,
// however the search ends.
struct CallSearch::FolderInProgress {
    ReadsInFlight& reads;
    QString folderText;
    std::string folderBytes;
    bool folderIsText = true;
    std::shared_ptr<OpenFolder> folder;
    FolderListing listing;  // the names the candidates point into
    std::vector<Candidate> candidates;
    std::vector<std::shared_ptr<ReadsInFlight::Batch>> batches;  // in the candidates' order

    explicit FolderInProgress(ReadsInFlight& r) : reads(r) {}
    FolderInProgress(const FolderInProgress&) = delete;
    FolderInProgress& operator=(const FolderInProgress&) = delete;
    ~FolderInProgress() {
        for (const auto& b : batches)
            reads.finish(b);
    }
};

QString skippedFolderText(const SkippedFolder& folder) {
    return "The folder " + folder.path + " could not be read (" + QString::number(folder.number) +
           ", " + folder.reason + ")";
}

CallSearch::CallSearch(SearchScope scope, Prompter& prompter)
    : scope_(std::move(scope)), prompter_(prompter) {}

CallSearch::~CallSearch() {
    inProgress_.clear();
}

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
    auto words = std::make_shared<const NoteWords>(c.Note);
    return {std::move(c), std::move(pattern), days, noteCondition, std::move(words)};
}

int CallSearch::FindCalls(const SearchCriteria& criteria) {
    calls_.clear();
    skipped_.clear();
    failed_ = false;
    vanished_ = false;
    heldFolders_ = 0;
    try {
        const std::string top = withSlash(scope_.searchPathBytes.isEmpty()
                                              ? QFile::encodeName(scope_.SearchPath).toStdString()
                                              : scope_.searchPathBytes.toStdString());
        if (scope_.subfolders) {
            searchTree(top, criteria);
        } else {
            const Prepared p = prepare(criteria);
            searchOne({nullptr, {}, top, true}, p, nullptr, nullptr);
            while (!inProgress_.empty())
                finishOldest(p);
        }
    } catch (const SearchStopped&) {
        // Whoever stopped it has what was found.
        inProgress_.clear();
        return static_cast<int>(calls_.size());
    } catch (const std::exception& e) {
        inProgress_.clear();
        failed_ = true;
        prompter_.show({kProductName,
                        "An error occured in: frmMain:FindCalls. The error reported was: " +
                            QString::number(errorNumber(e)) + ", " + errorDescription(e),
                        Icon::Exclamation, Buttons::Ok});
    }
    if (!skipped_.empty() && scope_.tellSkippedFolders) prompter_.show(skippedMessage(skipped_));
    return static_cast<int>(calls_.size());
}

void CallSearch::searchTree(const std::string& top, const SearchCriteria& criteria) {
    const Prepared p = prepare(criteria);
    std::set<FolderId> visited;
    // Depth first without recursion, so no depth of folders can exhaust the stack.
    std::vector<Pending> pending;
    pending.push_back({nullptr, {}, top, true});
    while (!pending.empty()) {
        const Pending next = std::move(pending.back());
        pending.pop_back();
        // The last folder waiting to be opened from its parent lets it go.
        if (next.parent && next.parent.use_count() == 1) --heldFolders_;
        searchOne(next, p, &visited, &pending);
    }
    while (!inProgress_.empty())
        finishOldest(p);
}

unsigned CallSearch::readsInFlight(const OpenFolder& folder) {
    // Asked once for each file system the search meets.
    const dev_t device = folder.id().device;
    auto it = remoteDevices_.find(device);
    if (it == remoteDevices_.end())
        it = remoteDevices_.emplace(device, remoteFileSystem(folder.fd())).first;
    return it->second ? kReadsInFlight : localReadsInFlight();
}

void CallSearch::skip(const std::string& folderBytes, int error) {
    const AppError e = errorFromErrno(error);
    skipped_.push_back({QFile::decodeName(folderBytes.c_str()),
                        QByteArray::fromStdString(folderBytes), e.number(), e.description()});
}

void CallSearch::searchOne(const Pending& f, const Prepared& p, std::set<FolderId>* visited,
                           std::vector<Pending>* pending) {
    working(QFile::decodeName(f.path.c_str()));
    std::shared_ptr<OpenFolder> folder;
    FolderListing listing;
    int err = OpenFolder::open(f.path, f.parent.get(), f.name, folder);
    if (err == 0 && visited && !visited->insert(folder->id()).second) return;
    if (err == 0) err = folder->list(listing);
    if (err != 0) {
        if (f.top) throw folderError(err, f.path);
        // Gone since its folder was listed: passed over without a word.
        if (folderVanished(err)) {
            vanished_ = true;
        } else {
            skip(f.path, err);
        }
        return;
    }
    // Copied: the listing goes with the folder's calls, or goes.
    const std::vector<std::string> below(listing.folders.begin(), listing.folders.end());
    searchListing(f.path, folder, std::move(listing), p);
    if (!pending || below.empty()) return;
    const bool hold = heldFolders_ < kMostHeldFolders;
    if (hold) ++heldFolders_;
    for (auto it = below.rbegin(); it != below.rend(); ++it)
        pending->push_back({hold ? folder : nullptr, *it, f.path + *it + "/", false});
}

void CallSearch::searchListing(const std::string& folderBytes,
                               const std::shared_ptr<OpenFolder>& folder, FolderListing listing,
                               const Prepared& p) {
    std::vector<Candidate> matches;
    std::string note;
    for (const std::string_view bytes : listing.files) {
        // A note search wants only calls with a note: the listing says which, before any name
        // is read as text.
        if (p.noteCondition) {
            noteNameOf(bytes, note);
            if (note == bytes || !listing.has(note)) continue;
        }
        // A name that is not UTF-8 is matched and shown with U+FFFD for what it cannot spell,
        // and kept as it is spelt (CallRecord::recordingBytes).
        QString name = textOf(bytes);
        if (!p.pattern.matches(name)) continue;
        Candidate& c = matches.emplace_back();
        c.name = std::move(name);
        c.nameBytes = bytes;
    }
    if (matches.empty()) return;
    if (matches.size() > kLargeFolderCalls && scope_.askAboutLargeFolders &&
        prompter_.show(largeFolderQuestion(matches.size())) == Answer::Cancel) {
        return;
    }
    // Last name first: the newest call of the folder heads its part of the list.
    std::sort(matches.begin(), matches.end(), [](const Candidate& a, const Candidate& b) {
        return nameBefore(b.nameBytes, a.nameBytes);
    });
    if (!reads_) reads_ = std::make_unique<ReadsInFlight>();
    auto work = std::make_unique<FolderInProgress>(*reads_);
    work->folderText = QFile::decodeName(folderBytes.c_str());
    work->folderBytes = folderBytes;
    work->folderIsText = isUtf8(folderBytes);
    work->folder = folder;
    work->listing = std::move(listing);

    // The checks that need no file come first; a note is read only for a call they keep, only
    // when the listing shows one (most calls have none), and only when it is wanted now.
    std::vector<Candidate>& candidates = work->candidates;
    candidates.reserve(matches.size());
    for (Candidate& m : matches) {
        std::optional<CallRecord> call = CallFromCommonName(m.name);
        if (!call) {
            const auto fields = CallFieldsFromName(work->folderText, m.name);
            if (!fields) continue;
            const auto date = callDateFromText(fields->CallDate);
            const auto time = callTimeFromText(fields->CallTime);
            if (!date || !time) continue;
            call.emplace();
            call->LoginName = fields->LoginName;
            call->CallDate = *date;
            call->CallTime = *time;
            call->CallDuration = fields->CallDuration;
        }
        if (!p.days.contains(call->CallDate)) continue;
        if (!LengthAccepted(p.criteria, call->CallDuration)) continue;
        Candidate& c = candidates.emplace_back(std::move(m));
        c.call = std::move(*call);
        noteNameOf(c.nameBytes, note);
        // A name without ".wav" (a capital ".WAV") has no note: its own name is not one.
        const bool hasNote = note != c.nameBytes && work->listing.has(note);
        c.readNote = hasNote && (p.noteCondition || scope_.readEveryNote);
        c.call.noteDeferred = hasNote && !c.readNote;
    }

    // Each note is opened once, relative to its folder, and read whole; the reads overlap
    // with each other and with the listing of the next folders.
    std::vector<Candidate*> toRead;
    for (Candidate& c : candidates)
        if (c.readNote) toRead.push_back(&c);
    const bool noteCondition = p.noteCondition;
    for (std::size_t start = 0; start < toRead.size(); start += kCallsPerHeartbeat) {
        std::vector<Candidate*> chunk(
            toRead.begin() + static_cast<std::ptrdiff_t>(start),
            toRead.begin() +
                static_cast<std::ptrdiff_t>(std::min(toRead.size(), start + kCallsPerHeartbeat)));
        const std::size_t count = chunk.size();
        work->batches.push_back(reads_->start(
            count,
            [chunk = std::move(chunk), folder, noteCondition, words = p.words](std::size_t i) {
                Candidate& c = *chunk[i];
                thread_local std::string name;
                thread_local std::array<char, kLargestNote> buffer;
                noteNameOf(c.nameBytes, name);
                int value = 0;
                c.state = readNoteInto(folder->fd(), name.c_str(), buffer.data(), value);
                if (c.state != NoteFile::State::Text) {
                    c.error = value;
                    return;
                }
                QString text = QString::fromUtf8(buffer.data(), value);
                if (noteCondition) c.holdsWords = words->heldBy(text);
                if (!noteCondition || c.holdsWords) c.note = text.replace("\r\n", " <CR> ");
            },
            readsInFlight(*folder)));
    }
    inProgress_.push_back(std::move(work));
    while (inProgress_.size() > kFoldersAhead)
        finishOldest(p);
}

void CallSearch::finishOldest(const Prepared& p) {
    const std::unique_ptr<FolderInProgress> work = std::move(inProgress_.front());
    inProgress_.pop_front();
    for (std::size_t i = 0; i < work->batches.size(); ++i) {
        if (i > 0) working(work->folderText);
        reads_->finish(work->batches[i]);
    }
    work->batches.clear();
    const std::size_t first = calls_.size();
    for (Candidate& c : work->candidates) {
        if (p.noteCondition && c.state == NoteFile::State::Text && !c.holdsWords) continue;
        c.call.RecordingLocation = work->folderText + c.name;
        if (!work->folderIsText || !isUtf8(c.nameBytes))
            c.call.recordingBytes =
                QByteArray::fromStdString(work->folderBytes + std::string(c.nameBytes));
        if (c.readNote) {
            // A note that could not be read is told as reading it alone would tell it.
            const bool unreadable =
                c.state == NoteFile::State::Denied || c.state == NoteFile::State::Failed;
            const auto error = [&] {
                return errorFromErrno(c.state == NoteFile::State::Denied ? EACCES : c.error);
            };
            if (p.noteCondition) {
                if (unreadable)
                    prompter_.show(libraryErrorMessage("frmMain:FindStringInFile: '" +
                                                           p.criteria.Note + "' in '" +
                                                           NotePath(c.call.RecordingLocation) + "'",
                                                       error()));
                if (!c.holdsWords) continue;
            } else if (c.state == NoteFile::State::Denied) {
                c.note = "<denied access to note file>";
            } else if (c.state == NoteFile::State::Failed) {
                prompter_.show(libraryErrorMessage("frmMain:getCallNote Method", error()));
            }
            c.call.CallNote = std::move(c.note);
        }
        c.call.iCall = static_cast<int32_t>(calls_.size()) + 1;
        calls_.push_back(std::move(c.call));
    }
    if (observer_ && calls_.size() > first)
        observer_->found(std::span<const CallRecord>(calls_).subspan(first));
}

}  // namespace parlaro
