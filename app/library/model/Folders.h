// The folder side of the library: the places a person picks a folder from, and the rules for
// making and deleting call folders.
#pragma once

#include "services/prompts/Prompter.h"

#include <QString>

#include <set>
#include <vector>

namespace parlaro {

struct Place {
    QString label;  // what the list shows
    QString path;
};

// The root, the home folder and every mounted volume a person would pick (disks, removable
// media, network shares), read from a mount table in /proc/self/mounts form. Pseudo file
// systems are left out.
std::vector<Place> ListPlaces(const QString& home, const QString& mountTable = "/proc/self/mounts");

// What the folder tree leaves out, as the places do: the system's own folders (/proc, /sys,
// /dev, /run, /boot, …) and the mount points of pseudo file systems (tmpfs, cgroups, overlay
// layers, …) in a mount table in /proc/self/mounts form.
class HiddenFolders {
  public:
    explicit HiddenFolders(const QString& mountTable = "/proc/self/mounts");
    bool hides(const QString& path) const;

  private:
    std::set<QString> pseudo_;
};

// The place `path` lies in: the longest place path above it, "/" when no other is.
QString PlaceOf(const std::vector<Place>& places, const QString& path);

// New Folder's OK: refuses names with forbidden characters or of an existing folder (each
// with its message) and otherwise makes the folder. True when it was made.
bool MakeCallFolder(const QString& parent, const QString& name, Prompter& prompter);

// A folder holds calls when it or one of its direct subfolders holds any file.
bool FolderHoldsFiles(const QString& path);

// Delete Folder: refused with its message while the folder holds files one level down;
// otherwise removed with everything below it. True when it was removed.
bool DeleteCallFolder(const QString& path, Prompter& prompter);

// The nearest folder at or above `path` that exists.
QString ExistingFolderAtOrAbove(QString path);

}  // namespace parlaro
