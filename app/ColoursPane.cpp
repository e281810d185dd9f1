#include "ColoursPane.h"

#include "AppColours.h"
#include "CommandTexts.h"
#include "PaneRefresh.h"
#include "QueltaDoc.h"
#include "UserPrompts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
enum Column { NameColumn, SwatchColumn, CountColumn, ColumnCount };

// A name editor that takes only what a colour name may hold; the pane decides on the rest
// (an empty or repeated name).
class CNameDelegate : public QStyledItemDelegate {
public:
    explicit CNameDelegate(CColoursPane& pane) : QStyledItemDelegate(&pane), Pane(pane) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        static const QRegularExpression allowed(
            QStringLiteral("[A-Za-z0-9_-]{0,%1}").arg(CColour::MaxNameLength));
        editor->setValidator(new QRegularExpressionValidator(allowed, editor));
        return editor;
    }
    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        Pane.CommitName(index.row(), static_cast<QLineEdit*>(editor)->text());
    }

private:
    CColoursPane& Pane;
};

QIcon SwatchIcon(uint32_t rgb) {
    QPixmap pixmap(28, 14);
    pixmap.fill(QColor::fromRgb(QRgb(0xFF000000u | rgb)));
    QPainter painter(&pixmap);
    painter.setPen(QColor(60, 60, 60));
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}
}  // namespace

CColoursPane::CColoursPane(CAppColours& colours, const CQueltaDoc& doc, CUserPrompts& prompts,
                           QWidget* parent)
    : QWidget(parent), Colours(colours), Document(doc), Prompts(prompts) {
    Table = new QTableWidget(0, ColumnCount, this);
    Table->setObjectName(QStringLiteral("colourTable"));
    Table->setHorizontalHeaderLabels({QString::fromUtf8(Texts::NameHeader),
                                      QString::fromUtf8(Texts::ColourHeader),
                                      QString::fromUtf8(Texts::MarksHeader)});
    Table->verticalHeader()->hide();
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    Table->setItemDelegateForColumn(NameColumn, new CNameDelegate(*this));
    // Fixed widths but the name's: sized to their contents the columns would be measured again
    // at every refresh of the counts.
    QHeaderView* header = Table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    const QFontMetrics metrics = Table->fontMetrics();
    for (int column : {SwatchColumn, CountColumn}) {
        const QString title = Table->horizontalHeaderItem(column)->text();
        header->resizeSection(column, std::max(metrics.horizontalAdvance(title) + 16, 44));
    }

    AddButton = new QPushButton(QString::fromUtf8(Texts::AddColour), this);
    AddButton->setObjectName(QStringLiteral("addColour"));
    AddButton->setToolTip(QString::fromUtf8(Texts::AddColourTip));
    RemoveButton = new QPushButton(QString::fromUtf8(Texts::RemoveColour), this);
    RemoveButton->setObjectName(QStringLiteral("removeColour"));
    RemoveButton->setToolTip(QString::fromUtf8(Texts::RemoveColourTip));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(AddButton);
    buttons->addWidget(RemoveButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Table);
    layout->addLayout(buttons);

    // The list is short: what height the window has beyond it goes to the marks below.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    connect(AddButton, &QPushButton::clicked, this, &CColoursPane::OnAdd);
    connect(RemoveButton, &QPushButton::clicked, this, &CColoursPane::OnRemove);
    connect(Table, &QTableWidget::currentCellChanged, this,
            [this](int row) { Colours.Select(row); });
    connect(&Colours, &CAppColours::Changed, this, &CColoursPane::Rebuild);
    connect(&Colours, &CAppColours::SelectionChanged, this, &CColoursPane::ShowSelection);
    Refresh.setInterval(PaneRefreshMs);
    connect(&Refresh, &QTimer::timeout, this, &CColoursPane::RefreshCounts);
    Rebuild();
}

QSize CColoursPane::sizeHint() const { return {250, 220}; }

// Rows and their widgets are kept and refilled, never replaced: a rebuild may come from a
// row's own editor or swatch button while it is still at work.
void CColoursPane::Rebuild() {
    const QSignalBlocker quiet(Table);
    Table->setRowCount(Colours.Count());
    for (int row = 0; row < Colours.Count(); ++row) {
        if (!Table->item(row, NameColumn))
            AddRow(row);
        Table->item(row, NameColumn)->setText(QString::fromStdString(Colours.Name(row)));
        static_cast<QToolButton*>(Table->cellWidget(row, SwatchColumn))
            ->setIcon(SwatchIcon(Colours.DisplayColour(row)));
    }
    Table->resizeRowsToContents();
    RemoveButton->setEnabled(Colours.Count() > 1);
    AddButton->setEnabled(Colours.Count() < int(CColourSet::MaxColours));
    ShowSelection(Colours.Selected());
    CountedPass = UINT64_MAX;
    RefreshCounts();
}

void CColoursPane::AddRow(int row) {
    auto* name = new QTableWidgetItem;
    name->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    Table->setItem(row, NameColumn, name);
    auto* swatchCell = new QTableWidgetItem;
    swatchCell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    Table->setItem(row, SwatchColumn, swatchCell);
    auto* swatch = new QToolButton;
    swatch->setObjectName(QStringLiteral("swatch%1").arg(row));
    swatch->setIconSize(QSize(28, 14));
    swatch->setAutoRaise(true);
    swatch->setToolTip(QString::fromUtf8(Texts::SwatchTip));
    connect(swatch, &QToolButton::clicked, this, [this, row] { PickDisplayColour(row); });
    Table->setCellWidget(row, SwatchColumn, swatch);
    auto* count = new QTableWidgetItem;
    count->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Table->setItem(row, CountColumn, count);
}

void CColoursPane::ShowSelection(int colour) {
    const QSignalBlocker quiet(Table);
    if (Table->currentRow() != colour)
        Table->setCurrentCell(colour, NameColumn);
    Table->selectRow(colour);
}

// Counted by the colours' keys, so a pass tracked before an edit of the set still counts
// each colour's own marks.
void CColoursPane::RefreshCounts() {
    if (Document.PassCount() == CountedPass)
        return;
    CountedPass = Document.PassCount();
    const std::vector<uint64_t>& keys = Document.DisplayKeys();
    std::vector<int> counts(keys.size(), 0);
    for (const CTrackedMark& m : Document.DisplayMarks())
        if (m.Lost == 0 && std::size_t(m.Mark.Colour) < counts.size())
            ++counts[m.Mark.Colour];
    for (int row = 0; row < Colours.Count(); ++row) {
        const auto it = std::find(keys.begin(), keys.end(), Colours.Key(row));
        const QString text =
            it == keys.end() ? QString() : QString::number(counts[std::size_t(it - keys.begin())]);
        if (QTableWidgetItem* item = Table->item(row, CountColumn); item && item->text() != text)
            item->setText(text);
    }
}

void CColoursPane::CommitName(int colour, const QString& name) {
    if (colour < 0 || colour >= Colours.Count())
        return;
    switch (Colours.Rename(colour, name)) {
    case CAppColours::CRename::Done:
        return;
    case CAppColours::CRename::BadName:
        Prompts.Message(this, QString::fromUtf8(Texts::BadColourName));
        return;
    case CAppColours::CRename::NameTaken:
        Prompts.Message(this, QString::fromUtf8(Texts::ColourNameTaken));
        return;
    }
}

void CColoursPane::OnAdd() {
    const int row = Colours.Add();
    if (row < 0)
        return;
    Table->setFocus();
    Table->editItem(Table->item(row, NameColumn));
}

void CColoursPane::OnRemove() { Colours.Remove(Colours.Selected()); }

void CColoursPane::PickDisplayColour(int colour) {
    Colours.Select(colour);
    const QColor initial = QColor::fromRgb(QRgb(0xFF000000u | Colours.DisplayColour(colour)));
    if (const auto chosen = Prompts.PickColour(window(), initial))
        Colours.SetDisplayColour(colour, chosen->rgb() & 0xFFFFFF);
}

void CColoursPane::showEvent(QShowEvent* event) {
    RefreshCounts();
    Refresh.start();
    QWidget::showEvent(event);
}

void CColoursPane::hideEvent(QHideEvent* event) {
    Refresh.stop();
    QWidget::hideEvent(event);
}
