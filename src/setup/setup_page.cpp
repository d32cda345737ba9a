#include "setup/setup_page.h"

#include <filesystem>
#include <system_error>

#include "common/file_io.h"
#include "common/text_format.h"
#include "setup/decimal_text.h"
#include "setup/setup_lists.h"

namespace halvo {

using namespace setup_lists;

namespace {

template <size_t N>
std::vector<std::string> Items(const std::array<const char*, N>& texts) {
    return std::vector<std::string>(texts.begin(), texts.end());
}

// The monitor port defaults to the second port, the instrument port to the third. Machines with
// fewer ports take the last one there is, so a one-port machine still has both lists set.
int DefaultPortIndex(const std::vector<std::string>& ports, int wanted) {
    if (ports.empty()) {
        return -1;
    }
    const int last = static_cast<int>(ports.size()) - 1;
    return wanted < last ? wanted : last;
}

std::string Decimal(int value) { return Format("%d", value); }

}  // namespace

void Setup::create(int programVersion, const std::vector<std::string>& ports, const std::string& directory) {
    version_ = programVersion;
    directory_ = directory;
    if (directory_.empty()) {
        std::error_code error;
        const std::filesystem::path here = std::filesystem::current_path(error);
        directory_ = error ? std::string(".") : here.string();
    }
    connected_ = false;
    workEnabled_ = false;
    fillLists(ports);
    setDefaults();

    std::string content;
    if (ReadWholeFile(configPath(), content, nullptr, kMaxConfigBytes)) {
        if (const std::optional<ConfigLines> lines = ParseConfigIni(content, version_)) {
            restore(*lines);
        }
    }
    // The stored line settings are the operator's; the CA defaults are only selected when the
    // operator picks a CA instrument, not each time the page is built from the file.
    applyInstrumentChoice(false);
    // The spins hold the values the station uses; they start from what the fields show.
    takeTypedNumber(measurementWait, measurementWaitSpin);
    takeTypedNumber(measurementDelay, measurementDelaySpin);
    takeTypedNumber(whitePriorityLevel, whitePriorityLevelSpin);
    storeAgingValues();
    applyEnables();
    writeConfig();
    ui_.refresh();
}

void Setup::fillLists(const std::vector<std::string>& ports) {
    monitorPort = ListControl{ports, DefaultPortIndex(ports, 1), true};
    instrumentPort = ListControl{ports, DefaultPortIndex(ports, 2), true};
    instrument.items = Items(kInstruments);
    baudRate.items = Items(kBaudRates);
    dataBits.items = Items(kDataBits);
    parity.items = Items(kParities);
    stopBits.items = Items(kStopBits);
    measurementSpeed.items = Items(kMeasurementSpeeds);
    pattern.items = Items(kPatterns);
    colorSpaceStep.items = Items(kColorSpaceSteps);
    calFile.items.clear();
    pelkoDevices.items.clear();
    pelkoDevices.selected = -1;
}

void Setup::setDefaults() {
    instrument.selected = kCa210;
    baudRate.selectText(kCaBaudRate);
    dataBits.selectText(kCaDataBits);
    parity.selectText(kCaParity);
    stopBits.selectText(kCaStopBits);
    calFile.selected = -1;
    calFileInUse_ = -1;
    measurementSpeed.selectText(kDefaultMeasurementSpeed);
    measurementDuration.text = kDefaultMeasurementDuration;
    pattern.selected = 0;
    colorSpaceStep.selected = 0;

    for (size_t c = 0; c < levelSpins.size(); ++c) {
        levelSpins[c] = SpinControl{0, 255, 255, true};
        levelFields[c].text = "255";
    }
    measurementWaitSpin = SpinControl{100, 3000, 350, true};
    measurementDelaySpin = SpinControl{100, 3000, 1000, true};
    whitePriorityLevelSpin = SpinControl{10, 30, 15, true};
    measurementWait.text = "350";
    measurementDelay.text = "1000";
    whitePriorityLevel.text = "15";
    measurePeriod.text = "1";
    agingTime.text = "60";
    deviationX.text = "0";
    deviationY.text = "0";
    deviationLv.text = "0";
    colorDataCopy = ProgressControl{0, 100, 0};

    startCalibrationAfterAging.checked = false;
    measurementAfterCalibration.checked = false;
    audioAlarm.checked = false;
    gammaColorFunctionDisable.checked = false;
    agingButtonText = "Start";
    reserved_.clear();
}

void Setup::restore(const ConfigLines& lines) {
    monitorPort.selectText(lines[kMonitorPortLine]);
    reserved_ = lines[kReservedLine];
    instrument.selectText(lines[kInstrumentLine]);
    instrumentPort.selectText(lines[kInstrumentPortLine]);
    baudRate.selectText(lines[kBaudRateLine]);
    dataBits.selectText(lines[kDataBitsLine]);
    parity.selectText(lines[kParityLine]);
    stopBits.selectText(lines[kStopBitsLine]);
    pattern.selectText(lines[kPatternLine]);
    colorSpaceStep.selectText(lines[kColorSpaceStepLine]);

    // Number fields show the number the line starts with; a line without one keeps the default
    // rather than putting text the station cannot read into the field.
    const auto number = [&lines](ConfigLine line, TextControl& field) {
        if (const std::optional<int> value = LeadingDecimal(lines[line])) {
            field.text = Decimal(*value);
        }
    };
    number(kMeasurePeriodLine, measurePeriod);
    number(kAgingTimeLine, agingTime);
    number(kDeviationXLine, deviationX);
    number(kDeviationYLine, deviationY);
    number(kDeviationLvLine, deviationLv);
    // A hand-edited file must not bring timing values the spins would never allow.
    const auto timing = [&lines](ConfigLine line, TextControl& field, const SpinControl& spin) {
        if (const std::optional<int> value = LeadingDecimal(lines[line])) {
            field.text = Decimal(spin.clamp(*value));
        }
    };
    timing(kMeasurementWaitLine, measurementWait, measurementWaitSpin);
    timing(kMeasurementDelayLine, measurementDelay, measurementDelaySpin);
    timing(kWhitePriorityLevelLine, whitePriorityLevel, whitePriorityLevelSpin);
    const auto check = [&lines](ConfigLine line, CheckControl& box) {
        if (const std::optional<int> value = LeadingDecimal(lines[line])) {
            box.checked = *value != 0;
        }
    };
    check(kStartCalibrationAfterAgingLine, startCalibrationAfterAging);
    check(kAudioAlarmLine, audioAlarm);
    check(kMeasurementAfterCalibrationLine, measurementAfterCalibration);
}

void Setup::applyInstrumentChoice(bool selectCaLineDefaults) {
    const int kind = instrumentKind();
    if ((kind == kCa210 || kind == kCa310) && selectCaLineDefaults) {
        dataBits.selectText(kCaDataBits);
        parity.selectText(kCaParity);
        stopBits.selectText(kCaStopBits);
        baudRate.selectText(kCaBaudRate);
    }
    // The list belongs to one instrument at a time: Spyder4 calibrations left in it while the
    // K-10 is chosen would be sent to the K-10 as matrix numbers. The K-10's own entries come
    // from the instrument once measuring starts (fillK10Matrices).
    if (kind == kSpyder4) {
        calFile.items = Items(kSpyder4Calibrations);
        calFile.selected = 0;
    } else {
        calFile.items.clear();
        calFile.selected = -1;
    }
    calFileInUse_ = calFile.selected;
    if (kind == kCs200) {
        measurementSpeed.items = Items(kMeasurementSpeeds);
        measurementSpeed.selectText(kDefaultMeasurementSpeed);
        measurementDuration.text = kDefaultMeasurementDuration;
    }
    applyEnables();
}

void Setup::applyEnables() {
    const int kind = instrumentKind();
    const bool ca = kind == kCa210 || kind == kCa310;
    const bool settable = !connected_;
    monitorPort.enabled = settable;
    instrument.enabled = settable;
    instrumentPort.enabled = settable && (ca || kind == kK10);
    baudRate.enabled = settable && ca;
    dataBits.enabled = settable && ca;
    parity.enabled = settable && ca;
    stopBits.enabled = settable && ca;
    // Each instrument's own controls stay usable while connected: the K-10 matrix is chosen on a
    // running instrument.
    calFile.enabled = kind == kK10 || kind == kSpyder4;
    pelkoDevices.enabled = kind == kPelko;
    searchButton.enabled = kind == kPelko;
    measurementSpeed.enabled = kind == kCs200;
    measurementDuration.enabled = kind == kCs200;

    // The work controls act on the monitor or on a run's parameters: usable while connected and
    // idle. The gamma box sends a monitor command like the pattern buttons, and the whole
    // "Calibration Options" group feeds a running calibration, so they are locked with them.
    const bool work = workEnabled_;
    pattern.enabled = work;
    drawPatternButton.enabled = work;
    exitPatternButton.enabled = work;
    const bool levels = work && pattern.selected == kFullColorPattern;
    for (size_t c = 0; c < levelSpins.size(); ++c) {
        levelFields[c].enabled = levels;
        levelSpins[c].enabled = levels;
    }
    agingTime.enabled = work;
    measurePeriod.enabled = work;
    startCalibrationAfterAging.enabled = work;
    // A running aging must stay stoppable while everything else is locked.
    agingStartButton.enabled = work || agingButtonText == "Stop";
    agingSaveButton.enabled = work;
    readEepromButton.enabled = work;
    writeEepromButton.enabled = work;
    measurementWait.enabled = work;
    measurementWaitSpin.enabled = work;
    measurementDelay.enabled = work;
    measurementDelaySpin.enabled = work;
    whitePriorityLevel.enabled = work;
    whitePriorityLevelSpin.enabled = work;
    colorSpaceStep.enabled = work;
    measurementAfterCalibration.enabled = work;
    gammaColorFunctionDisable.enabled = work;
}

void Setup::setConnected(bool connected) {
    connected_ = connected;
    workEnabled_ = connected;
    applyEnables();
    ui_.refresh();
}

void Setup::setWorkControlsEnabled(bool enabled) {
    workEnabled_ = enabled;
    applyEnables();
    ui_.refresh();
}

void Setup::setAgingRunning(bool running) {
    agingButtonText = running ? "Stop" : "Start";
    applyEnables();
    ui_.refresh();
}

void Setup::fillK10Matrices(const std::vector<std::string>& names, int current) {
    calFile.items.clear();
    for (int i = 0; i < kK10UsableMatrices; ++i) {
        const size_t n = static_cast<size_t>(i);
        calFile.items.push_back(n < names.size() ? names[n] : std::string());
    }
    for (int i = kK10UsableMatrices; i < kK10ListLength; ++i) {
        calFile.items.push_back(Format(kK10ReservedEntry, i));
    }
    calFile.selected = current >= 0 && current < kK10UsableMatrices ? current : 0;
    calFileInUse_ = calFile.selected;
    ui_.refresh();
}

void Setup::storeAgingValues() {
    agingTimeMinutes_ = LeadingDecimal(agingTime.text).value_or(0);
    measurePeriodMinutes_ = LeadingDecimal(measurePeriod.text).value_or(0);
}

int Setup::instrumentKind() const {
    return instrument.hasIndex(instrument.selected) ? instrument.selected : kCa210;
}

LineSettings Setup::instrumentLine() const {
    // Every list has a selection after create(); the fallbacks are the CA line for a page that
    // was never created.
    LineSettings line;
    line.baudRate = LeadingDecimal(baudRate.text()).value_or(9600);
    line.dataBits = LeadingDecimal(dataBits.text()).value_or(7);
    line.parity = parity.hasIndex(parity.selected) ? parity.selected : 2;
    line.stopBits = stopBits.hasIndex(stopBits.selected) ? stopBits.selected : 2;
    return line;
}

SensorOffsets Setup::readOffsets() const {
    return SensorOffsets{LeadingDecimal(deviationX.text).value_or(0), LeadingDecimal(deviationY.text).value_or(0),
                         LeadingDecimal(deviationLv.text).value_or(0)};
}

int Setup::colorSpaceStepIndex() const {
    return colorSpaceStep.hasIndex(colorSpaceStep.selected) ? colorSpaceStep.selected : 0;
}

int Setup::level(int channel) const {
    if (channel < 0 || channel >= static_cast<int>(levelSpins.size())) {
        return 0;
    }
    return levelSpins[static_cast<size_t>(channel)].value;
}

int Setup::measurementDurationSeconds() const { return LeadingDecimal(measurementDuration.text).value_or(0); }

std::string Setup::configPath() const { return (std::filesystem::path(directory_) / kConfigFileName).string(); }

ConfigLines Setup::collect() const {
    ConfigLines lines;
    lines[kMonitorPortLine] = monitorPort.text();
    lines[kReservedLine] = reserved_;
    lines[kInstrumentLine] = instrument.text();
    lines[kInstrumentPortLine] = instrumentPort.text();
    lines[kBaudRateLine] = baudRate.text();
    lines[kDataBitsLine] = dataBits.text();
    lines[kParityLine] = parity.text();
    lines[kStopBitsLine] = stopBits.text();
    lines[kPatternLine] = pattern.text();
    lines[kMeasurePeriodLine] = measurePeriod.text;
    lines[kAgingTimeLine] = agingTime.text;
    lines[kDeviationXLine] = deviationX.text;
    lines[kDeviationYLine] = deviationY.text;
    lines[kDeviationLvLine] = deviationLv.text;
    lines[kStartCalibrationAfterAgingLine] = Format("%d", startCalibrationAfterAging.checked ? 1 : 0);
    lines[kAudioAlarmLine] = Format("%d", audioAlarm.checked ? 1 : 0);
    // The values in use, not a number typed but never confirmed with Enter.
    lines[kMeasurementWaitLine] = Decimal(measurementWaitSpin.value);
    lines[kMeasurementDelayLine] = Decimal(measurementDelaySpin.value);
    lines[kWhitePriorityLevelLine] = Decimal(whitePriorityLevelSpin.value);
    lines[kMeasurementAfterCalibrationLine] = Format("%d", measurementAfterCalibration.checked ? 1 : 0);
    lines[kColorSpaceStepLine] = colorSpaceStep.text();
    return lines;
}

bool Setup::writeConfig() {
    if (directory_.empty()) {
        return false;  // not created yet: there is no place and no settings to write
    }
    std::string error;
    if (WriteFileAtomically(configPath(), FormatConfigIni(version_, collect()), &error)) {
        configWriteFailed_ = false;
        return true;
    }
    if (!configWriteFailed_) {
        configWriteFailed_ = true;
        ui_.messageBox("The settings could not be saved (" + error +
                       "). They stay in use until the program ends; Config.ini keeps the settings it had.");
    }
    return false;
}

}  // namespace halvo
