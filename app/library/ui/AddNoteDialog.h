// The prompt for a note after a kept call (form frmAddNote): a text box, OK and Cancel. It is
// modal over the main window without blocking it, so voice detection goes on and a new call
// can accept it; the window's tmrAddNote closes it 20 s after the last keystroke. It belongs to
// the keyboard: it opens with the focus in its text, Enter starts a new line, Tab moves on,
// Ctrl+Enter is OK and Escape is Cancel.
#pragma once

#include "app/recording/RecordingView.h"
#include "app/support/FormPosition.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace parlaro {

class AddNoteDialog final : public QDialog, public NotePrompt {
    Q_OBJECT
  public:
    AddNoteDialog(QWidget* owner, FormPosition position);

    // NotePrompt
    void open(std::function<void(const QString& note)> closed) override;
    bool isOpen() const override { return open_; }
    QString text() const override;
    void CloseAddNoteForm(const QString& text) override;

  signals:
    // Every change of the text restarts the window's tmrAddNote.
    void noteTyped();
    // The prompt has closed, by any means: the window puts the focus where no key can change
    // what it records.
    void promptClosed();

  protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;  // Escape and the close box act as Cancel
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void onOk();
    void onCancel();

    FormPosition position_;
    QPlainTextEdit* noteBox_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    std::function<void(const QString&)> closedHandler_;
    bool open_ = false;
};

}  // namespace parlaro
