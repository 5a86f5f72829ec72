// The note editor (dlgEditNote): a borderless box with the note, OK and Cancel. Enter is OK,
// Shift+Enter starts a new line; dragging its background moves it.
#pragma once

#include "app/library/model/CallNotes.h"

#include <QDialog>

class QPlainTextEdit;

namespace parlaro {

class EditNoteDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit EditNoteDialog(QWidget* owner);

    void setNoteText(const QString& text);
    QString noteText() const;
    bool accepted() const { return accepted_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QPlainTextEdit* noteBox_ = nullptr;
    QPoint dragOffset_;
    bool accepted_ = false;
};

// The editor as the note procedures use it.
class DialogNoteEditor final : public NoteEditor {
  public:
    explicit DialogNoteEditor(QWidget* owner) : owner_(owner) {}
    std::optional<QString> edit(const QString& note) override;

  private:
    QWidget* owner_;
};

}  // namespace parlaro
