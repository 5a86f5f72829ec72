#include "app/library/ui/AddNoteDialog.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace parlaro {

AddNoteDialog::AddNoteDialog(QWidget* owner, FormPosition position)
    : QDialog(owner), position_(std::move(position)) {
    setObjectName("frmAddNote");
    setWindowTitle("Call Note");
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Note for the call just recorded:", this));
    noteBox_ = new QPlainTextEdit(this);
    noteBox_->setObjectName("txtCallNote");
    noteBox_->setToolTip("Enter a note to be associated with the call");
    noteBox_->setTabChangesFocus(true);
    noteBox_->installEventFilter(this);
    layout->addWidget(noteBox_);
    auto* buttons = new QDialogButtonBox(this);
    okButton_ = buttons->addButton(QDialogButtonBox::Ok);
    okButton_->setObjectName("cmdOK");
    cancelButton_ = buttons->addButton(QDialogButtonBox::Cancel);
    cancelButton_->setObjectName("cmdCancel");
    // Enter in the text box starts a new line; OK is a click or Ctrl+Enter away.
    okButton_->setAutoDefault(false);
    cancelButton_->setAutoDefault(false);
    okButton_->setDefault(true);
    okButton_->setToolTip("Keep the note (Ctrl+Enter)");
    cancelButton_->setToolTip("No note for this call (Esc)");
    layout->addWidget(buttons);
    resize(360, 200);
    connect(okButton_, &QPushButton::clicked, this, &AddNoteDialog::onOk);
    connect(cancelButton_, &QPushButton::clicked, this, &AddNoteDialog::onCancel);
    connect(noteBox_, &QPlainTextEdit::textChanged, this, &AddNoteDialog::noteTyped);
}

void AddNoteDialog::open(std::function<void(const QString&)> closed) {
    closedHandler_ = std::move(closed);
    open_ = true;
    {
        const QSignalBlocker quiet(noteBox_);
        noteBox_->clear();
    }
    okButton_->setEnabled(true);
    cancelButton_->setEnabled(true);
    noteBox_->setEnabled(true);
    if (const auto g = position_.load()) {
        setGeometry(g->left / kTwipsPerPixel, g->top / kTwipsPerPixel, g->width / kTwipsPerPixel,
                    g->height / kTwipsPerPixel);
    }
    show();
    raise();
    activateWindow();
    noteBox_->setFocus(Qt::ActiveWindowFocusReason);
}

QString AddNoteDialog::text() const {
    return noteBox_->toPlainText();
}

void AddNoteDialog::CloseAddNoteForm(const QString& text) {
    if (!open_) return;
    open_ = false;
    if (isVisible()) {
        const QRect g = geometry();
        position_.save({g.height() * kTwipsPerPixel, g.width() * kTwipsPerPixel,
                        g.x() * kTwipsPerPixel, g.y() * kTwipsPerPixel});
    }
    hide();
    okButton_->setEnabled(false);
    cancelButton_->setEnabled(false);
    noteBox_->setEnabled(false);
    emit promptClosed();
    // The handler may open the prompt again for the next call, so take it first.
    auto handler = std::exchange(closedHandler_, {});
    if (handler) handler(text);
}

bool AddNoteDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == noteBox_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers().testFlag(Qt::ControlModifier)) {
            onOk();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AddNoteDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    noteBox_->setFocus();
}

void AddNoteDialog::reject() {
    onCancel();
}

void AddNoteDialog::onOk() {
    CloseAddNoteForm(noteBox_->toPlainText());
}

void AddNoteDialog::onCancel() {
    {
        const QSignalBlocker quiet(noteBox_);
        noteBox_->clear();
    }
    CloseAddNoteForm("");
}

}  // namespace parlaro
