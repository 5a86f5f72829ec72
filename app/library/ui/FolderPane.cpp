#include "app/library/ui/FolderPane.h"

#include "app/library/model/Folders.h"
#include "app/library/ui/NewFolderDialog.h"
#include "core/calls/CallsFolderAccess.h"
#include "core/support/RuntimeErrors.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace parlaro {

FolderPane::FolderPane(QWidget* parent, LibraryContext context)
    : QWidget(parent), context_(context) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    places_ = new QComboBox(this);
    places_->setObjectName("drvList");
    places_->setToolTip("Disks and shares");
    placeList_ = ListPlaces(QDir::homePath());
    for (const Place& place : placeList_)
        places_->addItem(place.label, place.path);
    column->addWidget(places_);
    tree_ = new QTreeView(this);
    tree_->setObjectName("dirList");
    refreshFolders();
    tree_->setHeaderHidden(true);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setMinimumWidth(180);
    column->addWidget(tree_, 1);
    auto* buttons = new QHBoxLayout;
    const auto add = [this, buttons](const char* name, const char* text, const char* tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    QPushButton* home = add("btnHome", "&Home", "Go to the calls folder");
    QPushButton* make = add("cmdNewFolder", "New &Folder", "Make a folder in the folder shown");
    QPushButton* remove =
        add("btnDelFolder", "&Delete Folder", "Delete the folder shown (only when empty)");
    QPushButton* find = add("cmdFind", "&Find...", "Find calls by user, date, note or length");
    column->addLayout(buttons);

    connect(home, &QPushButton::clicked, this, &FolderPane::onHome);
    connect(make, &QPushButton::clicked, this, &FolderPane::onNewFolder);
    connect(remove, &QPushButton::clicked, this, &FolderPane::onDeleteFolder);
    connect(find, &QPushButton::clicked, this, &FolderPane::findRequested);
    connect(places_, &QComboBox::activated, this,
            [this](int i) { SetDirListPath(places_->itemData(i).toString()); });
    connect(tree_, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        SetDirListPath(folders_->filePath(index));
        context_.settings.SearchPath = dirListPath();
    });
    connect(tree_, &QTreeView::customContextMenuRequested, this, &FolderPane::showFolderMenu);
}

void FolderPane::showFolderMenu(const QPoint& at) {
    QMenu menu(window());
    menu.setObjectName("mnuFolder");
    menu.setTitle("Folder");
    menu.addAction("New Folder", this, &FolderPane::onNewFolder)->setObjectName("mnuFolderNew");
    menu.addAction("Delete Folder", this, &FolderPane::onDeleteFolder)
        ->setObjectName("mnuFolderDelete");
    menu.addAction("Make default folder", this, &FolderPane::onMakeDefaultFolder)
        ->setObjectName("mnuFolderDefault");
    menu.addAction("Show all calls in folder", this, &FolderPane::showAllRequested)
        ->setObjectName("mnuFolderShowAll");
    menu.exec(tree_->viewport()->mapToGlobal(at));
}

void FolderPane::refreshFolders() {
    const QString current = folders_ ? dirListPath() : QString();
    // The tree does not watch the disk: a busy home or temporary folder above the calls
    // would keep the window working all day. It is read afresh after the window's own
    // folder changes instead.
    auto* fresh = new QFileSystemModel(this);
    fresh->setOptions(QFileSystemModel::DontWatchForChanges |
                      QFileSystemModel::DontUseCustomDirectoryIcons);
    fresh->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    fresh->setRootPath("/");
    tree_->setModel(fresh);
    for (int c = 1; c < fresh->columnCount(); ++c)
        tree_->hideColumn(c);
    // Folders are read in the background: leave out the system's own as each is read, and
    // bring the current one into view once its parents have been read.
    connect(fresh, &QFileSystemModel::directoryLoaded, tree_, [this](const QString& folder) {
        hideSystemFolders(folder);
        if (tree_->currentIndex().isValid()) tree_->scrollTo(tree_->currentIndex());
    });
    if (folders_) folders_->deleteLater();
    folders_ = fresh;
    if (!current.isEmpty()) SetDirListPath(ExistingFolderAtOrAbove(current));
}

void FolderPane::hideSystemFolders(const QString& folder) {
    const QModelIndex parent = folders_->index(folder);
    const QString current = QDir::cleanPath(dirListPath());
    const QString calls = QDir::cleanPath(context_.settings.CallPath);
    const auto leadsTo = [](const QString& above, const QString& path) {
        return path == above || path.startsWith(above + "/");
    };
    for (int row = 0; row < folders_->rowCount(parent); ++row) {
        const QString path = QDir::cleanPath(folders_->filePath(folders_->index(row, 0, parent)));
        // The way to the current folder and to the calls folder stays, wherever they are.
        const bool needed = leadsTo(path, current) || leadsTo(path, calls);
        tree_->setRowHidden(row, parent, hidden_.hides(path) && !needed);
    }
}

bool FolderPane::SetDirListPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir()) return false;
    const QString folder = info.absoluteFilePath();
    const QModelIndex index = folders_->index(folder);
    if (!index.isValid()) return false;
    // The tree starts at the place the folder is in (unless it is below the tree's start
    // already); scrolling to the folder opens the way down to it.
    const QModelIndex root = tree_->rootIndex();
    const QString top = root.isValid() ? QDir::cleanPath(folders_->filePath(root)) : QString();
    const bool below =
        !top.isEmpty() && (folder == top || folder.startsWith(top == "/" ? top : top + "/"));
    if (!below) {
        const QString place = PlaceOf(placeList_, folder);
        tree_->setRootIndex(folders_->index(place));
        if (const int item = places_->findData(place); item >= 0) places_->setCurrentIndex(item);
    }
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    return true;
}

QString FolderPane::dirListPath() const {
    const QModelIndex current = tree_->currentIndex();
    if (!current.isValid()) return context_.settings.SearchPath;
    QString path = folders_->filePath(current);
    return path.endsWith('/') ? path : path + "/";
}

void FolderPane::onHome() {
    AppSettings& settings = context_.settings;
    if (!SetDirListPath(settings.CallPath)) {
        MakeCallsFolder(settings.CallPath);
        if (!SetDirListPath(settings.CallPath)) {
            context_.prompter.show(
                {kProductName, "Unable to set default folder!", Icon::Exclamation, Buttons::Ok});
            return;
        }
    }
    settings.SearchPath = dirListPath();
    context_.globals.WriteSetting("SearchPath", settings.SearchPath);
}

void FolderPane::onNewFolder() {
    NewFolderDialog dialog(window(), dirListPath(), context_.prompter);
    if (dialog.exec() == QDialog::Accepted) showNewFolder(dialog.made());
}

void FolderPane::showNewFolder(const QString& folder) {
    refreshFolders();
    if (SetDirListPath(folder)) context_.settings.SearchPath = dirListPath();
}

void FolderPane::onDeleteFolder() {
    QString path = dirListPath();
    if (path.endsWith('/') && path.size() > 1) path.chop(1);
    try {
        if (!DeleteCallFolder(path, context_.prompter)) return;
    } catch (const std::exception& e) {
        context_.prompter.show(libraryErrorMessage("frmMain:btnDelFolder_Click", e));
        return;
    }
    const QString& shown = context_.settings.SearchPath;
    if ((shown.endsWith('/') ? shown.chopped(1) : shown) == path) emit shownFolderDeleted();
    refreshFolders();
    SetDirListPath(ExistingFolderAtOrAbove(path));
    context_.settings.SearchPath = dirListPath();
}

void FolderPane::onMakeDefaultFolder() {
    const QString path = dirListPath();
    if (context_.prompter.show({"Set Default", "Make " + path + " your recorded calls folder?",
                                Icon::Question, Buttons::OkCancel}) != Answer::Ok)
        return;
    context_.settings.CallPath = path;
    context_.globals.WriteSetting("CallPath", path);
}

}  // namespace parlaro
