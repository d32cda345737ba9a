#pragma once

// The "Calibration" page model (Ccalib): the state its controls show and the calibration data
// set it holds. The station reads and writes it as the calibration logic requires; the window
// binds a view to it. The page never acts on the monitor: its events go to the controller as
// operator commands (group, code).
//
// A front end changes nothing itself: it calls the on...() action of the control the operator
// used, then redraws from the fields. A control can be used when controlsEnabled is set and
// its own enabled flag is set (the start button only needs startButtonEnabled).
//
// The controls are the truth for every flag and text the data set mirrors (check boxes,
// radios, fields, list texts); they are copied into `data` before a save, a copy and a
// calibration, and set from it after a load.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "caldata/cal_file.h"
#include "caldata/calibration_data.h"
#include "caldata/color_space_targets.h"
#include "caldata/white_point_targets.h"
#include "colorimetry/color_reading.h"
#include "setup/page_controls.h"
#include "station/station_log.h"
#include "station/station_ui.h"

namespace halvo {

// A column of one of the page's lists: header text, width in pixels, centred or not.
struct ColumnSpec {
    const char* header;
    int width;
    bool centred;
};
extern const std::array<ColumnSpec, 10> kWhiteListColumns;
extern const std::array<ColumnSpec, 11> kColorTargetColumns;
extern const std::array<ColumnSpec, kUniformityCellCount> kUniformityColumns;
extern const std::array<const char*, 7> kGammaStepEntries;  // "16" .. "1024"
extern const std::array<const char*, 3> kSourceNames;       // "Digital", "RGB", "YPbPr"

// Texts of the page's messages and file dialogs.
inline constexpr const char* kCalFileFilter = "Cal Data (*.cal)|*.cal||";
inline constexpr const char* kCalOrLogFilter = "Cal or Log file (*.cal;*.txt)|*.cal;*.txt||";
inline constexpr const char* kTargetSaveFilter = "Calibration Taget Save (*.txt)|*.txt";
inline constexpr const char* kTargetLoadFilter = "Target Load (*.txt)|*.txt";
inline constexpr const char* kTargetDefaultName = "Calibration Taget";
inline constexpr const char* kNoColorSpaceMessage = "This model does not support the color space.";
inline constexpr const char* kFormatMessage = "The file format is not correct.";
inline constexpr const char* kCopyQuestion = "All color data will be changed. Do you want to copy?";

class Ccalib {
public:
    Ccalib(CommandSink& sink, StationUi& ui, StationLog& log);
    Ccalib(const Ccalib&) = delete;
    Ccalib& operator=(const Ccalib&) = delete;

    // ---- State the controller sets and reads ----
    // The page's running flag: a calibration run is in progress.
    bool running = false;
    // The start button ("Calibrate" / "Stop") and its checked state.
    std::string startButtonText = "Calibrate";
    bool startButtonChecked = false;
    bool startButtonEnabled = false;
    // The page's controls as a whole (connected and no other run in progress).
    bool controlsEnabled = false;

    // Colour-space level count the level list is filled for: 8, 4, 3 or 2 from the Setup
    // page's "Color Space Step:", or the count a loaded file holds (0 when it holds one level).
    int stepCount = 8;
    // The program version, major + minor / 10; the version a saved file carries.
    double programVersion = 0.0;
    // Bit-depth radios: "10 Bit" selected (recognised models), else "8 Bit".
    bool tenBit = false;
    std::string calibrationId;
    // "Back light" field (decimal text) and the position of its spin (0..100).
    std::string backlightText;
    int backlight = 0;

    // Progress bar (0..progressMaximum) and status text of a run or copy.
    int progressPosition = 0;
    int progressMaximum = 100;
    std::string statusText = "Ready..";

    // The calibration data set: filled by calibrations and loads, saved and copied from here.
    CalibrationData data;
    // Set by a successful load; a calibration start clears it.
    bool loadedData = false;
    // Steps the panel-gamma check runs when started on its own (command 2/8 sets 11).
    int gammaStepCounter = 0;

    // ---- "Uniformity" ----
    CheckControl uniformityCheck;
    TableControl uniformityList;  // one row, columns "T-L" .. "B-R"

    // ---- "Target color" ----
    CheckControl gammaCheck;
    ListControl gammaStep;      // "16" .. "1024"
    TextControl gammaField;     // read-only: measured panel gamma
    TextControl temperatureField;  // read-only: "T(K)"
    // Radios "G 2.2" / "G 2.35" show data.targetGamma.
    bool gamma235() const { return data.targetGamma >= 2.3; }

    // ---- "Monitor source/Backlight" ----
    int source = 0;  // "Digital", "RGB", "YPbPr"

    // ---- Beside "Calibrate" ----
    // "Fast calibration": the fast run (measured settling, model-based searches) for the
    // calibrations and verifications that start while it is checked. The operator's choice is
    // kept in Station.ini (Config.ini keeps its fixed lines): the controller listens here.
    CheckControl fastCalibration;
    std::function<void(bool)> fastCalibrationChosen;
    void onFastCalibrationToggled(bool checked) {
        fastCalibration.checked = checked;
        if (fastCalibrationChosen) {
            fastCalibrationChosen(checked);
        }
    }

    // ---- "Color Space" ----
    CheckControl colorSpaceCheck;
    ListControl colorSpaceList;  // the five names, or "Native"
    CheckControl levelCheck;
    ListControl levelList;
    CheckControl colorPriority;  // the toggle; checked = pressed in
    std::string colorPriorityText = "Color Priority ";
    std::array<CheckControl, kColorSpaceCount> targetBoxes;  // "BT-709" .. "D-Cinema"
    ButtonControl colorSpaceClearButton;
    TableControl colorTargetList;  // rows "White" .. "Magenta", columns kColorTargetColumns

    // ---- "White Balance/Color Temperature" ----
    // One row per colour-temperature target; cells are the columns of kWhiteListColumns; each
    // row has a check mark. selected is the row the manual gains act on.
    TableControl whiteList;
    std::array<TextControl, 3> gainFields;  // "Manual" R, G, B
    std::array<SpinControl, 3> gainSpins;   // 0..255

    // The colour-space targets the page shows and calibrations aim at: the working copy of the
    // target table, and the readings computed for the colour space and level shown.
    ColorSpaceTargetTable colorSpaceTargets;
    std::array<ColorReading, kColorSlotCount> colorTargetReadings{};
    int shownColorSpace = 0;
    int shownLevel = 0;

    // ---- Operations the station calls ----
    // Working copy of the colour-space target table back to the default table.
    void resetColorSpaceTargets();
    // Fills the colour-space target list for a colour space (0..4) and level index (0..15).
    void showColorSpaceTargets(int space, int level);
    // The colour space chosen in the colour-space list ("Native" counts as the first) and the
    // level index the level list's selection stands for.
    int selectedColorSpace() const;
    int selectedLevelIndex() const;
    // Labels and target columns of the white-balance rows from the targets; the measured
    // columns and check marks stay. An empty list gets one row per target, all checked.
    void setWhitePointTargets(const WhitePointTargets& targets);
    // The white-balance list without its seventh row (kept in the data set), or with the
    // target as its seventh row, checked, when it has six.
    void removeSeventhWhiteRow();
    void restoreSeventhWhiteRow(const WhitePointTarget& target);
    // The step count from the Setup page; the level list follows it.
    void setStepCount(int count);
    // Radios "10 Bit" / "8 Bit" as identification found the monitor.
    void setTenBit(bool ten) { tenBit = ten; }
    // The manual gain of a channel as its field shows it (0..255).
    int manualGain(int channel) const;
    // "&Auto Calibration": the data set takes the page's choices, panel gamma codes return to
    // 255 and the colour-space results are cleared.
    void refreshForCalibration();
    // During a run only the start button stays usable; with withButton it reads "Calibrate"
    // (enable) or "Stop".
    void setCalibrationControlsEnabled(bool enable, bool withButton);
    // Copies the page's controls into `data` (level count, flags, texts).
    void collectIntoData();

    // Load and save by path, without dialogs (halvo-cli, tests). loadFile returns false when
    // the file could not be read or failed the format check; nothing changed then.
    bool loadFile(const std::string& path);
    bool saveFile(const std::string& path);

    // ---- Operator actions ----
    void onUniformityToggled(bool checked);
    void onBitDepthChosen(bool ten);
    void onGammaToggled(bool checked);
    void onTargetGammaChosen(bool g235);
    void onGammaStepChosen(int index);
    void onSourceChosen(int index);
    void onBacklightSpin(int delta);
    void onBacklightEnter(const std::string& typed);
    void onColorSpaceToggled(bool checked);
    void onColorSpaceSelected(int index);
    void onLevelToggled(bool checked);
    void onLevelSelected(int index);
    void onColorPriorityToggled(bool pressed);
    void onTargetBoxToggled(int space, bool checked);
    void onColorSpaceClear();
    void onWhiteRowSelected(int row);
    void onWhiteRowChecked(int row, bool checked);
    void onGainSpin(int channel, int delta);
    void onGainEnter(int channel, const std::string& typed);
    void onWhiteBalanceLoad();
    void onWhiteBalanceSave();
    void onWhiteBalanceClear();
    void onAutoCalibration();
    // Bottom row: "Save Target", "Load Target", "Load", "Save", "Copy".
    void saveTargets();
    void loadTargets();
    void onLoad();
    void onSave();
    void copyToMonitor();

private:
    void applyLoad(const CalFileLoad& load, const std::string& title);
    void applyColorSpaceBox(bool checked);
    void applyTargetBoxes();
    void fillColorSpaceList(bool names);
    uint8_t targetBoxMask() const;
    int checkedWhiteMask() const;
    void setGain(int channel, int value, int spinPosition);
    void logWarnings(const std::string& file, const std::vector<std::string>& warnings);
    void post(int group, int code) { sink_.postOperatorCommand(group, code); }

    CommandSink& sink_;
    StationUi& ui_;
    StationLog& log_;
};

}  // namespace halvo
