#include "gui/table_binding.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalBlocker>

#include <algorithm>

#include "gui/widget_binding.h"

namespace halvo::gui {

namespace {

// Room around a cell's text, and for the check box of a checkable first column.
constexpr int kCellPadding = 14;
constexpr int kCheckRoom = 22;

Qt::Alignment ColumnAlignment(const QTableWidget* table, int column) {
    const QTableWidgetItem* header = table->horizontalHeaderItem(column);
    return header ? Qt::Alignment(header->textAlignment()) : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QTableWidgetItem* Cell(QTableWidget* table, int row, int column, bool checkable) {
    QTableWidgetItem* item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (checkable && column == 0) {
            flags |= Qt::ItemIsUserCheckable;
            item->setCheckState(Qt::Unchecked);
        }
        item->setFlags(flags);
        item->setTextAlignment(ColumnAlignment(table, column));
        table->setItem(row, column, item);
    }
    return item;
}

}  // namespace

void SetUpColumns(QTableWidget* table, std::span<const ColumnSpec> columns, std::span<const char* const> samples,
                  bool checkable) {
    table->setColumnCount(static_cast<int>(columns.size()));
    const QFontMetrics text(table->font());
    const QFontMetrics header(table->horizontalHeader()->font());
    for (size_t c = 0; c < columns.size(); ++c) {
        const ColumnSpec& column = columns[c];
        auto* item = new QTableWidgetItem(QString::fromUtf8(column.header));
        item->setTextAlignment(column.centred ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
        table->setHorizontalHeaderItem(static_cast<int>(c), item);
        int width = std::max(column.width, header.horizontalAdvance(item->text()) + kCellPadding + 4);
        if (c < samples.size() && samples[c]) {
            width = std::max(width, text.horizontalAdvance(QString::fromUtf8(samples[c])) + kCellPadding);
        }
        if (c == 0 && checkable) {
            width += kCheckRoom;
        }
        table->setColumnWidth(static_cast<int>(c), width);
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStretchLastSection(false);
    table->horizontalHeader()->setHighlightSections(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(text.height() + 4);
    table->setShowGrid(true);
    table->setWordWrap(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
}

void ShowTable(QTableWidget* table, const TableControl& control, bool checkable, bool enabled) {
    const QSignalBlocker block(table);
    const int rows = static_cast<int>(control.rows.size());
    if (table->rowCount() != rows) {
        table->setRowCount(rows);
    }
    const int columns = table->columnCount();
    for (int r = 0; r < rows; ++r) {
        const TableRow& row = control.rows[static_cast<size_t>(r)];
        for (int c = 0; c < columns; ++c) {
            QTableWidgetItem* item = Cell(table, r, c, checkable);
            const QString wanted =
                static_cast<size_t>(c) < row.cells.size() ? QString::fromStdString(row.cells[static_cast<size_t>(c)]) : QString();
            if (item->text() != wanted) {
                item->setText(wanted);
            }
        }
        if (checkable) {
            QTableWidgetItem* first = Cell(table, r, 0, true);
            const Qt::CheckState mark = row.checked ? Qt::Checked : Qt::Unchecked;
            if (first->checkState() != mark) {
                first->setCheckState(mark);
            }
        }
    }
    const int selected = control.hasIndex(control.selected) ? control.selected : -1;
    if (SelectedRow(table) != selected) {
        if (selected < 0) {
            table->clearSelection();
            table->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        } else {
            table->selectRow(selected);
        }
    }
    ShowEnabled(table, enabled);
}

int SelectedRow(const QTableWidget* table) {
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

int TableHeightFor(const QTableWidget* table, int rows) {
    return table->horizontalHeader()->sizeHint().height() + rows * table->verticalHeader()->defaultSectionSize() +
           2 * table->frameWidth();
}

int TableWidthFor(const QTableWidget* table) {
    int width = 2 * table->frameWidth();
    for (int c = 0; c < table->columnCount(); ++c) {
        width += table->columnWidth(c);
    }
    return width;
}

}  // namespace halvo::gui
