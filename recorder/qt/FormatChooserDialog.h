// FormatChooserDialog: the format chooser a Qt host plugs into the control with
// setFormatChooser(). It lists the request's installed format tags by name and, for the chosen tag,
// that tag's formats by description, optionally only one tag, and opens on the control's stored
// format when it is one of them. Confirming returns the chosen block padded with zeros to the
// size the control asked for; cancelling returns nothing.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "aurx/FormatChooser.h"
#include "aurxqt/aurxqt_export.h"

class QComboBox;
class QPushButton;

namespace aurxqt {

// Owned by the control through a shared pointer, so it takes no Qt parent; the request's owner
// window, when Qt knows it, becomes the window it stays in front of.
class AURXQT_EXPORT FormatChooserDialog : public QDialog, public aurx::formats::FormatChooser {
    Q_OBJECT

  public:
    FormatChooserDialog();

    // Shows the dialog modally. Nothing when cancelled, or at once when no format qualifies.
    std::optional<std::vector<std::uint8_t>> choose(
        const aurx::formats::ChooserRequest& request) override;

    // The steps of choose(), for hosts that show the dialog their own way and for tests: fill
    // the lists for a request (false when nothing qualifies), let the user pick, accept() or
    // reject(), then read chosen().
    bool prepare(const aurx::formats::ChooserRequest& request);
    // The selected format as choose() would return it; nothing when the lists are empty.
    std::optional<std::vector<std::uint8_t>> selection() const;
    // What the last accept() confirmed; nothing after reject() or a new prepare().
    const std::optional<std::vector<std::uint8_t>>& chosen() const { return chosen_; }

    void accept() override;
    void reject() override;

    static QString defaultTitle();

  private:
    void listFormatsOf(int tagIndex);
    void stayInFrontOf(std::int32_t owner);

    QComboBox* tags_ = nullptr;
    QComboBox* formats_ = nullptr;
    QPushButton* okButton_ = nullptr;
    std::vector<std::vector<aurx::formats::FormatOffer>> offered_;  // per listed tag
    std::size_t bufferSize_ = 0;
    std::optional<std::vector<std::uint8_t>> chosen_;
};

}  // namespace aurxqt
