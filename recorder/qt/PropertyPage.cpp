#include "recorder/qt/PropertyPage.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "recorder/qt/MessageSinkQt.h"

namespace aurxqt {
namespace {

using aurx::AURX300Ctrl;
using aurx::CallResult;

// A whole number as typed. One beyond the property's type is held at the type's limit, which
// every setter on this page refuses, instead of wrapping round to a value it might accept.
template <class T>
T wholeNumber(const QString& text) {
    static const QRegularExpression form("^[+-]?[0-9]+$");
    const QString t = text.trimmed();
    if (!form.match(t).hasMatch()) return 0;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    constexpr T lowest = std::numeric_limits<T>::min();
    constexpr T highest = std::numeric_limits<T>::max();
    if (!ok) return t.startsWith('-') ? lowest : highest;
    return static_cast<T>(std::clamp<qlonglong>(v, lowest, highest));
}

// Seconds as typed. An empty field reads as -1, and so does text that is no finite number of
// the property's type, so that the setter refuses it with its own message rather than the page
// quietly writing 0 or an endless tone.
template <class T>
T seconds(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::abs(v) > std::numeric_limits<T>::max()) return -1;
    return static_cast<T>(v);
}

template <class Setter>
struct SetterArg;
template <class T>
struct SetterArg<CallResult (AURX300Ctrl::*)(T)> {
    using type = T;
};

struct Setting {
    const char* label;
    int column;  // 0 left, 1 right
    int row;
    bool whole;  // a whole number, else seconds
    QString (*text)(const AURX300Ctrl&);
    CallResult (*write)(AURX300Ctrl&, const QString&);
};

template <auto Get, auto Put>
constexpr Setting whole(const char* label, int column, int row) {
    using T = typename SetterArg<decltype(Put)>::type;
    return {
        label,
        column,
        row,
        true,
        [](const AURX300Ctrl& c) { return QString::number(std::invoke(Get, c)); },
        [](AURX300Ctrl& c, const QString& t) { return std::invoke(Put, c, wholeNumber<T>(t)); }};
}

template <auto Get, auto Put>
constexpr Setting inSeconds(const char* label, int column, int row) {
    using T = typename SetterArg<decltype(Put)>::type;
    return {label,
            column,
            row,
            false,
            [](const AURX300Ctrl& c) {
                return QString::asprintf("%0.3f", static_cast<double>(std::invoke(Get, c)));
            },
            [](AURX300Ctrl& c, const QString& t) { return std::invoke(Put, c, seconds<T>(t)); }};
}

// In the order they are applied: the rate goes before the time limit, so that the limit in
// frames follows the new rate.
constexpr Setting kSettings[AURX300CtrlProp::kFieldCount] = {
    whole<&AURX300Ctrl::get_NumSegments, &AURX300Ctrl::put_NumSegments>("NumSegments:", 0, 0),
    whole<&AURX300Ctrl::get_Orientation, &AURX300Ctrl::put_Orientation>("Orientation:", 0, 1),
    whole<&AURX300Ctrl::get_Style, &AURX300Ctrl::put_Style>("Style:", 0, 2),
    whole<&AURX300Ctrl::get_SampleRate, &AURX300Ctrl::put_SampleRate>("SampleRate:", 1, 0),
    whole<&AURX300Ctrl::get_BitsPerSample, &AURX300Ctrl::put_BitsPerSample>(
        "BitsPerSample/Format:", 1, 2),
    whole<&AURX300Ctrl::get_NumChannels, &AURX300Ctrl::put_NumChannels>("NumChannels:", 1, 1),
    inSeconds<&AURX300Ctrl::get_RecordTimeLimit, &AURX300Ctrl::put_RecordTimeLimit>(
        "RecordTimeLimit:", 1, 3),
    inSeconds<&AURX300Ctrl::get_PreToneDuration, &AURX300Ctrl::put_PreToneDuration>(
        "PreToneDuration:", 0, 3),
    inSeconds<&AURX300Ctrl::get_PostToneDuration, &AURX300Ctrl::put_PostToneDuration>(
        "PostToneDuration:", 0, 4),
};

}  // namespace

AURX300CtrlProp::AURX300CtrlProp(std::shared_ptr<MessageSink> messages, QWidget* parent)
    : QDialog(parent), messages_(std::move(messages)) {
    if (!messages_) messages_ = std::make_shared<QtMessageSink>(this);
    setWindowTitle(QStringLiteral("AURX300Ctrl Properties"));

    // Signs and digits only; at most twelve, which is past every limit and still a number.
    static const QRegularExpression wholeForm("[+-]?[0-9]{0,12}");
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const Setting& s = kSettings[i];
        auto* edit = new QLineEdit(this);
        const QString label = QString::fromLatin1(s.label);
        edit->setObjectName(label.chopped(1));
        if (s.whole) edit->setValidator(new QRegularExpressionValidator(wholeForm, edit));
        auto* caption = new QLabel(label, this);
        caption->setBuddy(edit);
        grid->addWidget(caption, s.row, s.column * 2);
        grid->addWidget(edit, s.row, s.column * 2 + 1);
        // Every field counts as a change, the seconds too: otherwise a page on which only a
        // tone length was edited could not be applied.
        connect(edit, &QLineEdit::textEdited, this, [this] { setChanged(true); });
        fields_[i] = edit;
    }

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    applyButton_ = buttons->button(QDialogButtonBox::Apply);
    connect(applyButton_, &QPushButton::clicked, this, [this] { apply(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (!changed_ || apply()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setChanged(false);
}

void AURX300CtrlProp::setObjects(std::vector<aurx::AURX300Ctrl*> controls) {
    std::erase(controls, nullptr);
    controls_ = std::move(controls);
    activate();
}

void AURX300CtrlProp::activate() {
    for (std::size_t i = 0; i < kFieldCount; ++i)
        fields_[i]->setText(controls_.empty() ? QString() : kSettings[i].text(*controls_.front()));
    setChanged(false);
}

bool AURX300CtrlProp::apply() {
    for (auto* control : controls_) {
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            const CallResult r = kSettings[i].write(*control, fields_[i]->text());
            if (r.ok()) continue;
            messages_->show({QStringLiteral("Error"), QString::fromStdString(r.error().description),
                             MessageIcon::Warning});
            return false;
        }
    }
    setChanged(false);
    return true;
}

QLineEdit* AURX300CtrlProp::field(const QString& label) const {
    for (std::size_t i = 0; i < kFieldCount; ++i)
        if (label == QLatin1String(kSettings[i].label)) return fields_[i];
    return nullptr;
}

void AURX300CtrlProp::setChanged(bool changed) {
    changed_ = changed;
    applyButton_->setEnabled(changed);
}

}  // namespace aurxqt
