// Message boxes for a person: a modal QMessageBox over the given parent.
#pragma once

#include <QPointer>
#include <QWidget>

#include "recorder/qt/MessageSink.h"

namespace aurxqt {

class QtMessageSink final : public MessageSink {
  public:
    explicit QtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void show(const BoxMessage& message) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace aurxqt
