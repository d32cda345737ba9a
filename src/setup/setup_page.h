#pragma once

// The Setup page: every station setting (ports, instrument and its line, pattern, timing, reading
// offsets, aging, options), held as the state its controls show, kept in Config.ini between runs.
// The page never acts on the monitor or the instrument: its buttons post operator commands to
// the controller, which also reads the settings from here when it needs them.
//
// A front end changes the bound control and then calls the matching on...() action; the
// controller reads and writes the public controls directly (the EEPROM progress, the K-10
// matrices, the PELKO device list, the aging button's caption).

#include <array>
#include <string>
#include <vector>

#include "monitor/serial_backend.h"
#include "setup/config_ini.h"
#include "setup/page_controls.h"
#include "station/station_ui.h"

namespace halvo {

struct SensorOffsets {
    int dx = 0;   // x += dx / 10000
    int dy = 0;   // y += dy / 10000
    int dLv = 0;  // Lv += dLv (cd/m²)
};

class Setup {
public:
    enum CalibrationOption : int { kMeasurementWait = 0, kMeasurementDelay = 1, kWhitePriorityLevel = 2 };
    enum LevelChannel : int { kRed = 0, kGreen = 1, kBlue = 2 };

    Setup(CommandSink& sink, StationUi& ui) : sink_(sink), ui_(ui) {}
    Setup(const Setup&) = delete;
    Setup& operator=(const Setup&) = delete;

    // Fills the lists (ports as given), sets the defaults, remembers the directory (the current
    // working directory when empty) and takes the settings from its Config.ini when that file was
    // written by this program version; otherwise keeps the defaults. Config.ini is written either
    // way. The work controls start locked, as when disconnected.
    void create(int programVersion, const std::vector<std::string>& ports, const std::string& directory);

    // "Monitor"
    ListControl monitorPort;
    // "Colorimeter"
    ListControl instrument;
    ListControl instrumentPort;
    ListControl baudRate;
    ListControl dataBits;
    ListControl parity;
    ListControl stopBits;
    ListControl calFile;  // K-10 matrices or Spyder4 calibrations
    ListControl pelkoDevices;
    ButtonControl searchButton;
    ListControl measurementSpeed;     // CS-200
    TextControl measurementDuration;  // CS-200, seconds
    // "Internal Pattern" and "Full Color" (levels indexed by LevelChannel)
    ListControl pattern;
    ButtonControl drawPatternButton;
    ButtonControl exitPatternButton;
    std::array<TextControl, 3> levelFields;
    std::array<SpinControl, 3> levelSpins;
    // "Panel Aging"
    TextControl agingTime;      // minutes
    TextControl measurePeriod;  // minutes
    CheckControl startCalibrationAfterAging;
    ButtonControl agingStartButton;
    ButtonControl agingSaveButton;
    std::string agingButtonText = "Start";  // "Stop" while aging runs
    ProgressControl agingProgress{0, 3600, 0};  // cycles of the aging run so far
    // "Sensor Deviation"
    TextControl deviationX;
    TextControl deviationY;
    TextControl deviationLv;
    // "Color Data Copy"
    ProgressControl colorDataCopy;
    ButtonControl readEepromButton;
    ButtonControl writeEepromButton;
    // "Calibration Options" (number fields indexed by CalibrationOption through option())
    TextControl measurementWait;
    SpinControl measurementWaitSpin;
    TextControl measurementDelay;
    SpinControl measurementDelaySpin;
    TextControl whitePriorityLevel;
    SpinControl whitePriorityLevelSpin;
    ListControl colorSpaceStep;
    CheckControl measurementAfterCalibration;
    // "Option"
    CheckControl audioAlarm;
    CheckControl gammaColorFunctionDisable;
    // "Serial Number&Tested By", read by the reports; not stored
    TextControl serialNumber;
    TextControl testedBy;

    // What the station reads.
    int instrumentKind() const;           // 0 "CA-210" .. 6 "i1 Display"
    LineSettings instrumentLine() const;  // baud and data bits from their texts, parity and stop bits by index
    SensorOffsets readOffsets() const;
    int measurementWaitMs() const { return measurementWaitSpin.value; }
    int measurementDelayMs() const { return measurementDelaySpin.value; }
    int whitePriority() const { return whitePriorityLevelSpin.value; }
    int colorSpaceStepIndex() const;  // 0..3 for "8", "4", "3", "2"
    // The aging values as stored when the aging was last started (or the page created).
    int agingTimeMinutes() const { return agingTimeMinutes_; }
    int measurePeriodMinutes() const { return measurePeriodMinutes_; }
    int level(int channel) const;  // "Full Color" level 0-255 of the spin
    int measurementDurationSeconds() const;
    int programVersion() const { return version_; }
    std::string configPath() const;

    // State the controller sets.
    void setConnected(bool connected);          // locks the connection settings, unlocks the work controls
    void setWorkControlsEnabled(bool enabled);  // locked while a calibration, measurement or aging runs
    // Caption "Stop" or "Start"; the button stays usable while it reads "Stop".
    void setAgingRunning(bool running);
    // The K-10's matrix names (entries 0-93) followed by the six reserved entries; selects current.
    void fillK10Matrices(const std::vector<std::string>& names, int current);

    // Writes Config.ini from the controls, atomically. False when it could not be written; the
    // previous file is then left as it was.
    bool writeConfig();

    // Operator actions.
    void onInstrumentChanged(int index);
    void onMonitorPortChanged(int index);
    void onPatternChanged(int index);
    void onColorSpaceStepChanged(int index);
    void onCalFileChanged(int index);
    void onDrawPattern();
    void onExitPattern();
    void onGammaColorFunctionDisableToggled(bool checked);
    void onSearch();
    void onReadEeprom();
    void onWriteEeprom();
    void onAgingStart();
    void onAgingSave();
    // Enter in one of the three "Calibration Options" number fields, or a step of its spin.
    void onCalibrationOptionEnter(int which, const std::string& typed);
    void onCalibrationOptionSpin(int which, int delta);
    // Enter in a "Full Color" level field, or a step of its spin (wraps around 0 and 255).
    void onLevelEnter(int channel, const std::string& typed);
    void onLevelSpin(int channel, int delta);
    // Any other stored control changed (line settings, check boxes, number fields).
    void onOptionChanged();

private:
    void fillLists(const std::vector<std::string>& ports);
    void setDefaults();
    void restore(const ConfigLines& lines);
    void applyInstrumentChoice(bool selectCaLineDefaults);
    void applyEnables();
    void storeAgingValues();
    ConfigLines collect() const;
    // Sets the spin from the number typed in the field (clamped), or puts the spin's value back
    // into the field when nothing was typed that reads as a number. True when the spin was set.
    static bool takeTypedNumber(TextControl& field, SpinControl& spin);
    bool optionIndexValid(int which) const { return which >= kMeasurementWait && which <= kWhitePriorityLevel; }
    TextControl& optionField(int which);
    SpinControl& optionSpin(int which);

    CommandSink& sink_;
    StationUi& ui_;
    int version_ = 0;
    std::string directory_;
    std::string reserved_;
    bool connected_ = false;
    bool workEnabled_ = false;
    // The last Config.ini write failed and the operator was told; told again only after a
    // write has worked in between, so a full disk does not raise a box on every click.
    bool configWriteFailed_ = false;
    int agingTimeMinutes_ = 60;
    int measurePeriodMinutes_ = 1;
    int calFileInUse_ = -1;  // the entry last accepted, which a refused choice goes back to
};

}  // namespace halvo
