// The Calibration page: its initial state, the target lists and what the station asks of it.

#include "caldata/calib_page.h"

#include <algorithm>

#include "caldata/field_text.h"
#include "common/text_format.h"

namespace halvo {

const std::array<ColumnSpec, 10> kWhiteListColumns = {{
    {"White", 65, false},
    {"Target u'(x)", 90, false},
    {"Target v'(y)", 90, false},
    {"Y(cd/m\u00b2)", 50, false},
    {"T(K)", 50, true},
    {"Y", 50, true},
    {"\u0394uv", 50, true},
    {"R", 40, true},
    {"G", 40, true},
    {"B", 40, true},
}};

const std::array<ColumnSpec, 11> kColorTargetColumns = {{
    {"Color", 60, false},
    {"Target x", 60, false},
    {"Target y", 60, false},
    {"Target Y", 60, false},
    {"x", 50, true},
    {"y", 50, true},
    {"Y", 50, true},
    {"\u0394uv", 50, true},
    {"R", 40, true},
    {"G", 40, true},
    {"B", 40, true},
}};

const std::array<ColumnSpec, kUniformityCellCount> kUniformityColumns = {{
    {"T-L", 50, true},
    {"T-M", 50, true},
    {"T-R", 50, true},
    {"M-L", 50, true},
    {"Center", 50, true},
    {"M-R", 50, true},
    {"B-L", 50, true},
    {"B-M", 50, true},
    {"B-R", 50, true},
}};

const std::array<const char*, 7> kGammaStepEntries = {"16", "32", "64", "128", "256", "512", "1024"};
const std::array<const char*, 3> kSourceNames = {"Digital", "RGB", "YPbPr"};

namespace {

constexpr int kDefaultGammaStep = 1;  // "32"

}  // namespace

Ccalib::Ccalib(CommandSink& sink, StationUi& ui, StationLog& log) : sink_(sink), ui_(ui), log_(log) {
    uniformityList.rows = {TableRow{std::vector<std::string>(data.uniformityTexts.begin(), data.uniformityTexts.end()),
                                    false}};
    gammaCheck.checked = true;
    gammaStep.items.assign(kGammaStepEntries.begin(), kGammaStepEntries.end());
    gammaStep.selected = kDefaultGammaStep;
    for (CheckControl& box : targetBoxes) {
        box.checked = true;
    }
    for (size_t ch = 0; ch < gainFields.size(); ++ch) {
        gainSpins[ch] = SpinControl{0, 255, 0, false};
        gainFields[ch].enabled = false;
    }
    setWhitePointTargets(DefaultWhitePointTargets(false, 100.0));
    applyColorSpaceBox(false);
    colorTargetList.rows.resize(kColorSlotCount);
    for (size_t slot = 0; slot < colorTargetList.rows.size(); ++slot) {
        colorTargetList.rows[slot].cells.assign(kColorTargetColumns.size(), std::string());
        colorTargetList.rows[slot].cells[0] = kColorSlotNames[slot];
    }
    resetColorSpaceTargets();
}

// ---- Targets ----

void Ccalib::resetColorSpaceTargets() {
    colorSpaceTargets = DefaultColorSpaceTargets();
    showColorSpaceTargets(shownColorSpace, shownLevel);
}

void Ccalib::showColorSpaceTargets(int space, int level) {
    if (!IsValidColorSpace(space) || level < 0 || level >= kLevelStorage) {
        return;
    }
    shownColorSpace = space;
    shownLevel = level;
    for (int slot = 0; slot < kColorSlotCount; ++slot) {
        const size_t s = static_cast<size_t>(slot);
        const ColorReading target =
            ColorSpaceTargetReading(colorSpaceTargets[static_cast<size_t>(space)][s], level);
        colorTargetReadings[s] = target;
        std::vector<std::string>& cells = colorTargetList.rows[s].cells;
        cells[1] = Format("%6.4lf", target.x);
        cells[2] = Format("%6.4lf", target.y);
        cells[3] = Format("%6.1lf", target.lv);
        const ColorSpaceEntry& e = data.entry(space, slot, level);
        if (e.reading.x == 0.0) {
            std::fill(cells.begin() + 4, cells.begin() + 8, std::string());
        } else {
            cells[4] = Format("%6.4lf", e.reading.x);
            cells[5] = Format("%6.4lf", e.reading.y);
            cells[6] = Format("%6.1lf", e.reading.lv);
            cells[7] = Format("%6.4lf", e.reading.duv);
        }
        cells[8] = Format("%d", e.r);
        cells[9] = Format("%d", e.g);
        cells[10] = Format("%d", e.b);
    }
}

int Ccalib::selectedColorSpace() const {
    if (colorSpaceList.items.size() != static_cast<size_t>(kColorSpaceCount)) {
        return 0;  // "Native"
    }
    return std::clamp(colorSpaceList.selected, 0, kColorSpaceCount - 1);
}

int Ccalib::selectedLevelIndex() const {
    const int entries = static_cast<int>(levelList.items.size());
    return std::max(levelList.selected, 0) * LevelIndexStep(entries);
}

void Ccalib::setWhitePointTargets(const WhitePointTargets& targets) {
    const bool build = whiteList.rows.empty();
    for (size_t r = 0; r < targets.size(); ++r) {
        if (build) {
            TableRow row;
            row.cells.assign(kWhiteListColumns.size(), std::string());
            row.checked = targets[r].chosen;
            whiteList.rows.push_back(std::move(row));
        }
        if (r >= whiteList.rows.size()) {
            break;
        }
        std::vector<std::string>& cells = whiteList.rows[r].cells;
        cells[0] = targets[r].label;
        const std::array<std::string, 3> texts = WhiteTargetTexts(targets[r]);
        std::copy(texts.begin(), texts.end(), cells.begin() + 1);
    }
}

void Ccalib::removeSeventhWhiteRow() {
    if (whiteList.rows.size() != static_cast<size_t>(kWhiteRowCount)) {
        return;
    }
    // The row leaves the list, not the data set: a file saved later still carries it.
    const std::vector<std::string>& cells = whiteList.rows.back().cells;
    std::copy(cells.begin() + 1, cells.end(), data.gainTexts[kWhiteRowCount - 1].begin());
    whiteList.rows.pop_back();
    if (whiteList.selected >= static_cast<int>(whiteList.rows.size())) {
        onWhiteRowSelected(-1);
    }
}

void Ccalib::restoreSeventhWhiteRow(const WhitePointTarget& target) {
    if (whiteList.rows.size() != static_cast<size_t>(kWhiteRowCount - 1)) {
        return;
    }
    TableRow row;
    row.cells.assign(kWhiteListColumns.size(), std::string());
    row.cells[0] = target.label;
    const std::array<std::string, 3> texts = WhiteTargetTexts(target);
    std::copy(texts.begin(), texts.end(), row.cells.begin() + 1);
    row.checked = true;
    whiteList.rows.push_back(std::move(row));
}

void Ccalib::setStepCount(int count) {
    stepCount = count;
    if (colorSpaceCheck.checked) {
        levelList.items = LevelListEntries(count);
        levelList.selected = 0;
    }
}

int Ccalib::manualGain(int channel) const {
    if (channel < 0 || channel >= static_cast<int>(gainFields.size())) {
        return 0;
    }
    const std::optional<long> v = ParseInteger(gainFields[static_cast<size_t>(channel)].text);
    return v ? static_cast<int>(std::clamp(*v, 0L, 255L)) : 0;
}

// ---- Colour-space controls ----

void Ccalib::fillColorSpaceList(bool names) {
    if (names) {
        colorSpaceList.items.assign(kColorSpaceListNames.begin(), kColorSpaceListNames.end());
    } else {
        colorSpaceList.items = {kNativeColorSpace};
    }
    colorSpaceList.selected = 0;
}

uint8_t Ccalib::targetBoxMask() const {
    unsigned mask = 0;
    for (size_t i = 0; i < targetBoxes.size(); ++i) {
        if (targetBoxes[i].checked) {
            mask |= 1u << i;
        }
    }
    return static_cast<uint8_t>(mask);
}

void Ccalib::applyColorSpaceBox(bool checked) {
    if (checked) {
        removeSeventhWhiteRow();
        fillColorSpaceList(true);
        levelList.items = LevelListEntries(stepCount);
        levelList.selected = 0;
    } else {
        fillColorSpaceList(false);
        levelList.items.clear();
        levelList.selected = -1;
    }
    colorSpaceList.enabled = checked;
    levelCheck.enabled = checked;
    levelList.enabled = checked && levelCheck.checked;
    colorPriority.enabled = checked && levelCheck.checked;
    for (CheckControl& box : targetBoxes) {
        box.enabled = checked;
    }
    colorSpaceClearButton.enabled = checked;
    colorTargetList.enabled = checked && targetBoxMask() != 0;
}

void Ccalib::applyTargetBoxes() {
    data.colorSpaceMask = targetBoxMask();
    const bool any = targetBoxMask() != 0;
    colorTargetList.enabled = any;
    fillColorSpaceList(any);
}

// ---- Runs ----

int Ccalib::checkedWhiteMask() const {
    int mask = 0;
    for (size_t r = 0; r < whiteList.rows.size(); ++r) {
        if (whiteList.rows[r].checked) {
            mask |= 1 << r;
        }
    }
    return mask;
}

void Ccalib::collectIntoData() {
    data.calibrationId = calibrationId;
    data.version = static_cast<float>(programVersion);
    data.bitDepth = tenBit ? 1 : 0;
    data.gammaText = gammaField.text;
    data.temperatureText = temperatureField.text;
    data.backlightText = backlightText;
    const std::vector<std::string>& uniformity = uniformityList.rows[0].cells;
    std::copy_n(uniformity.begin(), kUniformityCellCount, data.uniformityTexts.begin());
    for (size_t r = 0; r < whiteList.rows.size() && r < data.gainTexts.size(); ++r) {
        const std::vector<std::string>& cells = whiteList.rows[r].cells;
        std::copy(cells.begin() + 1, cells.end(), data.gainTexts[r].begin());
    }
    data.gammaPresent = gammaCheck.checked;
    data.uniformityPresent = uniformityCheck.checked;
    data.colorSpacePresent = colorSpaceCheck.checked;
    data.priority = colorPriority.checked ? 1 : 0;
    data.levelCount = levelCheck.checked ? static_cast<int>(levelList.items.size()) : 1;
    data.colorSpaceMask = targetBoxMask();
}

void Ccalib::refreshForCalibration() {
    collectIntoData();
    data.panelGammaCode.fill(255);
    data.clearColorSpaces();
    // From here on the set is the calibration's, no longer the one a file held.
    loadedData = false;
}

void Ccalib::setCalibrationControlsEnabled(bool enable, bool withButton) {
    controlsEnabled = enable;
    if (withButton) {
        startButtonEnabled = true;
        startButtonText = enable ? "Calibrate" : "Stop";
    } else {
        startButtonEnabled = enable;
    }
    ui_.refresh();
}

void Ccalib::logWarnings(const std::string& file, const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) {
        log_.logMessage(file + ": " + w, kChannelSys);
    }
}

}  // namespace halvo
