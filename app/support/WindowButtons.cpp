#include "app/support/WindowButtons.h"

#include <QPushButton>

namespace parlaro {

QPushButton* WindowButtons::add(QWidget* parent, MainButton role, const QString& name,
                                const QString& text, const QString& tip) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    buttons_[role] = b;
    return b;
}

void WindowButtons::setEnabled(MainButton role, bool enabled) {
    if (const auto it = buttons_.find(role); it != buttons_.end()) it->second->setEnabled(enabled);
}

}  // namespace parlaro
