// Reaching a control's implementation from the library's own code and its tests; hosts see
// only AURX300Ctrl.
#pragma once

#include "aurx/AURX300Ctrl.h"
#include "recorder/control/Control.h"

namespace aurx {

class ControlAccess {
  public:
    static Control& of(AURX300Ctrl& control) { return *control.impl_; }
    static const Control& of(const AURX300Ctrl& control) { return *control.impl_; }
};

}  // namespace aurx
