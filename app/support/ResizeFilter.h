// Tells of every resize of the widget it watches, for what follows a widget's own size rather
// than the window's.
#pragma once

#include <QObject>

#include <functional>

namespace parlaro {

class ResizeFilter final : public QObject {
  public:
    ResizeFilter(QObject* parent, std::function<void()> onResize)
        : QObject(parent), onResize_(std::move(onResize)) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> onResize_;
};

}  // namespace parlaro
