#include "app/library/ui/DatePickerDialog.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlaro {

DatePickerDialog::DatePickerDialog(QWidget* owner, const QDate& today) : QDialog(owner) {
    setObjectName("dlgDatePicker");
    setWindowTitle("Choose a Date");
    auto* layout = new QVBoxLayout(this);
    calendar_ = new QCalendarWidget(this);
    calendar_->setObjectName("calDate");
    calendar_->setSelectedDate(today);
    layout->addWidget(calendar_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(calendar_, &QCalendarWidget::activated, this, &QDialog::accept);
}

QDate DatePickerDialog::chosen() const {
    return calendar_->selectedDate();
}

std::optional<QDate> DatePickerDialog::pick(QWidget* owner, const QDate& today) {
    DatePickerDialog dialog(owner, today);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.chosen();
}

}  // namespace parlaro
