#include "FormatDialog.h"
#include "DialogButtons.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A device may list the same size and rate once per pixel encoding (MJPG, YUYV...); the
// dialog offers each size and rate once.
std::vector<CCaptureFormat> Distinct(std::vector<CCaptureFormat> formats) {
    std::stable_sort(formats.begin(), formats.end(), [](const auto& a, const auto& b) {
        const long areaA = long(a.Width) * a.Height, areaB = long(b.Width) * b.Height;
        if (areaA != areaB)
            return areaA < areaB;
        if (a.Width != b.Width)
            return a.Width < b.Width;
        return a.Fps > b.Fps;
    });
    formats.erase(std::unique(formats.begin(), formats.end()), formats.end());
    return formats;
}

QString Rate(double fps) {
    // 30 stays "30"; 29.97 becomes "29,97" (Catalan decimal comma).
    return QLocale(QLocale::Catalan).toString(fps, 'f', fps == int(fps) ? 0 : 2);
}

}  // namespace

QString CFormatDialog::Describe(const CCaptureFormat& format) {
    QString text = QStringLiteral("%1 × %2").arg(format.Width).arg(format.Height);
    if (format.Fps > 0)
        text += QStringLiteral(", %1 imatges/s").arg(Rate(format.Fps));
    return text;
}

CFormatDialog::CFormatDialog(CDeviceAccess& device, QWidget* owner)
    : QDialog(owner), Device(device) {
    setWindowTitle(QStringLiteral("Format"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Mides d'imatge i ritmes que ofereix el dispositiu:")));
    List = new QListWidget;
    List->setMinimumWidth(300);
    layout->addWidget(List);
    Current = new QLabel;
    layout->addWidget(Current);
    auto* buttons = MakeOkCancelButtons(this);
    layout->addWidget(buttons);
    connect(List, &QListWidget::itemDoubleClicked, this, &CFormatDialog::accept);
    Fill();
}

void CFormatDialog::Fill() {
    Entries = Distinct(Device.Formats());
    const CCaptureFormat current = Device.CurrentFormat();
    List->clear();
    int currentRow = -1;
    for (size_t i = 0; i < Entries.size(); ++i) {
        List->addItem(Describe(Entries[i]));
        if (Entries[i] == current)
            currentRow = int(i);
    }
    if (Entries.empty())
        Current->setText(QStringLiteral("El dispositiu no ofereix cap format per triar."));
    else if (current.Width > 0)
        Current->setText(QStringLiteral("Format actual: %1").arg(Describe(current)));
    else
        Current->clear();
    SelectRow(currentRow);
    FitHeight();
}

void CFormatDialog::FitHeight() {
    // Room for every entry up to ten; a longer list scrolls.
    const int rows = std::clamp(List->count(), 4, 10);
    const int rowHeight =
        List->count() > 0 ? List->sizeHintForRow(0) : List->fontMetrics().height();
    const int height = rows * rowHeight + 2 * List->frameWidth() + 4;
    List->setMinimumHeight(height);
    List->setMaximumHeight(List->count() > 10 ? QWIDGETSIZE_MAX : height);
}

void CFormatDialog::SelectRow(int row) { List->setCurrentRow(row); }

int CFormatDialog::SelectedRow() const {
    const auto selected = List->selectedItems();
    return selected.isEmpty() ? -1 : List->row(selected.first());
}

void CFormatDialog::accept() {
    const int row = SelectedRow();
    if (row < 0 || Entries[size_t(row)] == Device.CurrentFormat()) {
        QDialog::accept();
        return;
    }
    if (Device.SetFormat(Entries[size_t(row)])) {
        QDialog::accept();
        return;
    }
    // The device refused: say so and show what it kept, so the user can pick again.
    QMessageBox::warning(this, windowTitle(),
                         QStringLiteral("El dispositiu no ha acceptat el format %1.")
                             .arg(Describe(Entries[size_t(row)])));
    Fill();
}
