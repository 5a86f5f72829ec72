// AURX300CtrlProp: the control's own property page for its nine design-time settings other than
// the colours. The host hands it the selected controls; it shows the first one's values, and
// applying writes every field to every selected control in a fixed order, stopping at the
// first value a control refuses with that refusal in a warning box titled "Error".
#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <vector>

#include "aurx/AURX300Ctrl.h"
#include "aurxqt/aurxqt_export.h"
#include "recorder/qt/MessageSink.h"

class QLineEdit;
class QPushButton;

namespace aurxqt {

class AURXQT_EXPORT AURX300CtrlProp : public QDialog {
    Q_OBJECT

  public:
    static constexpr std::size_t kFieldCount = 9;

    explicit AURX300CtrlProp(std::shared_ptr<MessageSink> messages, QWidget* parent = nullptr);

    // The selection; the host keeps these controls alive while the page holds them. The
    // fields are filled from the first.
    void setObjects(std::vector<aurx::AURX300Ctrl*> controls);
    // Fills the fields again from the first selected control; the page is then unchanged.
    void activate();
    // Whether the fields were edited since they were filled or last applied.
    bool isChanged() const { return changed_; }
    // Writes the fields to every selected control; false at the first refusal, after its box.
    bool apply();

    // The edit field whose label reads `label` (e.g. "NumSegments:"), or null.
    QLineEdit* field(const QString& label) const;

  private:
    void setChanged(bool changed);

    std::shared_ptr<MessageSink> messages_;
    std::vector<aurx::AURX300Ctrl*> controls_;
    std::array<QLineEdit*, kFieldCount> fields_{};  // in the order they are applied
    QPushButton* applyButton_ = nullptr;
    bool changed_ = false;
};

}  // namespace aurxqt
