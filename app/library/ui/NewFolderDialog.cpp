#include "app/library/ui/NewFolderDialog.h"

#include "app/library/model/Folders.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlaro {

NewFolderDialog::NewFolderDialog(QWidget* owner, QString parentFolder, Prompter& prompter)
    : QDialog(owner), parent_(std::move(parentFolder)), prompter_(prompter) {
    setObjectName("dlgNewFolder");
    setWindowTitle("New Folder");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("New folder in " + parent_ + ":", this));
    nameBox_ = new QLineEdit("New Folder", this);
    nameBox_->setObjectName("txtNewFolder");
    nameBox_->selectAll();
    layout->addWidget(nameBox_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &NewFolderDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void NewFolderDialog::tryAccept() {
    if (!MakeCallFolder(parent_, nameBox_->text(), prompter_)) return;
    made_ = (parent_.endsWith('/') ? parent_ : parent_ + "/") + nameBox_->text();
    accept();
}

}  // namespace parlaro
