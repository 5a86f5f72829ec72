#include "app/library/ui/CallColumns.h"

#include "app/library/model/CallListModel.h"
#include "app/support/FormPosition.h"

#include <QHeaderView>
#include <QTreeView>

#include <algorithm>
#include <cmath>

namespace parlaro {

namespace {

struct ColumnSetting {
    const char* name;
    int32_t defaultTwips;
};
constexpr std::array<ColumnSetting, 4> kColumnSettings{
    {{"GRD_USER", 1250}, {"GRD_DATE", 1200}, {"GRD_TIME", 900}, {"GRD_DUR", 900}}};
// The default columns and the note's 1170 twips, in pixels.
constexpr int kReferenceWidth = (1250 + 1200 + 900 + 900 + 1170) / kTwipsPerPixel;

// Shown pixels per stored pixel: the widths are kept for a list of the reference width.
double ListScale(const QTreeView& list) {
    return static_cast<double>(list.viewport()->width()) / kReferenceWidth;
}

}  // namespace

void CallColumns::read(SettingsAccess& globals) {
    for (std::size_t i = 0; i < kColumnSettings.size(); ++i)
        twips_[i] =
            globals.ReadSettingLong(kColumnSettings[i].name, kColumnSettings[i].defaultTwips);
}

void CallColumns::fit() {
    const int listWidth = list_.viewport()->width();
    const double factor = ListScale(list_);
    int sum = 0;
    for (std::size_t i = 0; i < kColumnSettings.size(); ++i) {
        const int32_t twips = twips_[i] > 0 ? twips_[i] : kColumnSettings[i].defaultTwips;
        // No column wider than the list: a damaged setting would otherwise make one so wide
        // that painting its header takes tens of megabytes.
        const int width = static_cast<int>(std::lround(std::min<double>(
            twips / static_cast<double>(kTwipsPerPixel) * factor, std::max(listWidth, 40))));
        list_.setColumnWidth(static_cast<int>(i), width);
        sum += width;
    }
    list_.setColumnWidth(CallListModel::Note, std::max(listWidth - sum, 40));
}

std::array<int32_t, 5> CallColumns::widthsTwips() const {
    // Stored for the reference width, as fit() reads them: stored as shown, every session
    // would widen them by the list's width over the reference.
    const double scale = ListScale(list_);
    const double factor = scale > 0 ? 1 / scale : 1.0;
    std::array<int32_t, 5> twips{};
    for (std::size_t i = 0; i < twips.size(); ++i)
        twips[i] = static_cast<int32_t>(std::lround(
            list_.header()->sectionSize(static_cast<int>(i)) * kTwipsPerPixel * factor));
    return twips;
}

}  // namespace parlaro
