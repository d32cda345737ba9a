#include "reports/report_export.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "common/file_io.h"
#include "reports/text_report.h"
#include "reports/xlsx_writer.h"

namespace halvo {

ReportForm ReportFormFor(std::string& path) {
    const std::filesystem::path p(path);
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext.empty()) {
        if (p.filename().empty()) {
            return ReportForm::Unknown;
        }
        path += ".xlsx";
        return ReportForm::Workbook;
    }
    if (ext == ".xls") {
        path = path.substr(0, path.size() - ext.size()) + ".xlsx";
        return ReportForm::Workbook;
    }
    if (ext == ".xlsx") {
        return ReportForm::Workbook;
    }
    if (ext == ".txt") {
        return ReportForm::Text;
    }
    if (ext == ".pdf") {
        return ReportForm::Certificate;
    }
    return ReportForm::Unknown;
}

ReportBook BuildReportFor(const ReportSources& s) {
    ReportInputs in = s.header;
    in.results = &s.results;
    in.colorSpaceMode = s.page.colorSpaceMode();
    in.colorSpaceMask = s.page.colorSpaceMode() ? s.page.colorSpaceMask() : 1;
    in.alternateWhites = s.page.alternateWhites;
    return BuildReportBook(in);
}

bool SaveCertificateFile(const std::string& path, const CertificateSources& sources, CertificateWriter* writer,
                         std::string* error) {
    if (writer == nullptr) {
        if (error != nullptr) {
            *error = "This station cannot draw certificates (it was built without the window).";
        }
        return false;
    }
    return writer->writePdf(BuildCertificate(sources), path, error);
}

bool SaveReportFile(const std::string& path, ReportForm form, const ReportSources& s, std::string* error) {
    if (form == ReportForm::Text) {
        const std::string text = BuildTextReport(s.page, s.monitorId, s.whiteList, s.backlight);
        return WriteFileAtomically(path, WithCrLf(text), error);
    }
    if (form != ReportForm::Workbook) {
        if (error != nullptr) {
            *error = "A report is saved as a workbook (.xlsx), as text (.txt) or as a certificate (.pdf).";
        }
        return false;
    }
    const PictureSource pictures = [&s](const ReportPicture& p) -> std::optional<std::string> {
        if (s.painter == nullptr) {
            return std::nullopt;
        }
        return s.painter->renderPng(s.page.chartScene(p.colorSpace, p.chartKind), p.width, p.height);
    };
    return WriteReportWorkbook(BuildReportFor(s), path, pictures, error);
}

}  // namespace halvo
