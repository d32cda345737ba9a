#pragma once

// Saving the verification report: a workbook (.xlsx) with the report sheets and chart pictures,
// or a text file with the measured values. The controller asks for the path and shows what went
// wrong; this writes the file.

#include <string>

#include "reports/certificate.h"
#include "reports/chart_painter.h"
#include "reports/measure_page.h"
#include "reports/measurement_results.h"
#include "reports/report_book.h"
#include "setup/page_controls.h"

namespace halvo {

// The save dialog's choices. The workbook is written in the .xlsx format; the certificate that
// goes out with the monitor as PDF.
inline constexpr const char* kReportFilter =
    "Save Report (*.xlsx)|*.xlsx|Save Report (*.txt)|*.txt|Save Certificate (*.pdf)|*.pdf||";

enum class ReportForm { Workbook, Text, Certificate, Unknown };

// The form a chosen path asks for, by its extension (letter case ignored): ".xlsx" and ".xls" a
// workbook, ".txt" text, ".pdf" the certificate. A path without an extension gets ".xlsx", as the dialog's default; a
// path ending in ".xls" gets ".xlsx", the format written.
ReportForm ReportFormFor(std::string& path);

struct ReportSources {
    const CMeasure& page;
    const MeasurementResults& results;
    // Header texts, version, targets; results and colour spaces are filled from the page.
    ReportInputs header;
    std::string monitorId;          // the text report's "Monitor ID : "
    const TableControl& whiteList;  // the calibration page's white-balance list
    std::string backlight;          // its "Back light" field
    ChartPainter* painter = nullptr;
};

// Writes the report at path (already given its extension). False with *error set when it could
// not be written; nothing is left behind then.
bool SaveReportFile(const std::string& path, ReportForm form, const ReportSources& sources, std::string* error);

// Writes the certificate at path through the writer. False with *error set when there is no
// writer or the file could not be written.
bool SaveCertificateFile(const std::string& path, const CertificateSources& sources, CertificateWriter* writer,
                         std::string* error);

// The report sheets for the page's results, as the workbook gets them.
ReportBook BuildReportFor(const ReportSources& sources);

}  // namespace halvo
