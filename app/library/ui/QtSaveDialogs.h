// The stock Save As dialog and folder chooser over the window, for saving calls.
#pragma once

#include "app/library/sharing/CallSaving.h"

class QWidget;

namespace parlaro {

class QtSaveDialogs final : public SaveDialogs {
  public:
    explicit QtSaveDialogs(QWidget* parent) : parent_(parent) {}
    QString saveAs(const QString& proposed, const SaveFileType& type) override;
    QString browseForFolder(const QString& prompt, const QString& start) override;

  private:
    QWidget* parent_;
};

}  // namespace parlaro
