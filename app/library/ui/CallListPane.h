// The call list and the note box under it: the calls a search found, newest first, in columns
// that keep their widths; the call menu; Enter, Delete and files dropped on the list. What is
// asked of the calls goes out as signals; the number listed goes to the status bar.
#pragma once

#include "app/library/model/CallDeletion.h"
#include "app/library/model/CallNotes.h"
#include "app/library/ui/LibraryContext.h"
#include "core/calls/CallCollection.h"

#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QMenu;
class QPlainTextEdit;
class QTreeView;

namespace parlaro {

class CallColumns;
class CallListModel;

class CallListPane final : public QWidget, public CallListView, public SelectedCallsView {
    Q_OBJECT
  public:
    CallListPane(QWidget* parent, LibraryContext context);
    ~CallListPane() override;

    CallCollection& calls() { return calls_; }
    // A search empties the list and holds it while it runs, then shows what it found with the
    // first call selected.
    void startSearch();
    void showFound(std::vector<CallRecord> found);
    // The list's folder has gone.
    void clearCalls();
    // `call` at the top of the list. Throws when its record cannot be made.
    void addAtTop(const CallRecord& call);
    bool listed(const QString& recordingPath) const;
    // The recordings of the selected rows, in list order.
    std::vector<QString> selectedRecordings() const;
    DeletePermissions deletePermissions() const;
    void showCallMenu(const QPoint& at);
    void focusList();

    // The stored widths, read once; written back by the window when it closes.
    void LayoutCallColumns();
    std::array<int32_t, 5> columnWidthsTwips() const;

    // CallListView, SelectedCallsView
    int rowCount() const override;
    QString selectedKey() const override;
    void setRowNote(const QString& key, const QString& note) override;
    void setNoteBox(const QString& text) override;
    bool isRowSelected(int row) const override;
    void removeCall(int row) override;
    void FitCallColumns() override;

  signals:
    // A double click or Enter on a call.
    void activated();
    void playRequested();
    void editNoteRequested();
    void deleteRequested();
    void saveRequested();
    void emailRequested();
    void filesDropped(const QStringList& files);

  private:
    void buildMenu();
    void selectRow(int row);

    LibraryContext context_;
    CallCollection calls_;
    CallListModel* model_ = nullptr;
    QTreeView* list_ = nullptr;
    QPlainTextEdit* note_ = nullptr;
    QMenu* menu_ = nullptr;
    std::unique_ptr<CallColumns> columns_;
    int fittedWidth_ = -1;
};

}  // namespace parlaro
