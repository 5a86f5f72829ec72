#include "recorder/qt/MessageSinkQt.h"

#include <QMessageBox>

namespace aurxqt {

void QtMessageSink::show(const BoxMessage& message) {
    const auto icon = message.icon == MessageIcon::Information ? QMessageBox::Information
                      : message.icon == MessageIcon::Critical  ? QMessageBox::Critical
                                                               : QMessageBox::Warning;
    QMessageBox box(icon, message.title, message.text, QMessageBox::Ok, parent_.data());
    box.exec();
}

}  // namespace aurxqt
