// The main window's searches: today's calls at start-up, all calls of a folder, and the Find
// dialog. The search itself is the library's CallSearch, shared with parlaro-find.
#include "app/MainWindow.h"

#include "app/library/model/CallListModel.h"
#include "app/library/search/BackgroundSearch.h"
#include "app/library/ui/DatePickerDialog.h"
#include "app/library/ui/FindCallDialog.h"
#include "app/recording/StatusDisplay.h"

#include <QApplication>
#include <QScopedValueRollback>
#include <QTreeView>

#include <utility>

namespace parlaro {

namespace {

// The busy pointer while a search runs, whatever way it ends.
class BusyPointer {
  public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace

int MainWindow::FindCalls(const SearchCriteria& criteria) {
    // The window goes on while a search runs; a second one waits for the list the first fills.
    if (searching_) return rowCount();
    const QScopedValueRollback searching(searching_, true);
    const BusyPointer busy;
    // The old list goes first, so that nothing stale shows while the search asks or runs.
    callModel_->beginRefill();
    calls_.clear();
    callModel_->endRefill();
    lvwCalls_->setEnabled(false);

    // What the mover files from now on is new to this list, unless the search finds it.
    filedCalls_.snapshot(settings_.CallPath.endsWith('/') ? settings_.CallPath
                                                          : settings_.CallPath + '/');
    SearchScope scope;
    scope.SearchPath = settings_.SearchPath;
    scope.subfolders = globals_.ReadSettingLong("subfolders", 0) == -1;
    scope.CanPlay = settings_.CanPlay;
    scope.PlayOwnOnly = settings_.PlayOwnOnly;
    scope.userName = values_.userName;
    // The list reads the notes of the rows it shows, when it shows them.
    scope.readEveryNote = false;
    SearchOutcome outcome = findCallsInBackground(scope, criteria, prompter_);
    std::vector<CallRecord>& found = outcome.calls;

    callModel_->beginRefill();
    calls_.reserve(static_cast<int>(found.size()));
    for (CallRecord& call : found)
        calls_.adopt(std::move(call));
    callModel_->endRefill();
    lvwCalls_->setEnabled(true);
    if (rowCount() > 0) {
        lvwCalls_->selectionModel()->setCurrentIndex(
            callModel_->index(0, 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ShowSelectedNote(*this, calls_);
    } else {
        setNoteBox("");
    }
    FitCallColumns();
    if (std::exchange(filedWhileSearching_, false)) callsFiled();
    if (outcome.gaveUp && !ending_) {
        prompter_.show({kProductName,
                        "The folder " + outcome.hangsIn +
                            " does not answer. The calls found until then are listed.",
                        Icon::Exclamation, Buttons::Ok});
    }
    return rowCount();
}

void MainWindow::ShowTodaysCalls() {
    SearchCriteria today;
    today.StartDate = clock_.now().date().toString("yyyyMMdd");
    today.EndDate = today.StartDate;
    FindCalls(today);
}

void MainWindow::onShowAllCalls() {
    settings_.SearchPath = dirListPath();
    FindCalls(SearchCriteria{});
}

void MainWindow::onFind() {
    settings_.SearchPath = dirListPath();
    globals_.WriteSetting("SearchPath", settings_.SearchPath);
    if (!dlgFindCall_) {
        FindCallHost host;
        host.FindCalls = [this](const SearchCriteria& c) { return FindCalls(c); };
        host.storeSubfolders = [this](bool on) {
            globals_.WriteSettingLong("subfolders", on ? -1 : 0);
        };
        host.pickDate = [this](const QDate& today) {
            return DatePickerDialog::pick(dlgFindCall_, today);
        };
        host.today = [this] { return clock_.now().date(); };
        dlgFindCall_ = new FindCallDialog(this, std::move(host), prompter_);
        connect(dlgFindCall_, &QDialog::finished, this, [this] {
            globals_.WriteSettingLong("SearchTop", dlgFindCall_->y() * kTwipsPerPixel);
            globals_.WriteSettingLong("SearchLeft", dlgFindCall_->x() * kTwipsPerPixel);
        });
    }
    const bool ownOnly = settings_.PlayOwnOnly;
    dlgFindCall_->prepare(settings_.SearchPath, globals_.ReadSettingLong("subfolders", 0) == -1,
                          ownOnly ? values_.userName : QString());
    const int32_t top = globals_.ReadSettingLong("SearchTop", 0);
    const int32_t left = globals_.ReadSettingLong("SearchLeft", 0);
    if (top == 0 && left == 0) {
        dlgFindCall_->move(geometry().topLeft() + QPoint(40, 60));
    } else {
        dlgFindCall_->move(left / kTwipsPerPixel, top / kTwipsPerPixel);
    }
    dlgFindCall_->show();
    dlgFindCall_->raise();
    dlgFindCall_->activateWindow();
}

}  // namespace parlaro
