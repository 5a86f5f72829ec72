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
    txtCallNote_ = new QPlainTextEdit(this);
    txtCallNote_->setObjectName("txtCallNote");
    txtCallNote_->setToolTip("Enter a note to be associated with the call");
    txtCallNote_->setTabChangesFocus(true);
    txtCallNote_->installEventFilter(this);
    layout->addWidget(txtCallNote_);
    auto* buttons = new QDialogButtonBox(this);
    cmdOK_ = buttons->addButton(QDialogButtonBox::Ok);
    cmdOK_->setObjectName("cmdOK");
    cmdCancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    cmdCancel_->setObjectName("cmdCancel");
    // Enter in the text box starts a new line; OK is a click or Ctrl+Enter away.
    cmdOK_->setAutoDefault(false);
    cmdCancel_->setAutoDefault(false);
    cmdOK_->setDefault(true);
    cmdOK_->setToolTip("Keep the note (Ctrl+Enter)");
    cmdCancel_->setToolTip("No note for this call (Esc)");
    layout->addWidget(buttons);
    resize(360, 200);
    connect(cmdOK_, &QPushButton::clicked, this, &AddNoteDialog::onOk);
    connect(cmdCancel_, &QPushButton::clicked, this, &AddNoteDialog::onCancel);
    connect(txtCallNote_, &QPlainTextEdit::textChanged, this, &AddNoteDialog::noteTyped);
}

void AddNoteDialog::open(std::function<void(const QString&)> closed) {
    closedHandler_ = std::move(closed);
    open_ = true;
    {
        const QSignalBlocker quiet(txtCallNote_);
        txtCallNote_->clear();
    }
    cmdOK_->setEnabled(true);
    cmdCancel_->setEnabled(true);
    txtCallNote_->setEnabled(true);
    if (const auto g = position_.load()) {
        setGeometry(g->left / kTwipsPerPixel, g->top / kTwipsPerPixel, g->width / kTwipsPerPixel,
                    g->height / kTwipsPerPixel);
    }
    show();
    raise();
    activateWindow();
    txtCallNote_->setFocus(Qt::ActiveWindowFocusReason);
}

QString AddNoteDialog::text() const {
    return txtCallNote_->toPlainText();
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
    cmdOK_->setEnabled(false);
    cmdCancel_->setEnabled(false);
    txtCallNote_->setEnabled(false);
    emit promptClosed();
    // The handler may open the prompt again for the next call, so take it first.
    auto handler = std::exchange(closedHandler_, {});
    if (handler) handler(text);
}

bool AddNoteDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtCallNote_ && event->type() == QEvent::KeyPress) {
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
    txtCallNote_->setFocus();
}

void AddNoteDialog::reject() {
    onCancel();
}

void AddNoteDialog::onOk() {
    CloseAddNoteForm(txtCallNote_->toPlainText());
}

void AddNoteDialog::onCancel() {
    {
        const QSignalBlocker quiet(txtCallNote_);
        txtCallNote_->clear();
    }
    CloseAddNoteForm("");
}

}  // namespace parlaro
