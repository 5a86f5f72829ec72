// The calendar (dlgDatePicker): a month view that opens on today, with OK and Cancel.
#pragma once

#include <QDate>
#include <QDialog>

#include <optional>

class QCalendarWidget;

namespace parlaro {

class DatePickerDialog final : public QDialog {
    Q_OBJECT
  public:
    DatePickerDialog(QWidget* owner, const QDate& today);
    QDate chosen() const;

    // Shows the calendar modally; the chosen date after OK, nothing after Cancel.
    static std::optional<QDate> pick(QWidget* owner, const QDate& today);

  private:
    QCalendarWidget* calendar_ = nullptr;
};

}  // namespace parlaro
