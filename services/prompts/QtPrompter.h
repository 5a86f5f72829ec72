// Message boxes shown to a person with QMessageBox.
#pragma once

#include "services/prompts/Prompter.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace parlaro {

class QtPrompter final : public Prompter {
  public:
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer show(const Message& message) override;

  private:
    QPointer<QWidget> parent_;
};

// The unattended prompter when PARLARO_UNATTENDED=1, else Qt boxes.
std::unique_ptr<Prompter> makePrompter();

}  // namespace parlaro
