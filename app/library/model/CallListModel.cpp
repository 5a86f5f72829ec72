#include "app/library/model/CallListModel.h"

#include "app/recording/TimeText.h"
#include "core/calls/CallFiles.h"
#include "core/calls/CallName.h"
#include "core/calls/NoteReading.h"
#include "platform/posix/UniqueFd.h"

#include <fcntl.h>

#include <QCoreApplication>
#include <QFile>

#include <array>
#include <map>
#include <thread>

namespace parlaro {

namespace {

const std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "dd-mmm-yyyy" with English month names, whatever the desktop's language: the list, the
// file names and the search all speak the same dates.
QString dateText(const QDate& d) {
    if (!d.isValid()) return {};
    return QStringLiteral("%1-%2-%3")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[static_cast<std::size_t>(d.month() - 1)]))
        .arg(d.year(), 4, 10, QLatin1Char('0'));
}

// Rows whose notes are read together, when the first of them is shown.
constexpr int kNoteBlock = 64;

// The note as the list shows it; one that cannot be read shows as none, quietly: rows are
// painted, not asked about.
QString shownNote(const NoteFile& note) {
    if (note.state == NoteFile::State::Failed) return {};
    return callNoteText(note);
}

}  // namespace

// What the reading thread and the model share; the model lets go of it when it goes, and a
// thread still reading then finds nobody to hand the notes to.
struct CallListModel::NoteReading {
    CallListModel* model = nullptr;  // the model's thread only
    ReadsInFlight reads;
};

CallListModel::CallListModel(CallCollection& calls, QObject* parent)
    : QAbstractTableModel(parent), calls_(calls), reading_(std::make_shared<NoteReading>()) {
    reading_->model = this;
}

CallListModel::~CallListModel() {
    reading_->model = nullptr;
}

void CallListModel::beginRefill() {
    beginResetModel();
    ++generation_;
    requested_.clear();
    queue_.clear();
}

void CallListModel::requestNotes(int row) const {
    const int first = row / kNoteBlock * kNoteBlock;
    const int end = std::min(calls_.Count(), first + kNoteBlock);
    for (int r = first; r < end; ++r) {
        const CallRecord& c = calls_.Item(r + 1);
        if (!c.noteDeferred || requested_.contains(c.iCall)) continue;
        requested_.insert(c.iCall);
        queue_.push_back({r, c.iCall, c.RecordingLocation, {}});
    }
    if (!fetching_ && !queue_.empty()) startReading();
}

void CallListModel::startReading() const {
    fetching_ = true;
    std::vector<ReadNote> batch = std::exchange(queue_, {});
    const std::uint64_t generation = generation_;
    std::thread([reading = reading_, batch = std::move(batch), generation]() mutable {
        // Each folder is opened once and its notes read relative to it, several at a time.
        std::map<QString, aurx::posix::UniqueFd> folders;
        std::vector<aurx::posix::UniqueFd*> fds;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            const QString& path = batch[i].recording;
            const QString folder = path.left(path.lastIndexOf('/') + 1);
            auto [it, added] = folders.try_emplace(folder);
            if (added)
                it->second.reset(::open(QFile::encodeName(folder).constData(),
                                        O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            fds.push_back(&it->second);
        }
        reading->reads.run(batch.size(), [&](std::size_t i) {
            const QString& path = batch[i].recording;
            const QByteArray name =
                QFile::encodeName(NotePath(path.mid(path.lastIndexOf('/') + 1)));
            if (!*fds[i]) return;
            batch[i].note = shownNote(readNoteAt(fds[i]->get(), name.constData()));
        });
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        QMetaObject::invokeMethod(
            app,
            [reading, generation, batch = std::move(batch)]() mutable {
                if (reading->model) reading->model->notesRead(generation, std::move(batch));
            },
            Qt::QueuedConnection);
    }).detach();
}

void CallListModel::notesRead(std::uint64_t generation, std::vector<ReadNote> notes) {
    fetching_ = false;
    if (generation == generation_) {
        bool moved = false;
        int low = calls_.Count(), high = -1;
        for (ReadNote& n : notes) {
            CallRecord* c = nullptr;
            // The row it was asked for, unless calls came or went meanwhile.
            if (n.row < calls_.Count() && calls_.Item(n.row + 1).iCall == n.iCall) {
                c = &calls_.Item(n.row + 1);
                low = std::min(low, n.row);
                high = std::max(high, n.row);
            } else {
                try {
                    c = &calls_.Item("#" + QString::number(n.iCall) + "#");
                    moved = true;
                } catch (const std::exception&) {
                    continue;  // deleted meanwhile
                }
            }
            if (!c->noteDeferred || c->RecordingLocation != n.recording) continue;
            c->CallNote = std::move(n.note);
            c->noteDeferred = false;
        }
        if (moved && calls_.Count() > 0) {
            low = 0;
            high = calls_.Count() - 1;
        }
        if (high >= low) emit dataChanged(index(low, Note), index(high, Note));
    }
    if (!queue_.empty()) startReading();
}

int CallListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : calls_.Count();
}

int CallListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CallListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= calls_.Count()) return {};
    const CallRecord& c = calls_.Item(index.row() + 1);
    if (role == KeyRole) return "#" + QString::number(c.iCall) + "#";
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
        case User:
            return c.LoginName;
        case CallDate:
            return dateText(c.CallDate);
        case CallTime:
            return c.CallTime.toString("hh:mm:ss");
        case Duration:
            return SecondsToHMS(c.CallDuration, 1);
        case Note:
            if (c.noteDeferred) {
                requestNotes(index.row());
                return QString();
            }
            return c.CallNote;
        default:
            return {};
    }
}

QVariant CallListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const std::array<const char*, ColumnCount> headers{"User", "Call Date", "Call Time",
                                                              "Duration", "Note"};
    return section >= 0 && section < ColumnCount
               ? QString(headers[static_cast<std::size_t>(section)])
               : QVariant();
}

void CallListModel::callAddedAtTop() {
    beginInsertRows({}, 0, 0);
    endInsertRows();
}

void CallListModel::removeCall(int row) {
    beginRemoveRows({}, row, row);
    calls_.Remove(row + 1);
    endRemoveRows();
}

void CallListModel::callChanged(const QString& key) {
    const int row = rowOf(key);
    if (row >= 0) emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int CallListModel::rowOf(const QString& key) const {
    for (int i = 0; i < calls_.Count(); ++i) {
        if (keyAt(i).compare(key, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString CallListModel::keyAt(int row) const {
    if (row < 0 || row >= calls_.Count()) return {};
    return "#" + QString::number(calls_.Item(row + 1).iCall) + "#";
}

}  // namespace parlaro
