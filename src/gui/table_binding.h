#pragma once

// Lists with columns (report-style list views) over a page model's TableControl. The columns
// are set up once; ShowTable then changes only the cells, check marks and selection that differ
// from the model, with the list's signals blocked, so a refresh during a run neither flickers
// nor reports the model's own changes back as the operator's.

#include <QTableWidget>

#include <span>

#include "caldata/calib_page.h"
#include "setup/page_controls.h"

namespace halvo::gui {

// Headers, alignments and widths. A column is as wide as the station makes it, or wider where
// this screen's font needs more room for the header or for `samples[c]`, the widest text the
// column shows; with `checkable`, the first column has room for the row's check box. Rows are as
// high as the font needs; the vertical header is hidden.
void SetUpColumns(QTableWidget* table, std::span<const ColumnSpec> columns, std::span<const char* const> samples,
                  bool checkable = false);

// The height that shows the header and `rows` rows without a scroll bar, and the width that
// shows every column.
int TableHeightFor(const QTableWidget* table, int rows);
int TableWidthFor(const QTableWidget* table);

// Rows and cells as the model has them; with `checkable`, column 0 carries the row's check
// mark. The selected row follows the model; `enabled` is the list's state as a whole.
void ShowTable(QTableWidget* table, const TableControl& control, bool checkable, bool enabled);

// The row the operator selected, -1 for none.
int SelectedRow(const QTableWidget* table);

}  // namespace halvo::gui
