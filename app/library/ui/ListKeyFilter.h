// The call list's own keys: Enter plays the selected call, as a double click does; releasing
// Delete deletes the selection (releasing, so that a held key deletes once).
#pragma once

#include <QObject>

#include <functional>

namespace parlaro {

class ListKeyFilter final : public QObject {
  public:
    ListKeyFilter(QObject* parent, std::function<void()> onEnter, std::function<void()> onDelete)
        : QObject(parent), onEnter_(std::move(onEnter)), onDelete_(std::move(onDelete)) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> onEnter_;
    std::function<void()> onDelete_;
};

}  // namespace parlaro
