// The main window: the recording control with its level meter, the player, the buttons and
// keys of recording and playback, the call list with its note box, the status bar, and the
// ways the program ends. Its logic lives in plain classes (the recording controller, the
// window rules, the note procedures); this form only shows and forwards.
#pragma once

#include "app/library/model/CallDeletion.h"
#include "app/library/model/CallNotes.h"
#include "app/library/model/FiledCalls.h"
#include "app/library/playback/CallPlayback.h"
#include "app/library/sharing/CallEmailing.h"
#include "app/library/sharing/CallSaving.h"
#include "app/library/sharing/MailAttachments.h"
#include "app/recording/ControlRecorder.h"
#include "app/recording/RecordingController.h"
#include "app/recording/StatusDisplay.h"
#include "app/startup/MainStartup.h"
#include "app/startup/WindowRules.h"
#include "app/support/Clock.h"
#include "app/support/Launcher.h"
#include "app/support/UrlOpener.h"
#include "app/tray/TrayBehaviour.h"
#include "core/calls/CallCollection.h"

#include <QMainWindow>
#include <QTimer>

#include <QPoint>

#include <array>
#include <map>
#include <memory>
#include <optional>

class QComboBox;
class QIcon;
class QSystemTrayIcon;
class QFileSystemModel;
class QLabel;
class QMenu;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QTreeView;

namespace aurxqt {
class AurxWidget;
}

namespace parlaro {

class AddNoteDialog;
class CallColumns;
class FindCallDialog;
struct SearchCriteria;
class CallListModel;
class WaveformStrip;

class MainWindow final : public QMainWindow,
                         public StatusView,
                         public MainWindowView,
                         public Timers,
                         public RecordingView,
                         public CallListView,
                         public SelectedCallsView,
                         public CallOperationsView,
                         public PlaybackView,
                         public TrayView {
    Q_OBJECT
  public:
    MainWindow(SettingsAccess& globals, RegistryAccess& registry, Prompter& prompter,
               StartupEnvironment env, const Clock& clock);
    ~MainWindow() override;

    // The load handler: settings, caption, temporary folder, user name, the recorder's
    // set-up, interrupted calls, first status; voice detection starts with the timers.
    void Load();
    // True once the window has agreed to end, which may happen while it loads (a termination
    // signal answered during the start-up search), before the program's event loop runs.
    bool ended() const { return ending_; }
    // Shows the window as the settings say (minimised or normal).
    void showAsStored();
    void bringToFront() override;
    // SIGTERM/SIGINT: the first ends the program like a system shutdown, a second regardless.
    void terminationRequested(int count);
    // The desktop session is ending: a running call is finished first.
    void sessionEnding();

    const AppSettings& settings() const { return settings_; }
    const ProgramValues& values() const { return values_; }
    RecordingController& controller() { return *controller_; }
    CallCollection& calls() { return calls_; }
    CallPlayback& playback() { return *playback_; }
    AddNoteDialog& notePrompt() { return *frmAddNote_; }

    // StatusView
    void setPanelText(int panel, const QString& text) override;
    void setIndicator(bool recording, const QString& tooltip) override;
    void setCaption(const QString& caption) override;
    // MainWindowView
    bool isMinimised() const override;
    FormGeometry geometryTwips() const override;
    QString panelText(int panel) const override;
    std::array<int32_t, 5> columnWidthsTwips() const override;
    void closeFindDialog() override;
    void removeTrayIcon() override;
    void hideToTray() override;
    // TrayView
    bool notePromptOpen() const override;
    void raiseNotePrompt() override;
    void showNormalWindow(std::optional<QPoint> topLeftTwips) override;
    // The program's icon, for the window and the tray.
    static QIcon programIcon();
    // Timers
    void start(MainTimer timer) override;
    void stop(MainTimer timer) override;
    bool isActive(MainTimer timer) const override;
    // RecordingView
    void restoreForCall() override;
    void minimise() override;
    void flashCaption() override;
    void setLevelTexts(const QString& left, const QString& right) override;
    void setButtonEnabled(MainButton button, bool enabled) override;
    void addRecordedCall(const CallRecord& call) override;
    void callsFiled() override;
    void stopPlayback() override;
    void playSelectedCall() override;
    void runOptions() override;
    // CallListView
    int rowCount() const override;
    QString selectedKey() const override;
    void setRowNote(const QString& key, const QString& note) override;
    void setNoteBox(const QString& text) override;
    // SelectedCallsView
    bool isRowSelected(int row) const override;
    void removeCall(int row) override;
    // PlaybackView
    void setSliderMaximum(int seconds) override;
    void setSliderValue(int seconds) override;
    int sliderValue() const override;
    void setPositionText(const QString& text) override;
    void setPositionTimer(bool running) override;
    void showOpenCall(const QString& path) override;
    // CallOperationsView
    void setBusyPointer(bool busy) override;

    // The library side.
    void LayoutCallColumns();
    void FitCallColumns() override;
    bool SetDirListPath(const QString& path);
    QString dirListPath() const;
    void onHome();
    void onNewFolder();
    void onDeleteFolder();
    void onMakeDefaultFolder();
    void onShowAllCalls();
    void ShowTodaysCalls();
    int FindCalls(const SearchCriteria& criteria);
    void onFind();
    FindCallDialog* findDialog() const { return dlgFindCall_; }
    void onListActivated();
    void showCallMenu(const QPoint& at);
    // "Delete Call/s" and the Delete key.
    void onDeleteCalls();
    // cmdSave and "Save Call/s"; cmdEmail and "Email Call/s".
    void onSaveCalls();
    void onEmailCalls();
    // Files dropped on the call list.
    void dropFiles(const QStringList& files);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildWindow();
    QWidget* buildLibrarySide(QWidget* parent);
    QLayout* buildPlaybackRow(QWidget* parent);
    void connectLibrarySide();
    void refreshFolders();
    void selectRow(int row);
    DeletePermissions deletePermissions() const;
    std::vector<QString> selectedRecordings() const;
    void buildSendAsMenu();  // "Send as": Original, Opus, MP3, kept in ShareFormat
    QPushButton* addButton(const QString& name, const QString& text, const QString& tip,
                           MainButton role);
    QTimer& timer(MainTimer which);
    void onQuit();
    void onEditNote();
    void recoverInterruptedCalls();
    // The calls recovered at start-up, at the top of the list whatever it shows, said once.
    void listRecoveredCalls();
    // Calls not in the list yet go to its top, when the list shows `folder`'s calls.
    void listArrivedCalls(std::vector<CallRecord> calls);
    bool listed(const QString& recordingPath) const;
    void nudgeCaptureMixers();
    void addTrayIcon();
    void endNow();
    QPushButton* buildHelpButton(QWidget* parent);
    QWidget* buildLogo(QWidget* parent);

    SettingsAccess& globals_;
    RegistryAccess& registry_;
    Prompter& prompter_;
    const Clock& clock_;
    StartupEnvironment env_;
    AppSettings settings_;
    ProgramValues values_;
    MainStartup startup_;
    FormPosition formPosition_;
    StatusDisplay status_;
    WindowRules rules_;
    ShellLauncher launcher_;
    DesktopUrlOpener urlOpener_;
    CallCollection calls_;
    FiledCalls filedCalls_;
    QStringList recovered_;  // calls recovered at this start, until listed

    aurxqt::AurxWidget* AURXCtrl_ = nullptr;
    aurxqt::AurxWidget* AURXPlayer_ = nullptr;
    std::unique_ptr<ControlRecorder> recorder_;
    std::unique_ptr<ControlRecorder> player_;
    AddNoteDialog* frmAddNote_ = nullptr;
    std::unique_ptr<RecordingController> controller_;

    std::array<QLabel*, 4> panels_{};
    std::array<QString, 4> panelTexts_;  // what the panels say, also while minimised
    QLabel* imgRecording_ = nullptr;
    QLabel* lblLeftLevel_ = nullptr;
    QLabel* lblRightLevel_ = nullptr;
    QTreeView* lvwCalls_ = nullptr;
    CallListModel* callModel_ = nullptr;
    QComboBox* drvList_ = nullptr;
    QTreeView* dirList_ = nullptr;
    QFileSystemModel* folders_ = nullptr;
    QSlider* sldPlayBackPos_ = nullptr;
    QLabel* lblPlaybackPos_ = nullptr;
    WaveformStrip* picWaveform_ = nullptr;
    QMenu* mnuPopup_ = nullptr;
    FindCallDialog* dlgFindCall_ = nullptr;
    std::unique_ptr<CallColumns> columns_;
    int fittedWidth_ = -1;
    std::unique_ptr<CallPlayback> playback_;
    std::unique_ptr<SaveDialogs> saveDialogs_;
    std::unique_ptr<CallSaving> saving_;
    MailAttachments mailAttachments_;  // converted calls handed to mail clients
    QPlainTextEdit* txtCallNote_ = nullptr;
    std::map<MainButton, QPushButton*> buttons_;
    std::map<MainTimer, QTimer*> timers_;
    bool loaded_ = false;
    bool ending_ = false;
    bool searching_ = false;
    bool filedWhileSearching_ = false;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<TrayBehaviour> trayBehaviour_;
};

}  // namespace parlaro
