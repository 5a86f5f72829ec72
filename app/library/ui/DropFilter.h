// Local files dropped on the widget it watches (the call list's viewport) go to `onDrop`;
// nothing else is accepted.
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

namespace parlaro {

class DropFilter final : public QObject {
  public:
    DropFilter(QObject* parent, std::function<void(const QStringList&)> onDrop)
        : QObject(parent), onDrop_(std::move(onDrop)) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(const QStringList&)> onDrop_;
};

}  // namespace parlaro
