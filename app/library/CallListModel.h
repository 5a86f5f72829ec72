// The call list's rows: a table model over the call collection, one row per call in
// collection order, so that a list of 100 000 calls fills in one step and scrolls without
// building a widget per row.
#pragma once

#include "app/library/CallCollection.h"

#include <QAbstractTableModel>

namespace parlaro {

class CallListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { User, CallDate, CallTime, Duration, Note, ColumnCount };
    // The row's key, "#n#", under this role.
    static constexpr int KeyRole = Qt::UserRole;

    explicit CallListModel(CallCollection& calls, QObject* parent = nullptr)
        : QAbstractTableModel(parent), calls_(calls) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // A search refills the collection between these two; the list shows no rows meanwhile.
    void beginRefill() { beginResetModel(); }
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

  private:
    CallCollection& calls_;
};

}  // namespace parlaro
