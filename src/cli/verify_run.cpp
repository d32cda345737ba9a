#include "cli/verify_run.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "cli/json_writer.h"
#include "common/text_format.h"
#include "reports/cgats_file.h"
#include "reports/report_export.h"

#ifdef HALVO_HAVE_CHART_PAINTER
#include "gui/qt_certificate_writer.h"
#include "gui/qt_chart_painter.h"
#endif

namespace halvo::cli {

namespace {

// Longest a part of the run may take between two operator actions: a run over six colour spaces
// takes about twelve minutes of station time.
constexpr int64_t kRunLimitMs = 2 * 3600 * 1000;

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

ListVocabulary MeasureSpaceVocabulary() {
    ListVocabulary v;
    for (const char* name : kMeasureSpaceNames) {
        v.items.push_back({name});
    }
    return v;
}

bool TakeVerifyChoices(Args& args, VerifyChoices& c, std::string* error) {
    c.gamma = args.takeFlag("--gamma");
    c.color = args.takeFlag("--color");
    c.temperature = args.takeFlag("--color-temperature");
    c.uniformity = args.takeFlag("--uniformity");
    if (!c.gamma && !c.color && !c.temperature && !c.uniformity) {
        c.gamma = c.color = c.temperature = true;  // the page's own defaults
    }
    c.json = args.takeFlag("--json");
    bool bad = false;
    std::string unknown;
    if (auto spaces = args.takeList("--color-spaces", MeasureSpaceVocabulary(), &bad, &unknown)) {
        c.colorSpaceMode = true;
        c.colorSpaceMask = 0;
        for (const int cs : *spaces) {
            c.colorSpaceMask = static_cast<uint8_t>(c.colorSpaceMask | 1u << cs);
        }
    } else if (bad) {
        *error = unknown.empty() ? "--color-spaces needs all or at least one colour space"
                                 : "unknown colour space '" + unknown + "' (all, or Native, BT.709, SMPTE-C, EBU, NTSC, "
                                                                        "D-Cinema separated by commas)";
        return false;
    }
    if (auto certificate = args.takeOutput("--certificate", OutputKind::File)) {
        std::string path = *certificate;
        if (ReportFormFor(path) != ReportForm::Certificate) {
            *error = "--certificate needs a file ending in .pdf";
            return false;
        }
        c.certificate = path;
    }
    if (auto cgats = args.takeOutput("--cgats", OutputKind::File)) {
        if (std::filesystem::path(*cgats).filename().empty()) {
            *error = "--cgats needs a file name such as readings.ti3";
            return false;
        }
        c.cgats = *cgats;
    }
    const std::optional<std::string> report = args.takeOutput("--report", OutputKind::File);
    if (!report) {
        *error = "--report <file.xlsx|file.txt> is needed";
        return false;
    }
    c.report = *report;
    const ReportForm form = ReportFormFor(c.report);
    if (form == ReportForm::Unknown || form == ReportForm::Certificate ||
        std::filesystem::path(*report).extension().empty()) {
        *error = "--report needs a file ending in .xlsx or .txt";
        return false;
    }
    return true;
}

void ApplyVerifyChoices(CHalvoDlg& station, const VerifyChoices& c) {
    CMeasure& page = station.measure();
    page.onKindToggled(kKindGamma, c.gamma);
    page.onKindToggled(kKindColor, c.color);
    page.onKindToggled(kKindTemperature, c.temperature);
    page.onKindToggled(kKindUniformity, c.uniformity);
    page.onColorSpaceToggled(c.colorSpaceMode);
    if (c.colorSpaceMode) {
        for (int cs = 0; cs < kMeasureSpaceCount; ++cs) {
            page.onColorSpaceBoxToggled(cs, (c.colorSpaceMask & 1u << cs) != 0);
        }
    }
}

void InstallChartPainter(CHalvoDlg& station) {
#ifdef HALVO_HAVE_CHART_PAINTER
    static gui::QtChartPainter painter;
    static gui::QtCertificateWriter certificates;
    gui::EnsureOffscreenGuiApplication();
    station.chartPainter = &painter;
    station.certificateWriter = &certificates;
#else
    (void)station;
#endif
}

namespace {

// Output files go where they are asked for, folders included.
bool MakeParentFolder(const std::string& path, CliIo& io) {
    std::string error;
    if (!PrepareOutput(path, OutputKind::File, &error)) {
        std::fprintf(io.err, "halvo-cli: %s\n", error.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool WriteVerificationFiles(CHalvoDlg& station, const VerifyChoices& c, CliIo& io, std::vector<std::string>* written) {
    std::string error;
    if (!c.certificate.empty()) {
        if (!MakeParentFolder(c.certificate, io) ||
            !SaveCertificateFile(c.certificate, station.certificateSources(), station.certificateWriter, &error)) {
            std::fprintf(io.err, "halvo-cli: the certificate %s was not written: %s\n", c.certificate.c_str(),
                         error.c_str());
            return false;
        }
        if (written != nullptr) {
            written->push_back(c.certificate);
        }
    }
    if (!c.cgats.empty()) {
        const ReportSources sources = station.reportSources();
        const ReportInputs& h = sources.header;
        const CgatsHeader header{Format("Halvo V%d.%d", h.versionMajor, h.versionMinor), h.date, h.model,
                                 h.calibrationId, h.probe};
        if (!MakeParentFolder(c.cgats, io) ||
            !WriteCgatsFiles(c.cgats, BuildReportFor(sources).patches, header, written, &error)) {
            std::fprintf(io.err, "halvo-cli: the CGATS files %s were not written: %s\n", c.cgats.c_str(),
                         error.c_str());
            return false;
        }
    }
    return true;
}

void WriteDeltaEJson(JsonWriter& j, const char* key, const std::vector<ColorSpacePatches>& spaces) {
    j.beginArray(key);
    for (const ColorSpacePatches& s : spaces) {
        j.beginObject()
            .string("colorSpace", kMeasureSpaceNames[static_cast<size_t>(s.colorSpace)])
            .integer("patches", static_cast<int64_t>(s.patches.size()));
        if (s.meanDeltaE2000 >= 0.0) {
            j.number("mean", s.meanDeltaE2000).number("max", s.maxDeltaE2000);
        } else {
            j.null("mean").null("max");
        }
        j.endObject();
    }
    j.endArray();
}

void PrintDeltaE(std::FILE* out, const std::vector<ColorSpacePatches>& spaces) {
    for (const ColorSpacePatches& s : spaces) {
        const char* name = kMeasureSpaceNames[static_cast<size_t>(s.colorSpace)];
        if (s.meanDeltaE2000 >= 0.0) {
            std::fprintf(out, "\u0394E2000 %-9s mean %5.2f  max %5.2f  (%zu patches)\n", name, s.meanDeltaE2000,
                         s.maxDeltaE2000, s.patches.size());
        } else {
            std::fprintf(out, "\u0394E2000 %-9s no target  (%zu patches)\n", name, s.patches.size());
        }
    }
}

namespace {

// Waits for the operator between uniformity positions: the simulated one has the probe follow
// the marker at once; a person moves it and presses Enter.
bool OperatorMovesTheProbe(CHalvoDlg& station, bool simulate, CliIo& io) {
    if (simulate) {
        return true;
    }
    std::fprintf(io.err, "Move the probe to %s, then press Enter (q and Enter to give up): ",
                 PositionName(station.task().positionIndex));
    std::fflush(io.err);
    char line[64];
    if (std::fgets(line, sizeof line, stdin) == nullptr || line[0] == 'q') {
        return false;
    }
    return true;
}

void ShowProgress(const CMeasure& page, CliIo& io, std::string& shown) {
    if (!isatty(fileno(io.err)) || page.progressText == shown) {
        return;
    }
    shown = page.progressText;
    std::fprintf(io.err, "\rverify: %-8s", shown.c_str());
    std::fflush(io.err);
}

bool DriveToTheEnd(ControllerSession& session, bool simulate, CliIo& io) {
    CHalvoDlg& station = session.station();
    CMeasure& page = station.measure();
    std::string shown;
    while (page.running) {
        const bool idle = session.runUntil(
            [&] {
                ShowProgress(page, io, shown);
                return station.task().CalibrationState == kTaskIdle;
            },
            kRunLimitMs);
        if (!idle) {
            std::fprintf(io.err, "\nhalvo-cli verify: the run did not end within %lld minutes\n",
                         static_cast<long long>(kRunLimitMs / 60000));
            return false;
        }
        if (!page.running) {
            break;
        }
        // Between uniformity positions: the next press of "Measure" measures the next one.
        if (!OperatorMovesTheProbe(station, simulate, io)) {
            std::fprintf(io.err, "halvo-cli verify: given up at the uniformity position %s\n",
                         PositionName(station.task().positionIndex));
            return false;
        }
        if (!station.startOrStopMeasurement()) {
            std::fprintf(io.err, "halvo-cli verify: the uniformity position could not be measured\n");
            return false;
        }
    }
    if (!shown.empty()) {
        std::fputc('\n', io.err);
    }
    return true;
}

void PrintVerdicts(const ReportBook& book, const VerifyChoices& c, CliIo& io) {
    if (c.json) {
        JsonWriter j;
        j.beginObject().string("report", c.report).boolean("passed", !book.anyOutOfRange()).beginArray("verdicts");
        for (const VerdictLine& v : book.verdicts) {
            j.beginObject()
                .string("test", v.test)
                .string("item", v.item)
                .string("quantity", v.quantity)
                .string("value", Trim(v.value))
                .string("verdict", VerdictText(v.verdict))
                .endObject();
        }
        j.endArray();
        WriteDeltaEJson(j, "deltaE2000", book.patches);
        if (!c.certificate.empty()) {
            j.string("certificate", c.certificate);
        }
        j.endObject();
        std::fprintf(io.out, "%s\n", j.text().c_str());
        return;
    }
    for (const VerdictLine& v : book.verdicts) {
        std::fprintf(io.out, "%-20s %-12s %-12s %10s  %s\n", v.test.c_str(), v.item.c_str(), v.quantity.c_str(),
                     Trim(v.value).c_str(), VerdictText(v.verdict));
    }
    PrintDeltaE(io.out, book.patches);
    std::fprintf(io.out, "report: %s\n", c.report.c_str());
    if (!c.certificate.empty()) {
        std::fprintf(io.out, "certificate: %s\n", c.certificate.c_str());
    }
}

}  // namespace

bool CompleteVerification(ControllerSession& session, const VerifyChoices& c, bool simulate, CliIo& io,
                          ReportBook& book, std::vector<std::string>* written) {
    CHalvoDlg& station = session.station();
    if (!DriveToTheEnd(session, simulate, io)) {
        return false;
    }
    if (!MakeParentFolder(c.report, io)) {
        return false;
    }
    CliStationUi& ui = session.ui();
    const size_t messages = ui.messages.size();
    ui.savePath = c.report;
    station.handleOperatorCommand(1, 3);
    ui.savePath.reset();
    if (ui.messages.size() != messages || !std::filesystem::exists(c.report)) {
        std::fprintf(io.err, "halvo-cli verify: the report %s was not written\n", c.report.c_str());
        return false;
    }
    book = BuildReportFor(station.reportSources());
    return WriteVerificationFiles(station, c, io, written);
}

int PrintVerification(const ReportBook& book, const VerifyChoices& c, CliIo& io) {
    PrintVerdicts(book, c, io);
    return book.anyOutOfRange() ? kExitFailure : kExitOk;
}

int FinishVerification(ControllerSession& session, const VerifyChoices& c, bool simulate, CliIo& io) {
    ReportBook book;
    if (!CompleteVerification(session, c, simulate, io, book)) {
        return kExitFailure;
    }
    return PrintVerification(book, c, io);
}

}  // namespace halvo::cli
