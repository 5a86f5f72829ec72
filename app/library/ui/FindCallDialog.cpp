#include "app/library/ui/FindCallDialog.h"

#include "app/recording/StatusDisplay.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>

namespace parlaro {

namespace {
const QString kAny = QStringLiteral("<ANY>");
}

std::optional<int32_t> lengthFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    static const QRegularExpression form(QStringLiteral("^(\\d{1,5})(?::(\\d{1,2}))?$"));
    const auto m = form.match(t);
    if (!m.hasMatch()) return std::nullopt;
    const int minutes = m.captured(1).toInt();
    const int seconds = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    if (seconds >= 60) return std::nullopt;
    return minutes * 60 + seconds;
}

QString FindCallDialog::dateText(const QDate& date) {
    return QLocale().toString(date, QLocale::LongFormat);
}

std::optional<QDate> FindCallDialog::dateFromText(const QString& text) {
    const QString t = text.trimmed();
    for (const QDate d :
         {QLocale().toDate(t, QLocale::LongFormat), QLocale().toDate(t, QLocale::ShortFormat),
          QDate::fromString(t, Qt::ISODate)}) {
        if (d.isValid()) return d;
    }
    return std::nullopt;
}

FindCallDialog::FindCallDialog(QWidget* owner, FindCallHost host, Prompter& prompter)
    : QDialog(owner), host_(std::move(host)), prompter_(prompter) {
    setObjectName("dlgFindCall");
    setWindowTitle("Find Calls");
    setModal(false);
    auto* grid = new QGridLayout(this);
    auto edit = [this](const char* name, const QString& text) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        return e;
    };
    searchPathBox_ = edit("txtSearchPath", "");
    searchPathBox_->setReadOnly(true);
    searchPathBox_->setToolTip("Folder that will be searched.");
    userBox_ = edit("txtUser", kAny);
    dateFromBox_ = edit("txtDateFrom", kAny);
    dateToBox_ = edit("txtDateTo", kAny);
    searchStringBox_ = edit("txtSearchString", "*");
    searchStringBox_->setToolTip("Search string (use * as a wildcard)");
    minLengthBox_ = edit("txtMinLength", "");
    minLengthBox_->setPlaceholderText("mm:ss");
    minLengthBox_->setToolTip("Shortest call to list, in minutes and seconds (empty: any)");
    maxLengthBox_ = edit("txtMaxLength", "");
    maxLengthBox_->setPlaceholderText("mm:ss");
    maxLengthBox_->setToolTip("Longest call to list, in minutes and seconds (empty: any)");

    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    auto* calFrom = button("cmdShowCalendarFrom", "...");
    auto* calTo = button("cmdShowCalendarTo", "...");
    auto* btnToday = button("btnToday", "To&day");
    auto* cmdClear = button("cmdClear", "&Clear Search");
    searchButton_ = button("cmdSearch", "&Search");
    searchButton_->setDefault(true);
    auto* cmdOK = button("cmdOK", "Close");
    subfoldersBox_ = new QCheckBox("Search sub-folders?", this);
    subfoldersBox_->setObjectName("chkSearchSubfolders");
    subfoldersBox_->setToolTip("Look for call in all folders below the search path");

    int row = 0;
    grid->addWidget(new QLabel("Folder :", this), row, 0);
    grid->addWidget(searchPathBox_, row++, 1, 1, 3);
    grid->addWidget(new QLabel("User :", this), row, 0);
    grid->addWidget(userBox_, row++, 1, 1, 3);
    grid->addWidget(new QLabel("Date from :", this), row, 0);
    grid->addWidget(dateFromBox_, row, 1);
    grid->addWidget(calFrom, row, 2);
    grid->addWidget(btnToday, row++, 3);
    grid->addWidget(new QLabel("Date to :", this), row, 0);
    grid->addWidget(dateToBox_, row, 1);
    grid->addWidget(calTo, row++, 2);
    grid->addWidget(new QLabel("Call Note :", this), row, 0);
    grid->addWidget(searchStringBox_, row++, 1, 1, 3);
    auto* lengths = new QHBoxLayout;
    lengths->addWidget(new QLabel("at least", this));
    lengths->addWidget(minLengthBox_);
    lengths->addWidget(new QLabel("at most", this));
    lengths->addWidget(maxLengthBox_);
    grid->addWidget(new QLabel("Length :", this), row, 0);
    grid->addLayout(lengths, row++, 1, 1, 3);
    grid->addWidget(subfoldersBox_, row++, 1, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdClear);
    buttons->addStretch();
    buttons->addWidget(searchButton_);
    buttons->addWidget(cmdOK);
    grid->addLayout(buttons, row, 0, 1, 4);

    connect(btnToday, &QPushButton::clicked, this, &FindCallDialog::onToday);
    connect(calFrom, &QPushButton::clicked, this, [this] { onShowCalendar(false); });
    connect(calTo, &QPushButton::clicked, this, [this] { onShowCalendar(true); });
    connect(cmdClear, &QPushButton::clicked, this, &FindCallDialog::onClear);
    connect(searchButton_, &QPushButton::clicked, this, &FindCallDialog::onSearch);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(subfoldersBox_, &QCheckBox::toggled, this, [this](bool on) {
        if (host_.storeSubfolders) host_.storeSubfolders(on);
    });
}

void FindCallDialog::prepare(const QString& searchPath, bool subfolders, const QString& ownUser) {
    searchPathBox_->setText(searchPath);
    {
        const QSignalBlocker quiet(subfoldersBox_);
        subfoldersBox_->setChecked(subfolders);
    }
    if (!ownUser.isEmpty()) {
        userBox_->setText(ownUser);
        userBox_->setReadOnly(true);
        userBox_->setEnabled(false);
    }
}

void FindCallDialog::onToday() {
    const QString today = dateText(host_.today());
    dateFromBox_->setText(today);
    dateToBox_->setText(today);
}

void FindCallDialog::onShowCalendar(bool toDate) {
    const auto picked = host_.pickDate(host_.today());
    if (!picked) return;
    QLineEdit* mine = toDate ? dateToBox_ : dateFromBox_;
    QLineEdit* other = toDate ? dateFromBox_ : dateToBox_;
    mine->setText(dateText(*picked));
    // The other end follows when it is no date or would make the range run backwards.
    const auto otherDate = dateFromText(other->text());
    if (!otherDate || (toDate ? *otherDate > *picked : *otherDate < *picked))
        other->setText(dateText(*picked));
}

void FindCallDialog::onClear() {
    if (userBox_->isEnabled()) userBox_->setText(kAny);
    dateFromBox_->setText(kAny);
    dateToBox_->setText(kAny);
    searchStringBox_->setText("*");
    minLengthBox_->clear();
    maxLengthBox_->clear();
}

std::optional<SearchCriteria> FindCallDialog::criteria() {
    SearchCriteria c;
    c.Note = searchStringBox_->text();
    auto day = [this](QLineEdit* f, QString& out) {
        if (f->text().trimmed() == kAny) return true;
        const auto d = dateFromText(f->text());
        if (!d) {
            prompter_.show({kProductName, "\"" + f->text() + "\" is not a date.", Icon::Exclamation,
                            Buttons::Ok});
            return false;
        }
        out = d->toString("yyyyMMdd");
        return true;
    };
    if (!day(dateFromBox_, c.StartDate) || !day(dateToBox_, c.EndDate)) return std::nullopt;
    if (userBox_->text().trimmed() != kAny) c.User = "*" + userBox_->text() + "*";
    for (auto [f, out] :
         {std::pair{minLengthBox_, &c.MinSeconds}, std::pair{maxLengthBox_, &c.MaxSeconds}}) {
        if (f->text().trimmed().isEmpty()) continue;
        *out = lengthFromText(f->text());
        if (!*out) {
            prompter_.show({kProductName,
                            "\"" + f->text() + "\" is not a length: write minutes:seconds.",
                            Icon::Exclamation, Buttons::Ok});
            return std::nullopt;
        }
    }
    return c;
}

void FindCallDialog::onSearch() {
    const auto c = criteria();
    if (!c) return;
    if (host_.FindCalls(*c) == 0) {
        prompter_.show(
            {kProductName, "No calls match your search criteria", Icon::Information, Buttons::Ok});
        searchButton_->setFocus();
    }
}

}  // namespace parlaro
