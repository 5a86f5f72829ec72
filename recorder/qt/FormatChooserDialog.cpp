#include "recorder/qt/FormatChooserDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <array>

namespace aurxqt {
namespace {

// The fixed part of a format block: the fields every format has, before its extra bytes.
constexpr std::size_t kFixedFieldsSize = 18;

// A block's fixed fields (tag, channels, rates, alignment, sample size, extra size), with the
// bytes a short block lacks read as zero.
std::array<std::uint8_t, kFixedFieldsSize> fixedFields(const std::vector<std::uint8_t>& block) {
    std::array<std::uint8_t, kFixedFieldsSize> fields{};
    std::copy_n(block.begin(), std::min(block.size(), fields.size()), fields.begin());
    return fields;
}

// Where the format that `initial` holds stands in `formats`: the same bytes (the rest of
// `initial` being the chooser's padding), else the same fixed fields, else the first.
int indexOf(const std::vector<aurx::formats::FormatOffer>& formats,
            const std::vector<std::uint8_t>& initial) {
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const auto& block = formats[i].block;
        if (block.size() <= initial.size() &&
            std::equal(block.begin(), block.end(), initial.begin()))
            return static_cast<int>(i);
    }
    const auto wanted = fixedFields(initial);
    for (std::size_t i = 0; i < formats.size(); ++i)
        if (fixedFields(formats[i].block) == wanted) return static_cast<int>(i);
    return 0;
}

}  // namespace

FormatChooserDialog::FormatChooserDialog() {
    setWindowTitle(defaultTitle());
    tags_ = new QComboBox(this);
    tags_->setObjectName(QStringLiteral("formatTag"));
    formats_ = new QComboBox(this);
    formats_->setObjectName(QStringLiteral("formatAttributes"));
    formats_->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    auto* form = new QFormLayout;
    form->addRow(tr("&Format:"), tags_);
    form->addRow(tr("&Attributes:"), formats_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &FormatChooserDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FormatChooserDialog::reject);
    connect(tags_, &QComboBox::currentIndexChanged, this, &FormatChooserDialog::listFormatsOf);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString FormatChooserDialog::defaultTitle() {
    return tr("Choose a Sound Format");
}

bool FormatChooserDialog::prepare(const aurx::formats::ChooserRequest& request) {
    chosen_.reset();
    bufferSize_ = request.bufferSize;
    setWindowTitle(request.title.empty() ? defaultTitle() : QString::fromStdString(request.title));

    const QSignalBlocker quiet(tags_);
    tags_->clear();
    offered_.clear();
    for (const auto& family : request.installed) {
        if (request.tagFilter != 0 && family.tag != request.tagFilter) continue;
        auto formats = family.formats;
        // A format longer than the caller's buffer would come back cut short.
        if (bufferSize_ != 0)
            std::erase_if(formats, [&](const auto& f) { return f.block.size() > bufferSize_; });
        if (formats.empty()) continue;
        tags_->addItem(
            family.name ? QString::fromStdString(*family.name) : tr("Format %1").arg(family.tag),
            static_cast<int>(family.tag));
        offered_.push_back(std::move(formats));
    }

    int tagIndex = 0;
    int formatIndex = 0;
    if (request.initial.size() >= kFixedFieldsSize) {
        const int tag = request.initial[0] | (request.initial[1] << 8);
        const int found = tags_->findData(tag);
        if (found >= 0) {
            tagIndex = found;
            formatIndex = indexOf(offered_[static_cast<std::size_t>(found)], request.initial);
        }
    }
    tags_->setCurrentIndex(offered_.empty() ? -1 : tagIndex);
    listFormatsOf(tags_->currentIndex());
    if (!offered_.empty()) formats_->setCurrentIndex(formatIndex);
    okButton_->setEnabled(!offered_.empty());
    return !offered_.empty();
}

void FormatChooserDialog::listFormatsOf(int tagIndex) {
    formats_->clear();
    if (tagIndex < 0 || static_cast<std::size_t>(tagIndex) >= offered_.size()) return;
    for (const auto& offer : offered_[static_cast<std::size_t>(tagIndex)])
        formats_->addItem(offer.description ? QString::fromStdString(*offer.description)
                                            : tr("[Unavailable]"));
    formats_->setCurrentIndex(0);
}

std::optional<std::vector<std::uint8_t>> FormatChooserDialog::selection() const {
    const int t = tags_->currentIndex();
    const int f = formats_->currentIndex();
    if (t < 0 || f < 0 || static_cast<std::size_t>(t) >= offered_.size()) return std::nullopt;
    const auto& list = offered_[static_cast<std::size_t>(t)];
    if (static_cast<std::size_t>(f) >= list.size()) return std::nullopt;
    auto block = list[static_cast<std::size_t>(f)].block;
    if (block.size() < bufferSize_) block.resize(bufferSize_, 0);
    return block;
}

void FormatChooserDialog::accept() {
    chosen_ = selection();
    if (!chosen_) return;  // nothing to confirm: stay open
    QDialog::accept();
}

void FormatChooserDialog::reject() {
    chosen_.reset();
    QDialog::reject();
}

std::optional<std::vector<std::uint8_t>> FormatChooserDialog::choose(
    const aurx::formats::ChooserRequest& request) {
    if (!prepare(request)) return std::nullopt;
    stayInFrontOf(request.owner);
    const bool confirmed = exec() == QDialog::Accepted;
    return confirmed ? chosen_ : std::nullopt;
}

void FormatChooserDialog::stayInFrontOf(std::int32_t owner) {
    QWidget* ownerWidget =
        owner != 0 ? QWidget::find(static_cast<WId>(static_cast<std::uint32_t>(owner))) : nullptr;
    winId();  // the dialog's own window, so that it can be told whom it belongs to
    if (QWindow* self = windowHandle())
        self->setTransientParent(ownerWidget ? ownerWidget->window()->windowHandle() : nullptr);
}

}  // namespace aurxqt
