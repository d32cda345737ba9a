#pragma once

// Small helpers the sheet builders share: writing cells and merged ranges, and the texts of
// measured values (empty when not measured).

#include <string>

#include "common/text_format.h"
#include "reports/report_book.h"

namespace halvo::report {

inline void Cell(ReportSheet& sheet, int row, int col, std::string text, CellStyle style = CellStyle::Value) {
    sheet.cells.push_back({row, col, std::move(text), style});
}

// A range of one cell is written as that cell (a workbook cannot merge a cell with itself).
inline void Merge(ReportSheet& sheet, int firstRow, int firstCol, int lastRow, int lastCol, std::string text,
                  CellStyle style = CellStyle::Value) {
    if (firstRow == lastRow && firstCol == lastCol) {
        Cell(sheet, firstRow, firstCol, std::move(text), style);
        return;
    }
    sheet.merges.push_back({firstRow, firstCol, lastRow, lastCol, std::move(text), style});
}

// Values in the report's formats, or "" for a value that was not measured.
inline std::string Fixed2(double value, bool measured) { return measured ? Format("%6.2lf", value) : std::string(); }
inline std::string Fixed3(double value, bool measured) { return measured ? Format("%6.3lf", value) : std::string(); }
inline std::string Fixed4(double value, bool measured) { return measured ? Format("%6.4lf", value) : std::string(); }
inline std::string Kelvin(int value, bool measured) { return measured ? Format("%5d", value) : std::string(); }

inline CellStyle VerdictStyle(Verdict v) {
    return v == Verdict::OutOfRange ? CellStyle::Failed : CellStyle::Value;
}

}  // namespace halvo::report
