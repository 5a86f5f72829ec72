#include "app/library/ui/QtSaveDialogs.h"

#include "app/options/OptionsDialog.h"

#include <QFileDialog>

namespace parlaro {

QString QtSaveDialogs::saveAs(const QString& proposed, const SaveFileType& type) {
    QFileDialog dialog(parent_, "Save As");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(type.filter);
    dialog.setDefaultSuffix(type.suffix);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QString QtSaveDialogs::browseForFolder(const QString& prompt, const QString& start) {
    return BrowseForFolder(parent_, prompt, start);
}

}  // namespace parlaro
