#include "reports/report_book.h"

#include "reports/report_cells.h"

namespace halvo {

std::string ReportSheet::textAt(int row, int col) const {
    for (const ReportMerge& m : merges) {
        if (row >= m.firstRow && row <= m.lastRow && col >= m.firstCol && col <= m.lastCol) {
            return row == m.firstRow && col == m.firstCol ? m.text : std::string();
        }
    }
    for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
        if (it->row == row && it->col == col) {
            return it->text;
        }
    }
    return {};
}

bool ReportBook::anyOutOfRange() const {
    for (const VerdictLine& v : verdicts) {
        if (v.verdict == Verdict::OutOfRange) {
            return true;
        }
    }
    return false;
}

std::string ReportDate(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return Format("%02d/%02d/%04d %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900, local.tm_hour,
                  local.tm_min, local.tm_sec);
}

std::vector<int> ReportColorSpaces(const ReportInputs& in) {
    std::vector<int> spaces;
    const uint8_t mask = in.colorSpaceMode ? in.colorSpaceMask : 1;
    for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
        if (mask & 1u << cs) {
            spaces.push_back(cs);
        }
    }
    if (spaces.empty()) {
        spaces.push_back(0);
    }
    return spaces;
}

void AddHeaderRows(ReportSheet& sheet, const ReportInputs& in) {
    const std::pair<const char*, const std::string*> rows[5] = {
        {"Data", &in.date},
        {"Model", &in.model},
        {"Probe", &in.probe},
        {"Calibration ID", &in.calibrationId},
        {"Tested By", &in.testedBy},
    };
    for (int i = 0; i < 5; ++i) {
        report::Merge(sheet, 2 + i, 1, 2 + i, 2, rows[i].first, CellStyle::Label);
        report::Merge(sheet, 2 + i, 3, 2 + i, 5, *rows[i].second);
    }
}

ReportBook BuildReportBook(const ReportInputs& in) {
    ReportBook book;
    book.sheets.push_back(BuildSummarySheet(in, book.verdicts));
    for (const int cs : ReportColorSpaces(in)) {
        book.sheets.push_back(BuildDetailSheet(in, cs));
    }
    book.patches = VerifiedPatchesFor(*in.results, ReportColorSpaces(in), in.targets);
    return book;
}

}  // namespace halvo
