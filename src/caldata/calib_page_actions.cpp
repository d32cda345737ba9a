// The operator's actions on the Calibration page and the events they send to the controller.

#include <algorithm>

#include "caldata/calib_page.h"
#include "caldata/field_text.h"
#include "common/text_format.h"

namespace halvo {

namespace {

// Events (group, code) the page sends.
constexpr int kPageGroup = 2;
constexpr int kAutoCalibration = 2;
constexpr int kWhiteBalanceLoad = 3;
constexpr int kManualGain = 4;
constexpr int kBacklight = 5;
constexpr int kSource = 6;
constexpr int kSaveGroup = 4;      // code: the checked-rows mask
constexpr int kRowMarkGroup = 5;   // code: the row, + 128 when checked
constexpr int kRowMarkSet = 128;
constexpr int kColorSpaceGroup = 8;
constexpr int kColorSpaceShown = 1;
constexpr int kColorSpaceBox = 2;
constexpr int kColorSpaceCleared = 7;

constexpr int kMaxGain = 255;
constexpr int kMaxBacklight = 100;
constexpr size_t kFirstGainCell = 7;  // "R", "G", "B" of a white-balance row

}  // namespace

void Ccalib::onUniformityToggled(bool checked) { uniformityCheck.checked = checked; }

void Ccalib::onBitDepthChosen(bool ten) { tenBit = ten; }

void Ccalib::onGammaToggled(bool checked) { gammaCheck.checked = checked; }

void Ccalib::onTargetGammaChosen(bool g235) { data.targetGamma = g235 ? 2.35 : 2.2; }

void Ccalib::onGammaStepChosen(int index) {
    if (gammaStep.hasIndex(index)) {
        gammaStep.selected = index;
    }
}

void Ccalib::onSourceChosen(int index) {
    if (index < 0 || index >= static_cast<int>(kSourceNames.size())) {
        return;
    }
    source = index;
    post(kPageGroup, kSource);
}

void Ccalib::onBacklightSpin(int delta) {
    backlight = std::clamp(backlight + delta, 0, kMaxBacklight);
    backlightText = Format("%d", backlight);
    ui_.refresh();
    post(kPageGroup, kBacklight);
}

void Ccalib::onBacklightEnter(const std::string& typed) {
    const std::optional<long> value = ParseInteger(typed);
    if (!value) {
        backlightText = Format("%d", backlight);  // nothing a number: the field shows the spin again
        ui_.refresh();
        return;
    }
    backlight = static_cast<int>(std::clamp(*value, 0L, static_cast<long>(kMaxBacklight)));
    backlightText = Format("%d", backlight);
    ui_.refresh();
    post(kPageGroup, kBacklight);
}

// ---- "Color Space" ----

void Ccalib::onColorSpaceToggled(bool checked) {
    if (checked && !tenBit) {
        colorSpaceCheck.checked = false;
        ui_.messageBox(kNoColorSpaceMessage);
        ui_.refresh();
        return;
    }
    colorSpaceCheck.checked = checked;
    if (checked) {
        // Checked by the operator, the box chooses every colour space; a loaded file sets the
        // target boxes from its own mask instead.
        for (CheckControl& box : targetBoxes) {
            box.checked = true;
        }
        applyTargetBoxes();
    }
    applyColorSpaceBox(checked);
    ui_.refresh();
    post(kColorSpaceGroup, kColorSpaceBox);
}

void Ccalib::onColorSpaceSelected(int index) {
    if (!colorSpaceList.hasIndex(index)) {
        return;
    }
    colorSpaceList.selected = index;
    post(kColorSpaceGroup, kColorSpaceShown);
}

void Ccalib::onLevelToggled(bool checked) {
    levelCheck.checked = checked;
    levelList.enabled = colorSpaceCheck.checked && checked;
    colorPriority.enabled = colorSpaceCheck.checked && checked;
    ui_.refresh();
}

void Ccalib::onLevelSelected(int index) {
    if (!levelList.hasIndex(index)) {
        return;
    }
    levelList.selected = index;
    post(kColorSpaceGroup, kColorSpaceShown);
}

void Ccalib::onColorPriorityToggled(bool pressed) {
    colorPriority.checked = pressed;
    colorPriorityText = pressed ? "White Priority" : "Color Priority ";
    ui_.refresh();
}

void Ccalib::onTargetBoxToggled(int space, bool checked) {
    if (!IsValidColorSpace(space)) {
        return;
    }
    targetBoxes[static_cast<size_t>(space)].checked = checked;
    applyTargetBoxes();
    ui_.refresh();
}

void Ccalib::onColorSpaceClear() {
    data.clearColorSpaces();
    ui_.refresh();
    post(kPageGroup, kColorSpaceCleared);
}

// ---- "White Balance/Color Temperature" ----

void Ccalib::onWhiteRowSelected(int row) {
    const bool valid = whiteList.hasIndex(row);
    whiteList.selected = valid ? row : -1;
    for (size_t ch = 0; ch < gainFields.size(); ++ch) {
        gainFields[ch].enabled = valid;
        gainSpins[ch].enabled = valid;
        if (!valid) {
            continue;
        }
        const std::string& cell = whiteList.rows[static_cast<size_t>(row)].cells[kFirstGainCell + ch];
        const std::optional<long> value = ParseInteger(cell);
        const int v = value ? static_cast<int>(std::clamp(*value, 0L, static_cast<long>(kMaxGain))) : 0;
        gainFields[ch].text = value ? Format("%d", v) : std::string();
        gainSpins[ch].value = v;
    }
    ui_.refresh();
}

void Ccalib::onWhiteRowChecked(int row, bool checked) {
    if (!whiteList.hasIndex(row)) {
        return;
    }
    whiteList.rows[static_cast<size_t>(row)].checked = checked;
    post(kRowMarkGroup, row + (checked ? kRowMarkSet : 0));
}

void Ccalib::setGain(int channel, int value, int spinPosition) {
    const size_t ch = static_cast<size_t>(channel);
    gainFields[ch].text = Format("%d", value);
    gainSpins[ch].value = spinPosition;
    whiteList.rows[static_cast<size_t>(whiteList.selected)].cells[kFirstGainCell + ch] = Format("%3d", value);
}

// The gain spins show 255 on either side of the range and carry on from the other end: past
// 255 the spin restarts at 0, below 0 at 255.
void Ccalib::onGainSpin(int channel, int delta) {
    if (channel < 0 || channel >= static_cast<int>(gainSpins.size()) || !whiteList.hasIndex(whiteList.selected)) {
        return;
    }
    const int moved = gainSpins[static_cast<size_t>(channel)].value + delta;
    if (moved > kMaxGain) {
        setGain(channel, kMaxGain, 0);
    } else if (moved < 0) {
        setGain(channel, kMaxGain, kMaxGain);
    } else {
        setGain(channel, moved, moved);
    }
    ui_.refresh();
    post(kPageGroup, kManualGain);
}

void Ccalib::onGainEnter(int channel, const std::string& typed) {
    if (channel < 0 || channel >= static_cast<int>(gainSpins.size()) || !whiteList.hasIndex(whiteList.selected)) {
        return;
    }
    const size_t ch = static_cast<size_t>(channel);
    const std::optional<long> value = ParseInteger(typed);
    if (!value) {
        gainFields[ch].text = Format("%d", gainSpins[ch].value);
        ui_.refresh();
        return;
    }
    const int v = static_cast<int>(std::clamp(*value, 0L, static_cast<long>(kMaxGain)));
    setGain(channel, v, v);
    ui_.refresh();
    post(kPageGroup, kManualGain);
}

void Ccalib::onWhiteBalanceLoad() { post(kPageGroup, kWhiteBalanceLoad); }

void Ccalib::onWhiteBalanceSave() { post(kSaveGroup, checkedWhiteMask()); }

void Ccalib::onWhiteBalanceClear() {
    for (TableRow& row : whiteList.rows) {
        std::fill(row.cells.begin() + 4, row.cells.end(), std::string(" "));
    }
    std::fill(uniformityList.rows[0].cells.begin(), uniformityList.rows[0].cells.end(), std::string(" "));
    ui_.refresh();
}

void Ccalib::onAutoCalibration() {
    // Pressed during a run the button stops it; the results of the run stay.
    if (!running) {
        refreshForCalibration();
    }
    post(kPageGroup, kAutoCalibration);
}

}  // namespace halvo
