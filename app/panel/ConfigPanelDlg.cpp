#include "ConfigPanelDlg.h"

#include "ConfigPanelLayout.h"
#include "DialogUnits.h"
#include "EditBoxNumber.h"
#include "SettingsStore.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>

namespace L = ConfigPanelLayout;

namespace {

QGroupBox* MakeGroup(const QString& title, const QRect& rectDu, const QPoint& originDu,
                     const CDialogUnits& du, QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    group->setGeometry(du.Rect(rectDu, originDu));
    // The rows are placed for a frame whose top line runs through the middle of the title,
    // not below it as some styles draw it.
    const int halfTitle = group->fontMetrics().height() / 2;
    group->setStyleSheet(
        QStringLiteral(
            "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: %1px; }"
            "QGroupBox::title { subcontrol-origin: margin; left: %2px; padding: 0 2px;"
            " background-color: palette(window); }")
            .arg(halfTitle)
            .arg(du.X(2)));
    return group;
}

// A focus change the user made inside the panel. A window losing activation (which includes
// the panel closing) or a context menu opening is not the user leaving the box, so it does not
// check the typed value.
bool IsFocusMove(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

CConfigPanelDlg::CConfigPanelDlg(CTrackingParams& params, QWidget* parent,
                                 std::function<void()> store)
    : QDialog(parent), Params(params), Store(std::move(store)) {
    setWindowTitle(QStringLiteral("Panell de configuració"));
    const CDialogUnits du(fontMetrics());
    NarrowSize = du.Size(L::NarrowWidth, L::TemplateHeight);
    WideSize = du.Size(L::TemplateWidth, L::TemplateHeight);

    BuildFixedControls(du);
    BuildRows(du);
    SetTabOrder();
    for (CRow& row : Rows)
        SetUpRow(row);
    ApplyWidthRule();
    OkButton->setFocus();
}

CConfigPanelDlg::~CConfigPanelDlg() = default;

void CConfigPanelDlg::BuildFixedControls(const CDialogUnits& du) {
    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("ok"));
    OkButton->setGeometry(du.Rect(L::OkButton));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &CConfigPanelDlg::accept);

    MakeGroup(QStringLiteral("Amplada objecte"), L::WidthGroup, {}, du, this);
    MakeGroup(QStringLiteral("Alçada objecte"), L::HeightGroup, {}, du, this);
    MakeGroup(QStringLiteral("Relació aspecte"), L::RatioGroup, {}, du, this);
    ColourGroup = MakeGroup(QStringLiteral("Ajust de color"), L::ColourGroup, {}, du, this);
    ColourGroup->setObjectName(QStringLiteral("groupAjustColor"));
    const QPoint inColour = L::ColourGroup.topLeft();
    MakeGroup(QStringLiteral("Lluminositat"), L::LumaGroup, inColour, du, ColourGroup);
    MakeGroup(QStringLiteral("Ajust 1"), L::Adjust1Group, inColour, du, ColourGroup);
    MakeGroup(QStringLiteral("Ajust 2"), L::Adjust2Group, inColour, du, ColourGroup);

    MaskCheck = new QCheckBox(QStringLiteral("Visió Quelta"), this);
    MaskCheck->setObjectName(QStringLiteral("check%1").arg(L::MaskCheckId));
    MaskCheck->setGeometry(du.Rect(L::MaskCheck));
    connect(MaskCheck, &QCheckBox::clicked, this,
            [this](bool checked) { Params.ShowMask = checked; });

    WideCheck = new QCheckBox(QStringLiteral("Configuració avançada"), this);
    WideCheck->setObjectName(QStringLiteral("check%1").arg(L::WideCheckId));
    WideCheck->setGeometry(du.Rect(L::WideCheck));
    connect(WideCheck, &QCheckBox::clicked, this, &CConfigPanelDlg::ApplyWidthRule);
}

void CConfigPanelDlg::BuildRows(const CDialogUnits& du) {
    for (size_t i = 0; i < L::Rows.size(); ++i) {
        const L::CRowLayout& rowLayout = L::Rows[i];
        QWidget* parent = rowLayout.InColourGroup ? static_cast<QWidget*>(ColourGroup) : this;
        const QPoint origin = rowLayout.InColourGroup ? L::ColourGroup.topLeft() : QPoint();
        if (!rowLayout.Label.isEmpty()) {
            auto* label = new QLabel(
                rowLayout.MinLabel ? QStringLiteral("Min") : QStringLiteral("Max"), parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            label->setGeometry(du.Rect(rowLayout.Label, origin));
        }
        CRow& row = Rows[i];
        row.Layout = &rowLayout;
        row.Slider = new QSlider(Qt::Horizontal, parent);
        row.Slider->setObjectName(QStringLiteral("slider%1").arg(rowLayout.SliderId));
        row.Slider->setTickPosition(QSlider::NoTicks);
        // This style draws the groove from the slider's very edge, where the template's
        // trackbar kept an inset; without one "Max" runs into the groove.
        row.Slider->setGeometry(du.Rect(rowLayout.Slider, origin).adjusted(du.X(2), 0, 0, 0));
        row.Edit = new QLineEdit(parent);
        row.Edit->setObjectName(QStringLiteral("edit%1").arg(rowLayout.EditId));
        row.Edit->setGeometry(du.Rect(rowLayout.Edit, origin));
        row.Edit->installEventFilter(this);
    }
}

void CConfigPanelDlg::SetTabOrder() {
    QWidget* previous = OkButton;
    for (int index : L::TabOrder) {
        setTabOrder(previous, Rows[index].Slider);
        setTabOrder(Rows[index].Slider, Rows[index].Edit);
        previous = Rows[index].Edit;
    }
    setTabOrder(previous, MaskCheck);
    setTabOrder(MaskCheck, WideCheck);
}

void CConfigPanelDlg::SetUpRow(CRow& row) {
    row.Slider->setRange(0, static_cast<int>(row.Layout->Field->Limit));
    row.Slider->setValue(static_cast<int>(row.Layout->Field->Get(Params)));
    connect(row.Slider, &QSlider::valueChanged, this, [this, &row] { SyncRowFromSlider(row); });
    SyncRowFromSlider(row);
}

void CConfigPanelDlg::SyncRowFromSlider(const CRow& row) {
    const int value = row.Slider->value();
    row.Edit->setText(QString::number(value));
    // The slider keeps the value within the field's limit.
    row.Layout->Field->Set(Params, static_cast<uint32_t>(value));
}

bool CConfigPanelDlg::CommitEditBox(const CRow& row) {
    const long value = ReadEditBoxNumber(row.Edit->text());
    // Compared as an unsigned number, so a negative value counts as too large.
    const uint32_t limit = row.Layout->Field->Limit;
    if (static_cast<unsigned long>(value) > limit) {
        ShowOutOfRangeMessage(QStringLiteral("El valor ha d'estar entre 0 i %1").arg(limit));
        // The message box took the activation; the typing goes on in this panel.
        activateWindow();
        row.Edit->setFocus(Qt::OtherFocusReason);
        return false;
    }
    row.Slider->setValue(static_cast<int>(value));
    // Also when the position did not change: the box then reads the plain number again.
    SyncRowFromSlider(row);
    return true;
}

CConfigPanelDlg::CRow* CConfigPanelDlg::RowOfEdit(QObject* object) {
    for (CRow& row : Rows)
        if (object && row.Edit == object)
            return &row;
    return nullptr;
}

bool CConfigPanelDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        CRow* row = RowOfEdit(watched);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (row && IsFocusMove(reason) && !CommitEditBox(*row) && row->Edit->hasFocus())
            return true;  // the box has the focus again: it must not act as if it had lost it
    }
    return QDialog::eventFilter(watched, event);
}

void CConfigPanelDlg::ShowOutOfRangeMessage(const QString& text) {
    // No title of our own: the window system then shows the application's name.
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, this);
    box.exec();
}

void CConfigPanelDlg::ApplyWidthRule() {
    const bool wide = WideCheck->isChecked();
    ColourGroup->setVisible(wide);
    setFixedSize(wide ? WideSize : NarrowSize);  // resizing keeps the top-left corner
    raise();
}

void CConfigPanelDlg::accept() {
    // Enter in an edit box presses OK without moving the focus: the typed value must count
    // (or be refused) before the record goes to the store.
    if (CRow* row = RowOfEdit(focusWidget()); row && !CommitEditBox(*row))
        return;
    Params.ShowMask = false;
    if (Store)
        Store();
    else
        WriteRegistry(Params);
    QDialog::accept();
}

void CConfigPanelDlg::reject() {
    Params.ShowMask = false;
    QDialog::reject();
}
