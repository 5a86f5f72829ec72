#include "app/tray/TrayBehaviour.h"

namespace parlaro {

void TrayBehaviour::doubleClicked() {
    if (view_.notePromptOpen()) {
        view_.raiseNotePrompt();
        return;
    }
    view_.showNormalWindow(std::nullopt);
}

void TrayBehaviour::restore() {
    view_.bringToFront();
    if (view_.notePromptOpen()) {
        view_.raiseNotePrompt();
        return;
    }
    view_.showNormalWindow(start_);
}

}  // namespace parlaro
