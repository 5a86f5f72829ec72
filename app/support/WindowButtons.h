// The main window's buttons by their role in it, wherever they sit: the recording controller
// and the call operations enable and disable them by role.
#pragma once

#include "app/recording/RecordingView.h"

#include <map>

class QPushButton;
class QWidget;

namespace parlaro {

class WindowButtons {
  public:
    // A button that leaves the focus where it was when clicked, so a later Space or Enter
    // cannot press it again unseen; Tab still reaches it.
    QPushButton* add(QWidget* parent, MainButton role, const QString& name, const QString& text,
                     const QString& tip);
    QPushButton* operator[](MainButton role) const { return buttons_.at(role); }
    void setEnabled(MainButton role, bool enabled);

  private:
    std::map<MainButton, QPushButton*> buttons_;
};

}  // namespace parlaro
