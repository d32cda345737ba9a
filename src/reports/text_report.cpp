#include "reports/text_report.h"

#include "common/text_format.h"

namespace halvo {

namespace {

std::string CellText(const TableControl& list, size_t row, size_t col) {
    if (row >= list.rows.size() || col >= list.rows[row].cells.size()) {
        return {};
    }
    return list.rows[row].cells[col];
}

}  // namespace

std::string BuildTextReport(const CMeasure& page, const std::string& calibrationId, const TableControl& whiteList,
                            const std::string& backlight) {
    std::string out;
    out += Format("\n\t%s\n", ("Monitor ID : " + calibrationId).c_str());
    out += "\nMeasure data\n";

    std::vector<int> spaces;
    if (page.colorSpaceMode()) {
        for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
            if (page.colorSpaceMask() & 1u << cs) {
                spaces.push_back(cs);
            }
        }
    } else {
        spaces.push_back(0);
    }

    const int temperatureRows = page.colorSpaceMode() ? 4 : 5;
    // Rows of every block but the last: the groups measured before uniformity.
    int shortRows = 0;
    shortRows += page.measures(kKindGamma) ? 1 : 0;
    shortRows += page.measures(kKindColor) ? 8 : 0;
    shortRows += page.measures(kKindTemperature) ? temperatureRows : 0;
    const int uniformityHeaderRow = shortRows;

    for (size_t i = 0; i < spaces.size(); ++i) {
        const int cs = spaces[i];
        const bool last = i + 1 == spaces.size();
        out += "\nColorSpace : ";
        out += Format("%s\n", kMeasureSpaceNames[static_cast<size_t>(cs)]);
        const std::vector<ResultRow> rows = page.resultRows(cs);
        const int count = last ? 24 : shortRows;
        for (int r = 0; r < count; ++r) {
            if (last && page.measures(kKindUniformity) && r == uniformityHeaderRow) {
                out += "\nUniformity Data \n";
            }
            // A row past the end of the list comes out empty, as the list control answers.
            const bool exists = r < static_cast<int>(rows.size());
            out += Format("%s", exists ? rows[static_cast<size_t>(r)].label.c_str() : "");
            out += Format("\t%s\n", exists ? rows[static_cast<size_t>(r)].data.c_str() : "");
        }
        out += "\n";
    }

    // A blank cell (a load without gains, the list's "Clear") holds no measured temperature.
    if (CellText(whiteList, 0, 4).find_first_not_of(" \t") != std::string::npos) {
        out += "\nCalibaration RGB gain data\n";
        for (size_t row = 0; row < 7; ++row) {
            out += Format("%s", CellText(whiteList, row, 0).c_str());
            out += Format("\tR:%s, ", CellText(whiteList, row, 7).c_str());
            out += Format("G:%s, ", CellText(whiteList, row, 8).c_str());
            out += Format("B:%s\n", CellText(whiteList, row, 9).c_str());
        }
        out += "\nBackLight ";
        out += Format(": %s\n", backlight.c_str());
    }
    return out;
}

}  // namespace halvo
