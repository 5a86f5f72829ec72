// The library side of the main window: the folders and, beside them, the call list with its
// note box. It lists the calls searched for, recorded, filed by the mover or recovered, and
// does what is asked of the selected ones: play, edit the note, delete, save, e-mail.
#pragma once

#include "app/library/model/FiledCalls.h"
#include "app/library/playback/CallPlayback.h"
#include "app/library/sharing/CallOperationsView.h"
#include "app/library/sharing/CallSaving.h"
#include "app/library/sharing/MailAttachments.h"
#include "app/library/ui/LibraryContext.h"
#include "app/support/WindowButtons.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

namespace parlaro {

class CallFinder;
class CallListPane;
class FindCallDialog;
class FolderPane;

// What the library works with besides the context: the player, and the window's buttons and
// state.
struct LibraryParts {
    CallPlayback& playback;
    Recorder& player;
    WindowButtons& buttons;
    std::function<bool()> ending;
};

class LibraryPanel final : public QWidget, public CallOperationsView {
    Q_OBJECT
  public:
    LibraryPanel(QWidget* parent, LibraryContext context, LibraryParts parts);
    ~LibraryPanel() override;

    CallCollection& calls();
    int rowCount() const;
    // At the window's load: the stored current folder, the columns and today's calls.
    void openCallsFolder();
    // The calls recovered at this start, at the top of the list whatever it shows, said once.
    void listRecoveredCalls(const QStringList& recovered);
    // The call just recorded goes to the top of the list.
    void addRecordedCall(const CallRecord& call);
    // The mover has ended: calls it filed that the list lacks are added, when the list shows
    // the calls folder.
    void callsFiled();

    void playSelectedCall();
    void onListActivated();
    void onEditNote();
    // "Delete Call/s" and the Delete key.
    void onDeleteCalls();
    // cmdSave and "Save Call/s"; cmdEmail and "Email Call/s".
    void onSaveCalls();
    void onEmailCalls();
    void dropFiles(const QStringList& files);
    void showCallMenu(const QPoint& at);
    // Where no key can change what is recorded.
    void focusCallList();
    void onShowAllCalls();
    void onFind();
    FindCallDialog* findDialog() const;
    void closeFindDialog();
    std::array<int32_t, 5> columnWidthsTwips() const;

    // CallOperationsView
    void setButtonEnabled(MainButton button, bool enabled) override;
    void setBusyPointer(bool busy) override;

  private:
    // Calls not in the list yet go to its top.
    void listArrivedCalls(std::vector<CallRecord> arrived);

    LibraryContext context_;
    LibraryParts parts_;
    FolderPane* folders_ = nullptr;
    CallListPane* list_ = nullptr;
    FiledCalls filedCalls_;
    std::unique_ptr<CallFinder> finder_;
    bool filedWhileSearching_ = false;
    std::unique_ptr<SaveDialogs> saveDialogs_;
    std::unique_ptr<CallSaving> saving_;
    MailAttachments mailAttachments_;  // converted calls handed to mail clients
};

}  // namespace parlaro
