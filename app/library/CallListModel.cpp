#include "app/library/CallListModel.h"

#include "app/recording/TimeText.h"

#include <array>

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

}  // namespace

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
