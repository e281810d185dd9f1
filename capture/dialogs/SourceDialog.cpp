#include "SourceDialog.h"
#include "AutoControls.h"
#include "ControlNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// A slider moves in steps of one; the device only takes Minimum + k * Step.
int Snap(const CCaptureControl& control, int value) {
    if (control.Step <= 1)
        return value;
    // In 64 bits: a control may span the whole int range.
    const int64_t minimum = control.Minimum;
    int64_t snapped = minimum + std::llround(double(value - minimum) / control.Step) * control.Step;
    if (snapped > control.Maximum)
        snapped -= control.Step;  // the last step that fits
    return int(std::clamp<int64_t>(snapped, minimum, control.Maximum));
}

QWidget* Scrolled(QWidget* content) {
    auto* area = new QScrollArea;
    area->setWidget(content);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tall enough for a dozen controls; a camera with more scrolls.
    area->setMinimumHeight(std::min(content->sizeHint().height(), 480));
    area->setMinimumWidth(content->sizeHint().width() + 20);
    return area;
}

}  // namespace

CSourceDialog::CSourceDialog(CDeviceAccess& device, QWidget* owner)
    : QDialog(owner), Device(device) {
    setWindowTitle(QStringLiteral("Font de vídeo"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("Ajustos del dispositiu. Cada canvi s'aplica a "
                                           "l'instant; la imatge viva es reprèn en tancar."));
    note->setEnabled(false);
    layout->addWidget(note);
    auto* content = new QWidget;
    auto* grid = new QGridLayout(content);
    grid->setHorizontalSpacing(14);
    grid->setColumnMinimumWidth(1, 220);
    grid->setColumnStretch(1, 1);
    for (const CCaptureControl& control : Device.Controls())
        AddRow(grid, control);
    if (Rows.empty())
        layout->addWidget(new QLabel(QStringLiteral("El dispositiu no té cap control ajustable.")));
    else
        layout->addWidget(Scrolled(content));

    // The two that act on the device on the left, Tanca on its own on the right.
    auto* defaults = new QPushButton(QStringLiteral("Restableix"));
    defaults->setToolTip(
        QStringLiteral("Torna tots els controls als valors de fàbrica del dispositiu"));
    defaults->setEnabled(!Rows.empty());
    auto* lock = new QPushButton(QStringLiteral("Fixa l'exposició i el color"));
    lock->setToolTip(QStringLiteral("Passa a manual l'exposició, el guany i el balanç de blancs "
                                    "automàtics, amb els valors que tenen ara, perquè el color "
                                    "calibrat no canviï. Restableix ho desfà."));
    lock->setEnabled(HasAutomaticControl());
    // Enter closes; it must never reset the device or press one of its buttons by accident.
    defaults->setAutoDefault(false);
    lock->setAutoDefault(false);
    connect(defaults, &QPushButton::clicked, this, &CSourceDialog::RestoreDefaults);
    connect(lock, &QPushButton::clicked, this, &CSourceDialog::LockExposureAndColour);
    auto* buttons = new QDialogButtonBox;
    QPushButton* close = buttons->addButton(QStringLiteral("Tanca"), QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    close->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(defaults);
    row->addWidget(lock);
    row->addStretch();
    row->addWidget(buttons);
    layout->addLayout(row);
}

void CSourceDialog::AddRow(QGridLayout* grid, const CCaptureControl& control) {
    CRow& row = Rows[control.Id];
    row.Control = control;
    const int line = grid->rowCount();
    const QString label = ControlLabel(control.Name);
    row.Editor = MakeEditor(row);
    if (control.Type == CCaptureControl::Boolean) {
        static_cast<QCheckBox*>(row.Editor)->setText(label);
        grid->addWidget(row.Editor, line, 0, 1, 3);
    } else if (control.Type == CCaptureControl::Button) {
        static_cast<QPushButton*>(row.Editor)->setText(label);
        grid->addWidget(row.Editor, line, 0, 1, 1);
    } else {
        row.Caption = new QLabel(label);
        row.Caption->setBuddy(row.Editor);
        grid->addWidget(row.Caption, line, 0);
        grid->addWidget(row.Editor, line, 1, 1, row.ValueText ? 1 : 2);
        if (row.ValueText)
            grid->addWidget(row.ValueText, line, 2);
    }
    Show(row);
}

QWidget* CSourceDialog::MakeEditor(CRow& row) {
    const CCaptureControl& control = row.Control;
    const uint32_t id = control.Id;
    switch (control.Type) {
    case CCaptureControl::Integer: {
        auto* slider = new QSlider(Qt::Horizontal);
        slider->setRange(control.Minimum, control.Maximum);
        slider->setSingleStep(std::max(1, control.Step));
        slider->setPageStep(int(std::max<int64_t>(
            std::max(1, control.Step), (int64_t(control.Maximum) - control.Minimum) / 10)));
        row.ValueText = new QLabel;
        row.ValueText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row.ValueText->setMinimumWidth(
            row.ValueText->fontMetrics().horizontalAdvance(QString::number(
                std::min<int64_t>(control.Minimum, -std::abs(int64_t(control.Maximum))))));
        connect(slider, &QSlider::valueChanged, this, [this, id](int v) { Apply(id, v); });
        return slider;
    }
    case CCaptureControl::Boolean: {
        auto* check = new QCheckBox;
        connect(check, &QCheckBox::toggled, this, [this, id](bool on) { Apply(id, on ? 1 : 0); });
        return check;
    }
    case CCaptureControl::Menu: {
        auto* combo = new QComboBox;
        for (const auto& [value, text] : control.MenuItems)
            combo->addItem(MenuItemLabel(text), value);
        connect(combo, &QComboBox::activated, this,
                [this, id, combo](int index) { Apply(id, combo->itemData(index).toInt()); });
        return combo;
    }
    case CCaptureControl::Button:
        break;
    }
    auto* button = new QPushButton;
    button->setAutoDefault(false);
    button->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    connect(button, &QPushButton::clicked, this, [this, id] { Apply(id, 1); });
    return button;
}

QWidget* CSourceDialog::Editor(uint32_t id) const {
    const auto it = Rows.find(id);
    return it == Rows.end() ? nullptr : it->second.Editor;
}

void CSourceDialog::Apply(uint32_t id, int value) {
    const auto it = Rows.find(id);
    if (it == Rows.end())
        return;
    // A refused value is not reported on its own: the read-back below shows what the device kept.
    Device.SetControl(id, Snap(it->second.Control, value));
    Refresh();
}

void CSourceDialog::RestoreDefaults() {
    // Manual values first, while a manual mode the user chose still lets the device take them;
    // then the automatic switches and menus; then the manual values a default switch has just
    // made writable.
    for (const bool switches : {false, true, false})
        for (const CCaptureControl& control : Device.Controls()) {
            if (control.Type == CCaptureControl::Button || control.Value == control.Default)
                continue;
            if ((control.Type != CCaptureControl::Integer) != switches || control.Inactive)
                continue;
            Device.SetControl(control.Id, control.Default);
        }
    Refresh();
}

bool CSourceDialog::HasAutomaticControl() const {
    return std::any_of(AutomaticControls().begin(), AutomaticControls().end(),
                       [this](const CAutomaticControl& a) { return Rows.count(a.Id) != 0; });
}

void CSourceDialog::LockExposureAndColour() {
    for (const CAutomaticControl& automatic : AutomaticControls())
        if (Rows.count(automatic.Id))
            Device.SetControl(automatic.Id, automatic.Manual);
    // Switched off, an automatic control leaves its manual ones at what it had reached; setting
    // them to what they read back makes those the values the camera keeps and gets again.
    for (const CCaptureControl& control : Device.Controls())
        for (const CAutomaticControl& automatic : AutomaticControls())
            if (!control.Inactive &&
                std::count(automatic.Governed.begin(), automatic.Governed.end(), control.Id))
                Device.SetControl(control.Id, control.Value);
    Refresh();
}

void CSourceDialog::Refresh() {
    for (const CCaptureControl& control : Device.Controls()) {
        const auto it = Rows.find(control.Id);
        if (it == Rows.end())
            continue;
        it->second.Control = control;
        Show(it->second);
    }
}

void CSourceDialog::Show(CRow& row) {
    const CCaptureControl& control = row.Control;
    const QSignalBlocker quiet(row.Editor);
    switch (control.Type) {
    case CCaptureControl::Integer: {
        auto* slider = static_cast<QSlider*>(row.Editor);
        // Leave a slider the user is dragging where the hand is.
        if (!slider->isSliderDown())
            slider->setValue(control.Value);
        row.ValueText->setText(QString::number(control.Value));
        break;
    }
    case CCaptureControl::Boolean:
        static_cast<QCheckBox*>(row.Editor)->setChecked(control.Value != 0);
        break;
    case CCaptureControl::Menu: {
        auto* combo = static_cast<QComboBox*>(row.Editor);
        combo->setCurrentIndex(combo->findData(control.Value));
        break;
    }
    case CCaptureControl::Button:
        break;
    }
    row.Editor->setEnabled(!control.Inactive);
    if (row.Caption)
        row.Caption->setEnabled(!control.Inactive);
    if (row.ValueText)
        row.ValueText->setEnabled(!control.Inactive);
}
