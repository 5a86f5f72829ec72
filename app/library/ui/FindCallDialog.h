// The Find dialog (dlgFindCall, "Find Calls"): modeless; it turns the user's entries into
// search criteria (user, date range, note words, shortest and longest length) and asks the
// window to run the search.
#pragma once

#include "core/search/SearchCriteria.h"
#include "services/prompts/Prompter.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace parlaro {

// What the dialog needs of the window and the settings.
struct FindCallHost {
    std::function<int(const SearchCriteria&)> FindCalls;  // returns the number listed
    std::function<void(bool on)> storeSubfolders;         // "subfolders", at once
    std::function<std::optional<QDate>(const QDate& today)> pickDate;
    std::function<QDate()> today;
};

class FindCallDialog final : public QDialog {
    Q_OBJECT
  public:
    FindCallDialog(QWidget* owner, FindCallHost host, Prompter& prompter);

    // Opening: the folder searched, the subfolders setting and, for own-calls-only, the user.
    void prepare(const QString& searchPath, bool subfolders, const QString& ownUser);

    void onToday();
    void onShowCalendar(bool toDate);
    void onClear();
    void onSearch();
    // The criteria the fields give; nothing (and a message) when a field cannot be read.
    std::optional<SearchCriteria> criteria();

    // Dates as the fields show them, in the desktop's long format, and back.
    static QString dateText(const QDate& date);
    static std::optional<QDate> dateFromText(const QString& text);

  private:
    FindCallHost host_;
    Prompter& prompter_;
    QLineEdit* searchPathBox_ = nullptr;
    QLineEdit* userBox_ = nullptr;
    QLineEdit* dateFromBox_ = nullptr;
    QLineEdit* dateToBox_ = nullptr;
    QLineEdit* searchStringBox_ = nullptr;
    QLineEdit* minLengthBox_ = nullptr;
    QLineEdit* maxLengthBox_ = nullptr;
    QCheckBox* subfoldersBox_ = nullptr;
    QPushButton* searchButton_ = nullptr;
};

// "m:ss", "mm:ss" or whole minutes as seconds; nothing for empty or unreadable text.
std::optional<int32_t> lengthFromText(const QString& text);

}  // namespace parlaro
