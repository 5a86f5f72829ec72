// What saving and e-mailing calls change on the window while they run: their button, and
// the busy pointer.
#pragma once

#include "app/recording/RecordingView.h"

namespace parlaro {

class CallOperationsView {
  public:
    virtual ~CallOperationsView() = default;
    virtual void setButtonEnabled(MainButton button, bool enabled) = 0;
    virtual void setBusyPointer(bool busy) = 0;
};

// Disables a button, and shows the busy pointer if asked, for as long as it lives.
class OperationRunning {
  public:
    OperationRunning(CallOperationsView& view, MainButton button, bool busyPointer)
        : view_(view), button_(button), busyPointer_(busyPointer) {
        view_.setButtonEnabled(button_, false);
        if (busyPointer_) view_.setBusyPointer(true);
    }
    ~OperationRunning() {
        if (busyPointer_) view_.setBusyPointer(false);
        view_.setButtonEnabled(button_, true);
    }
    OperationRunning(const OperationRunning&) = delete;
    OperationRunning& operator=(const OperationRunning&) = delete;

  private:
    CallOperationsView& view_;
    MainButton button_;
    bool busyPointer_;
};

}  // namespace parlaro
