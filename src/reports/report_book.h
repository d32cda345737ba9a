#pragma once

// The verification report as a model: the summary sheet "Measure" with every test, its reference,
// the measured value and the verdict, and one detail sheet per measured colour space with the raw
// readings and four chart pictures. Cells, merged ranges, pictures, column widths and print
// settings are plain data here; xlsx_writer.h turns them into a workbook.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "caldata/color_space_targets.h"
#include "reports/measurement_results.h"
#include "reports/pass_criteria.h"
#include "reports/verified_patches.h"

namespace halvo {

// How a cell looks. The fills are colours of the spreadsheet's classic palette.
enum class CellStyle {
    Plain,      // default font, no border
    Title,      // "Arial Black" 16
    Label,      // bold, centred, thin borders, light green fill (palette 42)
    Heading,    // bold, centred, thin borders, light turquoise fill (palette 41)
    SubHeading, // centred, thin borders, light yellow fill (palette 26)
    Value,      // centred, thin borders
    Failed,     // as Value, bold red: an "OR" verdict
};

struct ReportCell {
    int row;
    int col;
    std::string text;
    CellStyle style;
};

// A merged range; its text stands in the first cell.
struct ReportMerge {
    int firstRow;
    int firstCol;
    int lastRow;
    int lastCol;
    std::string text;
    CellStyle style;
};

// A chart picture: which chart, where and how large.
struct ReportPicture {
    int row;
    int col;
    int width;
    int height;
    int xOffset;
    int yOffset;
    int chartKind;
    int colorSpace;
};

struct ReportSheet {
    std::string name;
    std::vector<ReportCell> cells;
    std::vector<ReportMerge> merges;
    std::vector<ReportPicture> pictures;
    std::vector<double> columnWidths;  // characters, from column 0
    int printLastRow = 0;
    int printLastCol = 0;

    // The text at a cell, or at the first cell of the merged range that covers it; "" otherwise.
    std::string textAt(int row, int col) const;
};

// One judged line of the summary, as halvo-cli prints it.
struct VerdictLine {
    std::string test;
    std::string item;
    std::string quantity;
    std::string value;  // "" when not measured
    Verdict verdict;
    std::string criterion = {};  // the reference column's text ("\u2264 0.0030", "2.20\u00B10.02")
};

struct ReportBook {
    std::vector<ReportSheet> sheets;
    std::vector<VerdictLine> verdicts;
    // Every verified patch beside its target with the CIEDE2000 between them, per colour space;
    // shown beside the verdicts, judged by none of them.
    std::vector<ColorSpacePatches> patches;

    // Any measured item outside its criterion.
    bool anyOutOfRange() const;
};

struct ReportInputs {
    const MeasurementResults* results = nullptr;
    uint8_t colorSpaceMask = 1;  // bit 0 Native .. bit 5 D-Cinema
    bool colorSpaceMode = false;
    bool alternateWhites = false;
    std::string date;     // "%02d/%02d/%04d %02d:%02d:%02d", month first
    std::string model;    // monitor field, " (", S/N, ")"
    std::string probe;
    std::string calibrationId;
    std::string testedBy;
    int versionMajor = 0;
    int versionMinor = 0;
    ColorSpaceTargetTable targets = DefaultColorSpaceTargets();
};

// The report's date line for a moment of local time.
std::string ReportDate(std::time_t when);

// The colour spaces that get a detail sheet: every one of the mask, or Native alone while
// colour-space mode is off.
std::vector<int> ReportColorSpaces(const ReportInputs& inputs);

ReportBook BuildReportBook(const ReportInputs& inputs);

// The colour space whose colour (or, with `temperatures`, colour-temperature) readings the
// summary judges: the first of the run that measured them.
int ReportSummarySpace(const ReportInputs& inputs, bool temperatures);

// The pieces of the sheets, for the builders.
ReportSheet BuildSummarySheet(const ReportInputs& inputs, std::vector<VerdictLine>& verdicts);
ReportSheet BuildDetailSheet(const ReportInputs& inputs, int colorSpace);
void AddHeaderRows(ReportSheet& sheet, const ReportInputs& inputs);

}  // namespace halvo
