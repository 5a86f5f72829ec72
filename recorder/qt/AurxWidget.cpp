#include "recorder/qt/AurxWidget.h"

#include <QEvent>
#include <QFile>
#include <QPainter>
#include <QSocketNotifier>
#include <cmath>

#include "recorder/qt/FormatChooserDialog.h"
#include "recorder/qt/MessageSinkQt.h"
#include "recorder/qt/MeterRender.h"
#include "recorder/qt/PropertyPage.h"
#include "recorder/qt/SignalSink.h"

namespace aurxqt {
namespace {

// HIMETRIC units are hundredths of a millimetre: 2540 to the inch.
int himetricToPixels(std::int32_t himetric, int dotsPerInch) {
    return static_cast<int>(std::lround(static_cast<double>(himetric) * dotsPerInch / 2540.0));
}

std::string fileName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

}  // namespace

AurxWidget::AurxWidget(QWidget* parent)
    : AurxWidget(std::make_unique<aurx::AURX300Ctrl>(), parent) {}

AurxWidget::AurxWidget(std::unique_ptr<aurx::AURX300Ctrl> control, QWidget* parent)
    : QWidget(parent), control_(std::move(control)) {
    // Every paint covers the whole widget with one copy of the finished picture, so Qt need
    // not clear the background first (that clearing is what would flicker).
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    control_->setSite(this);
    // A Qt host offers the codec layer's formats in its own chooser.
    control_->setFormatChooser(std::make_shared<FormatChooserDialog>());
    sink_ = std::make_shared<SignalSink>(*this);
    sinkCookie_ = control_->Advise(sink_);
    if (const int fd = control_->notificationFd(); fd >= 0) {
        notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &AurxWidget::pumpNotifications);
    }
}

AurxWidget::~AurxWidget() {
    // The control resets as it goes and may ask for a redraw: nobody must be listening then,
    // nor watching its descriptor once it has closed it.
    if (notifier_) notifier_->setEnabled(false);
    control_->Unadvise(sinkCookie_);
    control_->setSite(nullptr);
}

QSize AurxWidget::sizeHint() const {
    return {himetricToPixels(control_->extentWidth(), logicalDpiX()),
            himetricToPixels(control_->extentHeight(), logicalDpiY())};
}

void AurxWidget::invalidate() {
    // A minimised window is drawn afresh when it comes back: asking now only wakes the program.
    if (window()->isMinimized()) return;
    update();
}

void AurxWidget::setWatchingEvents(bool watching) {
    if (!notifier_) return;
    notifier_->setEnabled(watching);
    if (watching) pumpNotifications();
}

void AurxWidget::pumpNotifications() {
    control_->processNotifications();
}

bool AurxWidget::apply(const aurx::CallResult& result) {
    if (!result.ok()) lastRefusal_ = QString::fromStdString(result.error().description);
    return result.ok();
}

void AurxWidget::paintEvent(QPaintEvent*) {
    const QImage picture = renderMeter(*control_, size(), palette());
    if (picture.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

void AurxWidget::changeEvent(QEvent* event) {
    // A system colour follows the palette it is shown with.
    if (event->type() == QEvent::PaletteChange) update();
    QWidget::changeEvent(event);
}

QByteArray AurxWidget::AcmFormat() const {
    const aurx::Variant v = control_->get_AcmFormat();
    const aurx::ByteArray* bytes = v.bytes();
    if (!bytes) return {};
    return QByteArray(reinterpret_cast<const char*>(bytes->data.data()),
                      static_cast<qsizetype>(bytes->data.size()));
}

bool AurxWidget::setAcmFormat(const QByteArray& block) {
    return apply(control_->put_AcmFormat(aurx::Variant(
        aurx::ByteArray::vector(std::vector<std::uint8_t>(block.begin(), block.end())))));
}

QString AurxWidget::Filename() const {
    return QFile::decodeName(control_->get_Filename().c_str());
}

short AurxWidget::OpenNewFile(const QString& filename) {
    return control_->OpenNewFile(fileName(filename));
}

short AurxWidget::ContinueInNewFile(const QString& filename, float leadInTime) {
    return control_->ContinueInNewFile(fileName(filename), leadInTime);
}

short AurxWidget::OpenExistingOrNewFile(const QString& filename) {
    return control_->OpenExistingOrNewFile(fileName(filename));
}

QVariantMap AurxWidget::GetLevels() const {
    const aurx::Levels l = control_->GetLevels();
    return {{"leftLevel", l.leftLevel},
            {"leftOverload", l.leftOverload},
            {"rightLevel", l.rightLevel},
            {"rightOverload", l.rightOverload}};
}

short AurxWidget::ChooseAcmFormat(int hwndOwner, const QString& dialogTitle) {
    return control_->ChooseAcmFormat(hwndOwner, dialogTitle.toStdString());
}

short AurxWidget::ChooseSpecificAcmFormat(int hwndOwner, const QString& dialogTitle,
                                          short waveFormat) {
    return control_->ChooseSpecificAcmFormat(hwndOwner, dialogTitle.toStdString(), waveFormat);
}

QString AurxWidget::GetAcmFormatAsString() {
    std::string text;
    std::int16_t code = 0;
    control_->GetAcmFormatAsString(&text, &code);
    return code == 0 ? QString::fromStdString(text) : QString();
}

QString AurxWidget::GetCurrentFormatAsString() {
    std::string text;
    std::int16_t code = 0;
    control_->GetCurrentFormatAsString(&text, &code);
    return code == 0 ? QString::fromStdString(text) : QString();
}

QString AurxWidget::RecordDeviceName(int deviceNumber) const {
    return QString::fromStdString(control_->get_RecordDeviceName(deviceNumber));
}

QString AurxWidget::PlaybackDeviceName(int deviceNumber) const {
    return QString::fromStdString(control_->get_PlaybackDeviceName(deviceNumber));
}

bool AurxWidget::ShowPropertyPage() {
    AURX300CtrlProp page(std::make_shared<QtMessageSink>(), this);
    page.setObjects({control_.get()});
    return page.exec() == QDialog::Accepted;
}

}  // namespace aurxqt
