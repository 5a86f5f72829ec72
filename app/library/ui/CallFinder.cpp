#include "app/library/ui/CallFinder.h"

#include "app/library/search/BackgroundSearch.h"
#include "app/library/ui/CallListPane.h"
#include "app/library/ui/DatePickerDialog.h"
#include "app/library/ui/FindCallDialog.h"
#include "app/library/ui/FolderPane.h"
#include "app/support/FormPosition.h"

#include <QApplication>
#include <QScopedValueRollback>

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

CallFinder::CallFinder(LibraryContext context, CallListPane& list, FolderPane& folders,
                       FiledCalls& filed, std::function<void()> searched,
                       std::function<bool()> ending)
    : context_(context),
      list_(list),
      folders_(folders),
      filed_(filed),
      searched_(std::move(searched)),
      ending_(std::move(ending)) {}

int CallFinder::FindCalls(const SearchCriteria& criteria) {
    // The window goes on while a search runs; a second one waits for the list the first fills.
    if (searching_) return list_.rowCount();
    const QScopedValueRollback searching(searching_, true);
    const BusyPointer busy;
    list_.startSearch();

    const AppSettings& settings = context_.settings;
    // What the mover files from now on is new to this list, unless the search finds it.
    filed_.snapshot(settings.CallPath.endsWith('/') ? settings.CallPath : settings.CallPath + '/');
    SearchScope scope;
    scope.SearchPath = settings.SearchPath;
    scope.subfolders = context_.globals.ReadSettingLong("subfolders", 0) == -1;
    scope.CanPlay = settings.CanPlay;
    scope.PlayOwnOnly = settings.PlayOwnOnly;
    scope.userName = context_.values.userName;
    // The list reads the notes of the rows it shows, when it shows them.
    scope.readEveryNote = false;
    SearchOutcome outcome = findCallsInBackground(scope, criteria, context_.prompter);

    list_.showFound(std::move(outcome.calls));
    // The list is filled: what the mover filed meanwhile may be looked at now.
    searching_ = false;
    searched_();
    if (outcome.gaveUp && !ending_()) {
        context_.prompter.show({kProductName,
                                "The folder " + outcome.hangsIn +
                                    " does not answer. The calls found until then are listed.",
                                Icon::Exclamation, Buttons::Ok});
    }
    return list_.rowCount();
}

void CallFinder::ShowTodaysCalls() {
    SearchCriteria today;
    today.StartDate = context_.clock.now().date().toString("yyyyMMdd");
    today.EndDate = today.StartDate;
    FindCalls(today);
}

void CallFinder::onShowAllCalls() {
    context_.settings.SearchPath = folders_.dirListPath();
    FindCalls(SearchCriteria{});
}

void CallFinder::onFind() {
    SettingsAccess& globals = context_.globals;
    AppSettings& settings = context_.settings;
    settings.SearchPath = folders_.dirListPath();
    globals.WriteSetting("SearchPath", settings.SearchPath);
    QWidget* window = list_.window();
    if (!dialog_) {
        FindCallHost host;
        host.FindCalls = [this](const SearchCriteria& c) { return FindCalls(c); };
        host.storeSubfolders = [&globals](bool on) {
            globals.WriteSettingLong("subfolders", on ? -1 : 0);
        };
        host.pickDate = [this](const QDate& today) {
            return DatePickerDialog::pick(dialog_, today);
        };
        host.today = [this] { return context_.clock.now().date(); };
        dialog_ = new FindCallDialog(window, std::move(host), context_.prompter);
        QObject::connect(dialog_, &QDialog::finished, dialog_, [this, &globals] {
            globals.WriteSettingLong("SearchTop", dialog_->y() * kTwipsPerPixel);
            globals.WriteSettingLong("SearchLeft", dialog_->x() * kTwipsPerPixel);
        });
    }
    dialog_->prepare(settings.SearchPath, globals.ReadSettingLong("subfolders", 0) == -1,
                     settings.PlayOwnOnly ? context_.values.userName : QString());
    const int32_t top = globals.ReadSettingLong("SearchTop", 0);
    const int32_t left = globals.ReadSettingLong("SearchLeft", 0);
    if (top == 0 && left == 0) {
        dialog_->move(window->geometry().topLeft() + QPoint(40, 60));
    } else {
        dialog_->move(left / kTwipsPerPixel, top / kTwipsPerPixel);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

}  // namespace parlaro
