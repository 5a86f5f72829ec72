#include "app/library/ui/EditNoteDialog.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlaro {

EditNoteDialog::EditNoteDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("dlgEditNote");
    setWindowTitle("Edit Call Note");
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel("Edit the call's note (Shift+Enter for a new line):", this);
    layout->addWidget(hint);
    noteBox_ = new QPlainTextEdit(this);
    noteBox_->setObjectName("txtEditNote");
    noteBox_->installEventFilter(this);
    layout->addWidget(noteBox_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("cmdOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cmdCancel");
    layout->addWidget(buttons);
    setStyleSheet("QDialog#dlgEditNote { border: 1px solid palette(mid); }");
    resize(380, 180);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        accepted_ = true;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        accepted_ = false;
        reject();
    });
}

void EditNoteDialog::setNoteText(const QString& text) {
    noteBox_->setPlainText(text);
    noteBox_->moveCursor(QTextCursor::End);
}

QString EditNoteDialog::noteText() const {
    return noteBox_->toPlainText();
}

bool EditNoteDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == noteBox_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && !(key->modifiers() & Qt::ShiftModifier)) {
            accepted_ = true;
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void EditNoteDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    QDialog::mousePressEvent(event);
}

void EditNoteDialog::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) move(event->globalPosition().toPoint() - dragOffset_);
    QDialog::mouseMoveEvent(event);
}

std::optional<QString> DialogNoteEditor::edit(const QString& note) {
    EditNoteDialog dialog(owner_);
    dialog.setNoteText(note);
    dialog.exec();
    if (!dialog.accepted()) return std::nullopt;
    return dialog.noteText();
}

}  // namespace parlaro
