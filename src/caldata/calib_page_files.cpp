// The Calibration page's files: calibration data (.cal, or a station log to import), the
// white-balance target file, and the checks before the data is copied into a monitor.

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "caldata/calib_page.h"
#include "caldata/copy_check.h"
#include "caldata/field_text.h"
#include "caldata/log_import.h"
#include "caldata/target_file.h"
#include "common/file_io.h"
#include "common/text_format.h"

namespace halvo {

namespace {

constexpr size_t kMaxLoadBytes = 64u * 1024u * 1024u;  // station logs of long sessions included
constexpr size_t kMaxTargetFileBytes = 1024u * 1024u;

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file's name without its extension, as the page shows it in messages.
std::string FileTitle(const std::string& path) {
    const std::string name = FileName(path);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The dialogs' default extension: added when the chosen name has none.
std::string WithDefaultExtension(const std::string& path, const char* extension) {
    return FileName(path).find('.') == std::string::npos ? path + extension : path;
}

const char* Mark(bool present) { return present ? "O \n" : "X \n"; }

// A log import that found none of the four kinds of data the load message lists (and no
// white-list cells) read a file that is not a station log, or one cut before any result:
// taking it would replace the page's set with an empty one.
bool NothingImported(const CalFileLoad& load) {
    const CalibrationData& d = load.data;
    const bool gains = std::any_of(d.targetGains.begin(), d.targetGains.end(),
                                   [](const Rgb8& g) { return g[0] != 0 || g[1] != 0 || g[2] != 0; });
    const bool cells = std::any_of(load.gainColumnsSet.begin(), load.gainColumnsSet.end(),
                                   [](uint16_t bits) { return bits != 0; });
    return !d.gammaPresent && !d.uniformityPresent && !d.colorSpacePresent && !gains && !cells;
}

// A target cell the white-point search can use: it starts with a number ("0.1978(0.3127)").
bool LeadsWithNumber(const std::string& cell) {
    const char* begin = cell.c_str();
    char* end = nullptr;
    std::strtod(begin, &end);
    return end != begin;
}

}  // namespace

// ---- Calibration data ----

void Ccalib::onLoad() {
    if (const std::optional<std::string> path = ui_.chooseOpenPath(kCalOrLogFilter, "")) {
        loadFile(*path);
    }
}

bool Ccalib::loadFile(const std::string& path) {
    const std::string title = FileTitle(path);
    const bool log = IsLogPath(path);
    CalFileLoad load;
    {
        const BusyScope busy(ui_);
        std::string text;
        std::string error;
        if (!ReadWholeFile(path, text, &error, kMaxLoadBytes)) {
            log_.logMessage(error, kChannelSys);
            return false;
        }
        const std::string defaultId = title.substr(0, 9);
        load = log ? ImportLog(text, defaultId) : ReadCalFile(text, defaultId);
    }
    if (!load.formatOk || (log && NothingImported(load))) {
        // A file that is not calibration data leaves the set the page holds as it was.
        ui_.messageBox(kFormatMessage);
        return false;
    }
    post(2, 7);
    applyLoad(load, title);
    logWarnings(FileName(path), load.warnings);
    return true;
}

void Ccalib::applyLoad(const CalFileLoad& load, const std::string& title) {
    const float version = data.version;
    const double targetGamma = data.targetGamma;
    const std::array<GainRowTexts, kWhiteRowCount> before = data.gainTexts;
    data = load.data;
    data.version = version;
    if (!load.targetGammaRead) {
        data.targetGamma = targetGamma;
    }

    calibrationId = data.calibrationId;
    tenBit = data.bitDepth == 1;
    if (load.gammaText) {
        gammaField.text = *load.gammaText;
    }
    if (load.temperatureText) {
        temperatureField.text = *load.temperatureText;
    }
    if (load.backlightText) {
        backlightText = *load.backlightText;
        if (const std::optional<long> v = ParseInteger(backlightText); v && *v >= 0 && *v <= 100) {
            backlight = static_cast<int>(*v);
        }
    }
    uniformityList.rows[0].cells.assign(data.uniformityTexts.begin(), data.uniformityTexts.end());

    // Rows the file did not fill keep their targets and lose their measured columns; rows the
    // list does not show stay in the data set.
    for (size_t r = 0; r < data.gainTexts.size(); ++r) {
        for (size_t c = 0; c < kGainColumnCount; ++c) {
            const bool set = (load.gainColumnsSet[r] >> c) & 1u;
            const bool measured = c >= 3;
            std::string& text = data.gainTexts[r][c];
            if (r < whiteList.rows.size()) {
                std::string& cell = whiteList.rows[r].cells[c + 1];
                if (set) {
                    cell = text;
                } else if (measured) {
                    cell = " ";
                }
                text = cell;
            } else if (!set) {
                text = measured ? std::string(" ") : before[r][c];
            }
        }
    }

    uniformityCheck.checked = data.uniformityPresent;
    gammaCheck.checked = data.gammaPresent;
    levelCheck.checked = load.levelChecked;
    onColorPriorityToggled(load.priorityChecked);
    for (size_t i = 0; i < targetBoxes.size(); ++i) {
        targetBoxes[i].checked = (data.colorSpaceMask >> i) & 1u;
    }
    stepCount = data.levelCount;
    const bool colorSpace = load.colorSpaceRequested && !load.colorSpaceRefused;
    colorSpaceCheck.checked = colorSpace;
    applyColorSpaceBox(colorSpace);
    if (load.colorSpaceRefused) {
        ui_.messageBox(kNoColorSpaceMessage);
    }
    loadedData = true;
    showColorSpaceTargets(selectedColorSpace(), selectedLevelIndex());

    ui_.messageBox(title + " calibration data loaded sucessfully.\n" + "> Gamma table : " +
                   Mark(data.gammaPresent) + "> Unformity data : " + Mark(data.uniformityPresent) +
                   "> Color Space data : " + Mark(data.colorSpacePresent) +
                   "> Color temperature data : " + Mark(data.targetGains[0][0] != 0));
    ui_.refresh();
    if (load.colorSpaceLinesRead) {
        post(8, 1);
    }
    if (colorSpace) {
        post(8, 2);
    }
    post(2, 11);
}

void Ccalib::onSave() {
    if (const std::optional<std::string> path = ui_.chooseSavePath(kCalFileFilter, calibrationId)) {
        saveFile(WithDefaultExtension(*path, ".cal"));
    }
}

bool Ccalib::saveFile(const std::string& path) {
    collectIntoData();
    std::string error;
    bool written = false;
    {
        const BusyScope busy(ui_);
        written = WriteFileAtomically(path, WriteCalFile(data), &error);
    }
    if (!written) {
        // The previous file, if any, is still there whole.
        ui_.messageBox(error);
        return false;
    }
    return true;
}

// ---- White-balance targets ----

void Ccalib::saveTargets() {
    const std::optional<std::string> path = ui_.chooseSavePath(kTargetSaveFilter, kTargetDefaultName);
    if (!path) {
        return;
    }
    std::vector<TargetRow> rows;
    for (const TableRow& row : whiteList.rows) {
        rows.push_back(TargetRow{row.cells[0], {row.cells[1], row.cells[2], row.cells[3]}});
    }
    std::string error;
    bool written = false;
    {
        const BusyScope busy(ui_);
        written = WriteFileAtomically(WithDefaultExtension(*path, ".txt"), WriteTargetFile(rows), &error);
    }
    if (!written) {
        ui_.messageBox(error);
    }
}

void Ccalib::loadTargets() {
    const std::optional<std::string> path = ui_.chooseOpenPath(kTargetLoadFilter, "");
    if (!path) {
        return;
    }
    TargetFileLoad load;
    {
        const BusyScope busy(ui_);
        std::string text;
        std::string error;
        if (!ReadWholeFile(*path, text, &error, kMaxTargetFileBytes)) {
            log_.logMessage(error, kChannelSys);
            return;
        }
        load = ReadTargetFile(text);
    }
    // Rows whose cells are not numbers are kept as the operator may still fill them in, but a
    // file in which no row holds a target (a binary file, another program's text) is not a
    // target file: taking it would put its bytes in place of every row of the list.
    const bool anyTarget = std::any_of(load.rows.begin(), load.rows.end(), [](const TargetRow& row) {
        return std::all_of(row.cells.begin(), row.cells.end(), LeadsWithNumber);
    });
    if (load.rows.empty() || !anyTarget) {
        // An empty list would leave nothing to calibrate; a file without rows is not a target file.
        log_.logMessage(FileName(*path) + ": no target rows; the list is left as it was", kChannelSys);
        return;
    }
    whiteList.rows.clear();
    for (const TargetRow& target : load.rows) {
        TableRow row;
        row.cells.assign(kWhiteListColumns.size(), std::string());
        row.cells[0] = target.label;
        std::copy(target.cells.begin(), target.cells.end(), row.cells.begin() + 1);
        row.checked = true;
        whiteList.rows.push_back(std::move(row));
    }
    for (size_t r = whiteList.rows.size(); r < data.gainTexts.size(); ++r) {
        data.gainTexts[r].fill(std::string());
    }
    onWhiteRowSelected(-1);
    logWarnings(FileName(*path), load.warnings);
    ui_.refresh();
}

// ---- Copy to a monitor ----

void Ccalib::copyToMonitor() {
    if (!ui_.askYesNo(kCopyQuestion)) {
        return;
    }
    CopyCheckInput in;
    in.gammaPresent = gammaCheck.checked;
    in.gammaTable = &data.gammaTable;
    in.gammaText = gammaField.text;
    in.backlightText = backlightText;
    in.colorSpacePresent = colorSpaceCheck.checked;
    in.levelCount = levelCheck.checked ? static_cast<int>(levelList.items.size()) : 1;
    in.colorSpaces = std::popcount(static_cast<unsigned>(targetBoxMask()));
    in.colorSpaceMask = targetBoxMask();
    in.data = &data;
    const CopyCheckResult result = CheckCopy(in);
    if (!result.error.empty()) {
        ui_.messageBox(result.error);
        return;
    }
    collectIntoData();
    data.measuredGamma = result.measuredGamma;
    data.backlightValue = result.backlight;
    if (in.colorSpacePresent) {
        fillColorSpaceList(in.colorSpaces > 0);
    }
    progressPosition = 0;
    progressMaximum = result.progressMaximum();
    ui_.refresh();
    post(2, 10);
}

}  // namespace halvo
