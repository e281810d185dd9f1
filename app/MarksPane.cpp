#include "MarksPane.h"

#include "CommandTexts.h"
#include "PaneRefresh.h"
#include "QueltaDoc.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

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
    // The figures take what they need; the colour's name gets the rest.
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Table->horizontalHeader()->setSectionResizeMode(ColourColumn, QHeaderView::Stretch);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Table);
    Refresh.setInterval(PaneRefreshMs);
    connect(&Refresh, &QTimer::timeout, this, &CMarksPane::Refill);
}

QSize CMarksPane::sizeHint() const { return {280, 260}; }

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
