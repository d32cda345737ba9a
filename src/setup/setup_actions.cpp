// The operator's actions on the Setup page: which operator command each one posts, and when the
// settings are written back to Config.ini.

#include "common/text_format.h"
#include "setup/decimal_text.h"
#include "setup/setup_lists.h"
#include "setup/setup_page.h"

namespace halvo {

using namespace setup_lists;

namespace {

// Operator commands (group, item) the page posts.
constexpr int kPatternGroup = 3;
constexpr int kExitPatternItem = 5;
constexpr int kCscGammaOnItem = 6;   // the box cleared: colour processing back on
constexpr int kCscGammaOffItem = 7;  // the box checked: gamma and colour functions off
constexpr int kSelectMatrixItem = 8;
constexpr int kColorSpaceStepItem = 9;
constexpr int kEepromGroup = 7;
constexpr int kEepromReadItem = 1;
constexpr int kEepromConfirmItem = 2;
constexpr int kPelkoSearchGroup = 9;
constexpr int kPelkoSearchItem = 1;
constexpr int kAgingGroup = 10;
constexpr int kAgingStartItem = 1;
constexpr int kAgingSaveItem = 2;

bool Select(ListControl& list, int index) {
    if (!list.hasIndex(index)) {
        return false;
    }
    list.selected = index;
    return true;
}

}  // namespace

bool Setup::takeTypedNumber(TextControl& field, SpinControl& spin) {
    const std::optional<int> typed = LeadingDecimal(field.text);
    if (typed) {
        spin.value = spin.clamp(*typed);
    }
    field.text = Format("%d", spin.value);
    return typed.has_value();
}

TextControl& Setup::optionField(int which) {
    return which == kMeasurementWait ? measurementWait
                                     : (which == kMeasurementDelay ? measurementDelay : whitePriorityLevel);
}

SpinControl& Setup::optionSpin(int which) {
    return which == kMeasurementWait ? measurementWaitSpin
                                     : (which == kMeasurementDelay ? measurementDelaySpin : whitePriorityLevelSpin);
}

void Setup::onInstrumentChanged(int index) {
    if (!Select(instrument, index)) {
        return;
    }
    applyInstrumentChoice(true);
    writeConfig();
    ui_.refresh();
}

void Setup::onMonitorPortChanged(int index) {
    if (Select(monitorPort, index)) {
        writeConfig();
    }
}

void Setup::onPatternChanged(int index) {
    if (!Select(pattern, index)) {
        return;
    }
    applyEnables();
    writeConfig();
    ui_.refresh();
}

void Setup::onColorSpaceStepChanged(int index) {
    if (!Select(colorSpaceStep, index)) {
        return;
    }
    sink_.postOperatorCommand(kPatternGroup, kColorSpaceStepItem);
    writeConfig();
}

void Setup::onCalFileChanged(int index) {
    if (!calFile.hasIndex(index)) {
        return;
    }
    if (instrumentKind() != kK10) {
        // The Spyder4's calibration is taken when it is opened; nothing to send now.
        calFile.selected = index;
        calFileInUse_ = index;
        return;
    }
    if (index >= kK10UsableMatrices) {
        // The list goes back to the matrix in use so that it does not show a reserved entry as chosen.
        calFile.selected = calFileInUse_;
        ui_.messageBox(kK10ReservedMessage);
        ui_.refresh();
        return;
    }
    calFile.selected = index;
    calFileInUse_ = index;
    sink_.postOperatorCommand(kPatternGroup, kSelectMatrixItem);
}

void Setup::onDrawPattern() {
    const int index = pattern.selected;
    if (!pattern.hasIndex(index)) {
        return;
    }
    if (index == kFullColorPattern) {
        for (size_t c = 0; c < levelSpins.size(); ++c) {
            takeTypedNumber(levelFields[c], levelSpins[c]);
        }
        ui_.refresh();
    }
    sink_.postOperatorCommand(kPatternGroup, index);
}

void Setup::onExitPattern() { sink_.postOperatorCommand(kPatternGroup, kExitPatternItem); }

void Setup::onGammaColorFunctionDisableToggled(bool checked) {
    gammaColorFunctionDisable.checked = checked;
    sink_.postOperatorCommand(kPatternGroup, checked ? kCscGammaOffItem : kCscGammaOnItem);
}

void Setup::onSearch() { sink_.postOperatorCommand(kPelkoSearchGroup, kPelkoSearchItem); }

void Setup::onReadEeprom() { sink_.postOperatorCommand(kEepromGroup, kEepromReadItem); }

void Setup::onWriteEeprom() { sink_.postOperatorCommand(kEepromGroup, kEepromConfirmItem); }

void Setup::onAgingStart() {
    // The fields show the numbers the aging will use, so a typed "5 min" reads back as "5".
    storeAgingValues();
    agingTime.text = Format("%d", agingTimeMinutes_);
    measurePeriod.text = Format("%d", measurePeriodMinutes_);
    writeConfig();
    ui_.refresh();
    sink_.postOperatorCommand(kAgingGroup, kAgingStartItem);
}

void Setup::onAgingSave() { sink_.postOperatorCommand(kAgingGroup, kAgingSaveItem); }

void Setup::onCalibrationOptionEnter(int which, const std::string& typed) {
    if (!optionIndexValid(which)) {
        return;
    }
    TextControl& field = optionField(which);
    field.text = typed;
    if (takeTypedNumber(field, optionSpin(which))) {
        writeConfig();
    }
    ui_.refresh();
}

void Setup::onCalibrationOptionSpin(int which, int delta) {
    if (!optionIndexValid(which)) {
        return;
    }
    SpinControl& spin = optionSpin(which);
    const long long moved = static_cast<long long>(spin.value) + delta;
    spin.value = moved < spin.minimum ? spin.minimum : (moved > spin.maximum ? spin.maximum : static_cast<int>(moved));
    optionField(which).text = Format("%d", spin.value);
    writeConfig();
    ui_.refresh();
}

void Setup::onLevelEnter(int channel, const std::string& typed) {
    if (channel < 0 || channel >= static_cast<int>(levelSpins.size())) {
        return;
    }
    const size_t c = static_cast<size_t>(channel);
    levelFields[c].text = typed;
    takeTypedNumber(levelFields[c], levelSpins[c]);
    ui_.refresh();
}

void Setup::onLevelSpin(int channel, int delta) {
    if (channel < 0 || channel >= static_cast<int>(levelSpins.size())) {
        return;
    }
    const size_t c = static_cast<size_t>(channel);
    SpinControl& spin = levelSpins[c];
    const long long moved = static_cast<long long>(spin.value) + delta;
    // Past either end the level wraps to the other end, whatever the size of the step.
    spin.value = moved > spin.maximum ? spin.minimum : (moved < spin.minimum ? spin.maximum : static_cast<int>(moved));
    levelFields[c].text = Format("%d", spin.value);
    ui_.refresh();
}

void Setup::onOptionChanged() { writeConfig(); }

}  // namespace halvo
