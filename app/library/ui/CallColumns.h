// The call list's column widths. They are stored in twips for a list as wide as the five
// default columns together, and scaled to the list shown; the note takes what is left.
#pragma once

#include "core/settings/SettingsAccess.h"

#include <array>
#include <cstdint>

class QTreeView;

namespace parlaro {

class CallColumns {
  public:
    explicit CallColumns(QTreeView& list) : list_(list) {}

    // Reads the stored widths once: they are written back only when the window closes, and
    // the list is refitted on every resize.
    void read(SettingsAccess& globals);
    // Sets the columns for the list's present width.
    void fit();
    // The five widths as they are to be stored.
    std::array<int32_t, 5> widthsTwips() const;

  private:
    QTreeView& list_;
    std::array<int32_t, 4> twips_{};
};

}  // namespace parlaro
