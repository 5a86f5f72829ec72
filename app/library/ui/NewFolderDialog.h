// The New Folder box (dlgNewFolder): one name, fully selected when it opens; OK makes the
// folder or says why not and stays open.
#pragma once

#include "services/prompts/Prompter.h"

#include <QDialog>

class QLineEdit;

namespace parlaro {

class NewFolderDialog final : public QDialog {
    Q_OBJECT
  public:
    NewFolderDialog(QWidget* owner, QString parentFolder, Prompter& prompter);

    void tryAccept();
    // The folder made, once accepted.
    QString made() const { return made_; }

  private:
    QString parent_;
    Prompter& prompter_;
    QLineEdit* nameBox_ = nullptr;
    QString made_;
};

}  // namespace parlaro
