// The call list's rows: a table model over the call collection, one row per call in
// collection order, so that a list of 100 000 calls fills in one step and scrolls without
// building a widget per row. Notes a search left unread (CallRecord::noteDeferred) are read
// when their rows are first shown, a block of rows at a time on a thread of their own with
// the reads in flight, and the rows then updated: a calls folder behind a slow or silent file
// server never holds up the window.
#pragma once

#include "core/calls/CallCollection.h"

#include <QAbstractTableModel>
#include <QSet>

#include <memory>

namespace parlaro {

class CallListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { User, CallDate, CallTime, Duration, Note, ColumnCount };
    // The row's key, "#n#", under this role.
    static constexpr int KeyRole = Qt::UserRole;

    explicit CallListModel(CallCollection& calls, QObject* parent = nullptr);
    ~CallListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // A search refills the collection between these two; the list shows no rows meanwhile.
    void beginRefill();
    void endRefill() { endResetModel(); }
    // A call just added at the top of the collection.
    void callAddedAtTop();
    // Removes the record at this row from the collection, and the row.
    void removeCall(int row);
    // The call with `key` changed (its note).
    void callChanged(const QString& key);
    // The row of `key`, -1 when none.
    int rowOf(const QString& key) const;
    QString keyAt(int row) const;

    // Rows whose notes are being read or waiting to be (a test's view of the reading).
    bool readingNotes() const { return fetching_; }

  private:
    struct NoteReading;
    struct ReadNote {
        int row;
        int32_t iCall;
        QString recording;
        QString note;
    };
    // Asks for the deferred notes of the block of rows holding `row`.
    void requestNotes(int row) const;
    void startReading() const;
    void notesRead(std::uint64_t generation, std::vector<ReadNote> notes);

    CallCollection& calls_;
    std::shared_ptr<NoteReading> reading_;
    mutable QSet<int32_t> requested_;  // calls whose notes were asked for
    mutable std::vector<ReadNote> queue_;
    mutable bool fetching_ = false;
    std::uint64_t generation_ = 0;  // a refill makes what was being read stale
};

}  // namespace parlaro
