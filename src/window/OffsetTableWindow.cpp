#include "window/OffsetTableWindow.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <vector>

#include "actions/OffsetTable.h"
#include "window/WindowKeys.h"

namespace quivane {
namespace {

enum Column { PictureColumn, DxColumn, DyColumn, MarkColumn, ScoreColumn, FaultColumn, ColumnCount };

const char* const Headers[ColumnCount] = {"Picture", "Dx", "Dy", "Mark", "Score", "Bad frame"};
const char* const HeaderHints[ColumnCount] = {"The input picture's number",
                                              "Horizontal offset: the alignment's result, or as set by hand",
                                              "Vertical offset: the alignment's result, or as set by hand",
                                              "The quality mark: double-click or type its first letter to change it",
                                              "Sharpness of the picture's object: larger is sharper",
                                              "Why the frame is no use to a stack"};

const QColor DontColour(140, 140, 140);
const QColor FaultColour(200, 100, 0);

// The mark cell's editor: the quality group's four marks in a list.
class MarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* marks = new QComboBox(parent);
        marks->setObjectName("MarkEditor");
        for (const int mark : {QualityDont, QualityBad, QualityAvg, QualityGood})
            marks->addItem(QString::fromStdString(MarkName(mark)));
        // A mark picked from the list takes effect at once.
        connect(marks, &QComboBox::activated, this, [this, marks] {
            auto* self = const_cast<MarkDelegate*>(this);
            emit self->commitData(marks);
            emit self->closeEditor(marks);
        });
        return marks;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QComboBox*>(editor)->setCurrentIndex(index.data(Qt::EditRole).toInt());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QComboBox*>(editor)->currentIndex(), Qt::EditRole);
    }
};

// The window's own keys (browse, nudge, mark, stop) belong to the main
// window's key handling; the table must not page or search on them as well.
class OffsetTableView : public QTableView {
public:
    using QTableView::QTableView;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (WindowKeyOf(*event)) {
            event->ignore();
            return;
        }
        QTableView::keyPressEvent(event);
    }
};

}  // namespace

// The rows as the table shows them; a mark set in the table is handed on,
// never written here: the action marks the picture and the table is read again.
class OffsetTableModel : public QAbstractTableModel {
public:
    OffsetTableModel(std::function<void(int, int)> mark, QObject* parent)
        : QAbstractTableModel(parent), mark_(std::move(mark))
    {
    }

    void setRows(std::vector<OffsetTableRow> rows)
    {
        if (rows.size() == rows_.size()) {
            rows_ = std::move(rows);
            if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
            return;
        }
        beginResetModel();
        rows_ = std::move(rows);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        const OffsetTableRow& row = rows_[static_cast<std::size_t>(index.row())];
        switch (role) {
        case Qt::DisplayRole: return text(row, index.column());
        case Qt::EditRole: return index.column() == MarkColumn ? QVariant(row.mark) : text(row, index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(index.column() == MarkColumn || index.column() == FaultColumn
                                           ? Qt::AlignLeft | Qt::AlignVCenter
                                           : Qt::AlignRight | Qt::AlignVCenter);
        case Qt::ForegroundRole:
            if (index.column() == FaultColumn && row.bad) return QVariant::fromValue(FaultColour);
            if (row.mark == QualityDont) return QVariant::fromValue(DontColour);
            return {};
        default: return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
        if (role == Qt::DisplayRole) return QString(Headers[section]);
        if (role == Qt::ToolTipRole) return QString(HeaderHints[section]);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        return index.column() == MarkColumn ? flags | Qt::ItemIsEditable : flags;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (role != Qt::EditRole || index.column() != MarkColumn || index.row() >= rowCount()) return false;
        if (mark_) mark_(rows_[static_cast<std::size_t>(index.row())].picture, value.toInt());
        return true;
    }

private:
    static QString text(const OffsetTableRow& row, int column)
    {
        switch (column) {
        case PictureColumn: return QString::number(row.picture);
        case DxColumn: return QString::number(row.dx);
        case DyColumn: return QString::number(row.dy);
        case MarkColumn: return QString::fromStdString(row.markName);
        case ScoreColumn: return QString::fromStdString(row.score);
        case FaultColumn: return QString::fromStdString(row.fault);
        default: return {};
        }
    }

    std::function<void(int, int)> mark_;
    std::vector<OffsetTableRow> rows_;
};

OffsetTableWindow::OffsetTableWindow(const Workspace& ws, Requests requests, QWidget* parent)
    : QWidget(parent), ws_(ws), requests_(std::move(requests))
{
    setObjectName("OffsetTable");
    setWindowFlag(Qt::Window);
    setWindowTitle("Quivane: offsets and marks");
    resize(520, 420);

    model_ = new OffsetTableModel(requests_.mark, this);
    table_ = new OffsetTableView(this);
    table_->setObjectName("OffsetTableView");
    table_->setModel(model_);
    table_->setItemDelegateForColumn(MarkColumn, new MarkDelegate(table_));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::AnyKeyPressed);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setHighlightSections(false);
    for (const int column : {PictureColumn, DxColumn, DyColumn}) table_->setColumnWidth(column, 56);
    table_->setColumnWidth(MarkColumn, 64);
    table_->setColumnWidth(ScoreColumn, 72);

    auto* hint = new QLabel(
        "Click a row to show its picture; double-click a mark or type its first letter to change it; "
        "F1..F4 mark the shown picture",
        this);
    hint->setStyleSheet("color: gray");
    hint->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(table_, 1);
    layout->addWidget(hint);

    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { currentRowMoved(current.row()); });
    connect(table_, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (requests_.browse && index.isValid()) requests_.browse(index.row() + 1);
    });
    refresh();
}

void OffsetTableWindow::refresh()
{
    following_ = true;
    model_->setRows(OffsetTableRows(ws_));
    const int row = ws_.displayedPicture - 1;
    if (row >= 0 && row < model_->rowCount()) {
        const QModelIndex current = table_->currentIndex();
        const QModelIndex shown = model_->index(row, current.isValid() ? current.column() : MarkColumn);
        if (current.row() != row) {
            table_->selectionModel()->setCurrentIndex(shown,
                                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            table_->scrollTo(shown);
        }
    }
    following_ = false;
}

void OffsetTableWindow::currentRowMoved(int row)
{
    if (!following_ && row >= 0 && requests_.browse) requests_.browse(row + 1);
}

}  // namespace quivane
