#include "MarksPane.h"

#include "CommandTexts.h"
#include "PaneRefresh.h"
#include "QueltaDoc.h"

#include <QHeaderView>

#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {
enum Column { IdColumn, ColourColumn, XColumn, YColumn, AngleColumn, AgeColumn, ColumnCount };
}

CMarksPane::CMarksPane(const CQueltaDoc& doc, QWidget* parent) : QWidget(parent), Document(doc) {
    Table = new QTableWidget(0, ColumnCount, this);
    Table->setObjectName(QStringLiteral("markTable"));
    Table->setHorizontalHeaderLabels({QString::fromUtf8(Texts::IdHeader),
                                      QString::fromUtf8(Texts::ColourHeader), QStringLiteral("x"),
                                      QStringLiteral("y"), QString::fromUtf8(Texts::AngleHeader),
                                      QString::fromUtf8(Texts::AgeHeader)});
    Table->verticalHeader()->hide();
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionMode(QAbstractItemView::NoSelection);
    Table->setFocusPolicy(Qt::NoFocus);
    // The figures get the width of their widest value once, the colour's name the rest: a
    // column sized to its contents would measure every row again at every refill.
    QHeaderView* header = Table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionResizeMode(ColourColumn, QHeaderView::Stretch);
    const QFontMetrics metrics = Table->fontMetrics();
    const struct {
        int Column;
        const char* Widest;
    } widths[] = {{IdColumn, "0000"},
                  {XColumn, "0000.0"},
                  {YColumn, "0000.0"},
                  {AngleColumn, "-00.0"},
                  {AgeColumn, "0000"}};
    for (const auto& w : widths) {
        const int title = metrics.horizontalAdvance(Table->horizontalHeaderItem(w.Column)->text());
        const int value = metrics.horizontalAdvance(QLatin1String(w.Widest));
        header->resizeSection(w.Column, std::max(title, value) + 10);
    }
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Table);
    Refresh.setInterval(PaneRefreshMs);
    connect(&Refresh, &QTimer::timeout, this, &CMarksPane::Refill);
}

QSize CMarksPane::sizeHint() const { return {320, 260}; }

void CMarksPane::Refill() {
    if (Document.PassCount() == ShownPass)
        return;
    ShownPass = Document.PassCount();
    const CColourSet& set = Document.DisplaySet();
    int row = 0;
    for (const CTrackedMark& tracked : Document.DisplayMarks()) {
        if (tracked.Lost > 0)
            continue;
        const CMark& m = tracked.Mark;
        if (row >= Table->rowCount())
            Table->insertRow(row);
        SetCell(row, IdColumn, QString::number(tracked.Id));
        SetCell(row, ColourColumn, QString::fromStdString(set.Colours[m.Colour].Name));
        SetCell(row, XColumn, QString::number(m.CenterX, 'f', 1));
        SetCell(row, YColumn, QString::number(m.CenterY, 'f', 1));
        SetCell(row, AngleColumn, QString::number(m.Angle, 'f', 1));
        SetCell(row, AgeColumn, QString::number(tracked.Age));
        ++row;
    }
    Table->setRowCount(row);
}

// Items are kept from refill to refill; an unchanged text is not set again.
void CMarksPane::SetCell(int row, int column, const QString& text) {
    QTableWidgetItem* item = Table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(column == ColourColumn ? Qt::AlignLeft | Qt::AlignVCenter
                                                      : Qt::AlignRight | Qt::AlignVCenter);
        Table->setItem(row, column, item);
    }
    if (item->text() != text)
        item->setText(text);
}

void CMarksPane::showEvent(QShowEvent* event) {
    Refill();
    Refresh.start();
    QWidget::showEvent(event);
}

void CMarksPane::hideEvent(QHideEvent* event) {
    Refresh.stop();
    QWidget::hideEvent(event);
}
