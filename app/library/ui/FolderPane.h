// The library's folders: the places (disks and shares), the folder tree and its menu, and the
// buttons Home, New Folder, Delete Folder and Find. The folder shown is where the call list's
// searches look.
#pragma once

#include "app/library/model/Folders.h"
#include "app/library/ui/LibraryContext.h"

#include <QWidget>

class QComboBox;
class QFileSystemModel;
class QTreeView;

namespace parlaro {

class FolderPane final : public QWidget {
    Q_OBJECT
  public:
    FolderPane(QWidget* parent, LibraryContext context);

    // False when `path` is not a folder the tree can show.
    bool SetDirListPath(const QString& path);
    // The folder shown, ending in "/".
    QString dirListPath() const;
    void onHome();
    void onNewFolder();
    void onDeleteFolder();
    void onMakeDefaultFolder();
    // After New Folder: the tree is read afresh and the new folder shown and made current.
    void showNewFolder(const QString& folder);

  signals:
    void findRequested();
    void showAllRequested();
    // The folder whose calls the list shows has been deleted.
    void shownFolderDeleted();

  private:
    void refreshFolders();
    void hideSystemFolders(const QString& folder);
    void showFolderMenu(const QPoint& at);

    LibraryContext context_;
    QComboBox* places_ = nullptr;
    QTreeView* tree_ = nullptr;
    QFileSystemModel* folders_ = nullptr;
    std::vector<Place> placeList_;
    HiddenFolders hidden_;
};

}  // namespace parlaro
