#include "app/library/ui/CallListPane.h"

#include "app/library/model/CallListModel.h"
#include "app/library/sharing/SendAs.h"
#include "app/library/ui/CallColumns.h"
#include "app/library/ui/DropFilter.h"
#include "app/library/ui/ListKeyFilter.h"
#include "app/support/ResizeFilter.h"
#include "core/calls/CallFiles.h"

#include <QActionGroup>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

namespace parlaro {

CallListPane::CallListPane(QWidget* parent, LibraryContext context)
    : QWidget(parent), context_(context) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    model_ = new CallListModel(calls_, this);
    list_ = new QTreeView(this);
    list_->setObjectName("lvwCalls");
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->header()->setStretchLastSection(true);
    columns_ = std::make_unique<CallColumns>(*list_);
    column->addWidget(list_, 1);
    note_ = new QPlainTextEdit(this);
    note_->setObjectName("txtCallNote");
    note_->setToolTip("The note of the selected call");
    note_->setMaximumHeight(72);
    column->addWidget(note_);
    buildMenu();

    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { ShowSelectedNote(*this, calls_); });
    connect(list_, &QTreeView::doubleClicked, this, &CallListPane::activated);
    list_->installEventFilter(new ListKeyFilter(
        this,
        [this] {
            if (rowCount() > 0) emit activated();
        },
        [this] {
            if (rowCount() > 0) emit deleteRequested();
        }));
    // The columns follow the list's own width, which the layout settles after the window.
    list_->viewport()->installEventFilter(new ResizeFilter(this, [this] {
        // Only a change of width matters; the status bar's texts move nothing here.
        const int width = list_->viewport()->width();
        if (width == fittedWidth_) return;
        fittedWidth_ = width;
        FitCallColumns();
    }));
    connect(list_, &QTreeView::customContextMenuRequested, this, &CallListPane::showCallMenu);
    list_->setAcceptDrops(true);
    list_->viewport()->setAcceptDrops(true);
    list_->viewport()->installEventFilter(
        new DropFilter(this, [this](const QStringList& files) { emit filesDropped(files); }));
}

CallListPane::~CallListPane() {
    // The list and its model outlive the calls they show (child widgets go after the members):
    // they must not lay out rows that are gone.
    model_->beginRefill();
    calls_.clear();
    model_->endRefill();
}

void CallListPane::buildMenu() {
    menu_ = new QMenu(window());
    menu_->setObjectName("mnuPopup");
    for (const auto& [name, text, asked] :
         std::array<std::tuple<const char*, const char*, void (CallListPane::*)()>, 5>{{
             {"mnuPopupPlayCall", "Play Call", &CallListPane::playRequested},
             {"mnuPopupEditNote", "Edit Call Note", &CallListPane::editNoteRequested},
             {"mnuPopupDeleteCall", "Delete Call/s", &CallListPane::deleteRequested},
             {"mnuPopupEmailCall", "Email Call/s", &CallListPane::emailRequested},
             {"mnuPopupSaveCall", "Save Call/s", &CallListPane::saveRequested},
         }}) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, asked);
    }
    // "Send as": Original, Opus, MP3, kept in ShareFormat.
    QMenu* sendAs = menu_->addMenu("Send as");
    sendAs->setObjectName("mnuSendAs");
    auto* choices = new QActionGroup(sendAs);
    for (const SendAs format : {SendAs::Original, SendAs::Opus, SendAs::Mp3}) {
        QAction* a = sendAs->addAction(SendAsName(format));
        a->setObjectName("mnuSendAs" + SendAsName(format));
        a->setCheckable(true);
        a->setActionGroup(choices);
        connect(a, &QAction::triggered, this, [this, format] {
            context_.settings.ShareFormat = static_cast<int32_t>(format);
            context_.globals.WriteSettingLong("ShareFormat", context_.settings.ShareFormat);
        });
    }
}

void CallListPane::showCallMenu(const QPoint& at) {
    const QModelIndex index = list_->indexAt(at);
    if (!index.isValid()) return;
    if (!list_->selectionModel()->isRowSelected(index.row(), {})) selectRow(index.row());
    const AppSettings& settings = context_.settings;
    const int selected = static_cast<int>(list_->selectionModel()->selectedRows().size());
    const bool one = selected == 1 && settings.CanPlay;
    menu_->findChild<QAction*>("mnuPopupPlayCall")->setEnabled(one);
    menu_->findChild<QAction*>("mnuPopupEditNote")->setEnabled(one);
    std::vector<QString> users;
    for (const QModelIndex& row : list_->selectionModel()->selectedRows())
        users.push_back(
            model_->data(row.siblingAtColumn(CallListModel::User), Qt::DisplayRole).toString());
    menu_->findChild<QAction*>("mnuPopupDeleteCall")
        ->setEnabled(CanDeleteSelection(users, deletePermissions()));
    menu_->findChild<QAction*>("mnuPopupEmailCall")->setEnabled(settings.CanPlay);
    menu_->findChild<QAction*>("mnuPopupSaveCall")->setEnabled(settings.CanPlay);
    const QString chosen = "mnuSendAs" + SendAsName(SendAsFromSetting(settings.ShareFormat));
    menu_->findChild<QAction*>(chosen)->setChecked(true);
    menu_->popup(list_->viewport()->mapToGlobal(at));
}

void CallListPane::focusList() {
    list_->setFocus(Qt::OtherFocusReason);
}

DeletePermissions CallListPane::deletePermissions() const {
    return {context_.settings.CanDelete, context_.settings.DeleteOwnOnly, context_.values.userName};
}

void CallListPane::startSearch() {
    // The old list goes first, so that nothing stale shows while the search asks or runs.
    model_->beginRefill();
    calls_.clear();
    model_->endRefill();
    list_->setEnabled(false);
}

void CallListPane::showFound(std::vector<CallRecord> found) {
    model_->beginRefill();
    calls_.reserve(static_cast<int>(found.size()));
    for (CallRecord& call : found)
        calls_.adopt(std::move(call));
    model_->endRefill();
    list_->setEnabled(true);
    if (rowCount() > 0) {
        selectRow(0);
        ShowSelectedNote(*this, calls_);
    } else {
        setNoteBox("");
    }
    FitCallColumns();
}

void CallListPane::clearCalls() {
    model_->beginRefill();
    calls_.clear();
    model_->endRefill();
    FitCallColumns();
    setNoteBox("");
}

void CallListPane::addAtTop(const CallRecord& call) {
    AddRecordedCall(calls_, call);
    model_->callAddedAtTop();
    FitCallColumns();
}

bool CallListPane::listed(const QString& recordingPath) const {
    const QString wanted = QDir::cleanPath(recordingPath);
    for (const CallRecord& c : calls_)
        if (QDir::cleanPath(c.RecordingLocation) == wanted) return true;
    return false;
}

std::vector<QString> CallListPane::selectedRecordings() const {
    // Row n shows record n + 1.
    std::vector<QString> recordings;
    int row = 0;
    for (const CallRecord& call : calls_) {
        if (row >= rowCount()) break;
        if (isRowSelected(row++)) recordings.push_back(call.RecordingLocation);
    }
    return recordings;
}

void CallListPane::selectRow(int row) {
    list_->selectionModel()->setCurrentIndex(
        model_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int CallListPane::rowCount() const {
    return model_->rowCount();
}

QString CallListPane::selectedKey() const {
    const QModelIndex current = list_->currentIndex();
    return current.isValid() ? model_->keyAt(current.row()) : QString();
}

void CallListPane::setRowNote(const QString& key, const QString&) {
    model_->callChanged(key);
}

void CallListPane::setNoteBox(const QString& text) {
    note_->setPlainText(text);
}

bool CallListPane::isRowSelected(int row) const {
    return list_->selectionModel()->isRowSelected(row, {});
}

void CallListPane::removeCall(int row) {
    model_->removeCall(row);
}

void CallListPane::LayoutCallColumns() {
    columns_->read(context_.globals);
    FitCallColumns();
}

void CallListPane::FitCallColumns() {
    columns_->fit();
    context_.status.setPanel(3, QString::number(rowCount()) + " call/s");
}

std::array<int32_t, 5> CallListPane::columnWidthsTwips() const {
    return columns_->widthsTwips();
}

}  // namespace parlaro
