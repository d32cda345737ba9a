#pragma once

// The "Measure" page model (CMeasure): the state its controls show, the result texts of every
// colour space and the chart's data. The page never acts on the monitor: "Measure", "Position",
// "Save as.." and "Clear" post operator commands (1/1, 1/2, 1/3, 1/4) to the controller, which
// runs the verification (measurement_workflow.h) and writes into this model.
//
// A front end changes nothing itself: it calls the on...() action of the control the operator
// used, then redraws from the fields. usable() tells whether a control takes input now.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "colorimetry/color_reading.h"
#include "reports/chart_model.h"
#include "reports/result_texts.h"
#include "setup/page_controls.h"
#include "station/station_ui.h"

namespace halvo {

// Bits of the measure flags.
inline constexpr uint8_t kMeasureGamma = 0x01;
inline constexpr uint8_t kMeasureColor = 0x02;
inline constexpr uint8_t kMeasureTemperature = 0x04;
inline constexpr uint8_t kMeasureUniformity = 0x08;
inline constexpr uint8_t kMeasureAutoJig = 0x10;

// The check boxes of the four kinds, in flag-bit order.
enum MeasureKind : int { kKindGamma = 0, kKindColor = 1, kKindTemperature = 2, kKindUniformity = 3 };

enum class MeasureControl {
    Start,
    Kinds,
    AutoJig,
    ColorSpace,
    ColorSpaceBoxes,
    ColorSpaceList,
    Position,
    Save,
    Clear,
    ChartSelector,
    Triangle,
};

// One row of the two-column result list ("Index", "Data").
struct ResultRow {
    int slot;
    std::string label;
    std::string data;
};

class CMeasure {
public:
    explicit CMeasure(CommandSink& sink);
    CMeasure(const CMeasure&) = delete;
    CMeasure& operator=(const CMeasure&) = delete;

    // ---- State the controller sets and reads ----
    // Start button ("Measure" / "Stop").
    std::string startButtonText = "Measure";
    bool startButtonChecked = false;
    bool startButtonEnabled = false;
    // "Auto(JIG)": measure each uniformity position as soon as the jig reports ready. The box
    // can be used only while a jig is attached.
    bool autoJigChecked = false;
    bool autoJigEnabled = false;
    // A measurement run is in progress (including its waits for the operator at the uniformity
    // positions).
    bool running = false;
    // The page's other controls as a whole (connected and no other run in progress).
    bool controlsEnabled = false;
    // "Measure" and "Position" offered to the operator between uniformity positions while the
    // rest of the page stays locked.
    bool positionOffered = false;
    // The connected monitor is the second model: colour-temperature rows and labels differ.
    bool alternateWhites = false;

    // ---- Controls ----
    std::array<CheckControl, 4> kindBoxes;  // "Gamma", "Color", "Color Temperature", "Uniformity"
    CheckControl colorSpaceCheck;           // "Color Space"
    std::array<CheckControl, kMeasureSpaceCount> colorSpaceBoxes;  // "Native" .. "D-Cinema"
    ListControl colorSpaceList;             // its selection is the displayed colour space
    ButtonControl positionButton;
    ButtonControl saveButton;
    ButtonControl clearButton;
    ListControl chartSelector;              // kChartKindNames; the chart kind
    CheckControl triangleCheck;             // "Colorspace RGB Triangle"
    TableControl resultList;                // rows {label, data}
    ProgressControl progress;
    std::string progressText = "Ready..";

    // ---- Results ----
    // Result text per colour space and slot; a single blank when nothing was stored.
    std::array<std::array<std::string, kResultSlotCount>, kMeasureSpaceCount> resultTexts;
    // Luminances of the nine positions of the current uniformity run, and the last percentage.
    std::array<double, kPositionCount> uniformityLv{};
    double uniformityPercent = 0.0;
    // While set, stored results are shown but not kept in the result texts.
    bool resultsFrozen = false;
    // The chart's points per colour space.
    ChartData chart;

    // ---- What the station reads ----
    uint8_t measureFlags() const;
    bool measures(MeasureKind kind) const { return kindBoxes[static_cast<size_t>(kind)].checked; }
    bool colorSpaceMode() const { return colorSpaceCheck.checked; }
    // Bit i set for box i ("Native" = bit 0).
    uint8_t colorSpaceMask() const;
    int displayedColorSpace() const { return colorSpaceList.selected < 0 ? 0 : colorSpaceList.selected; }
    int chartKind() const { return chartSelector.selected < 0 ? 0 : chartSelector.selected; }
    // The rows the list shows for a colour space: the enabled groups' slots in order, "11000k"
    // only while colour-space mode is off.
    std::vector<ResultRow> resultRows(int colorSpace) const;
    // The chart as it shows now, or for another colour space and kind.
    ChartScene chartScene() const { return chartScene(displayedColorSpace(), chartKind()); }
    ChartScene chartScene(int colorSpace, int kind) const;
    bool usable(MeasureControl control) const;

    // ---- Operations the station calls ----
    void rebuildResultList();
    // With withButton the start button stays usable and reads "Measure" (enable) or "Stop".
    void setMeasurePageEnabled(bool enable, bool withButton);
    void setDisplayedColorSpace(int colorSpace);
    void setChartKind(int kind);
    // Stores a result into the slot's row and, unless frozen, the displayed colour space's texts.
    void storeResult(int slot, const ColorReading& reading);
    // Slot 0: the fitted gamma.
    void storeGamma(double gamma);
    // A uniformity position (0..8): its text and the percentage over the positions so far go to
    // every colour space of the mask. Returns the percentage.
    double storePosition(int position, const ColorReading& reading, bool peakRule);
    // Result texts back to a blank, chart and uniformity values zeroed, list rebuilt.
    void clearResults();

    // ---- Operator actions ----
    void onMeasure() { sink_.postOperatorCommand(1, 1); }
    void onPosition() { sink_.postOperatorCommand(1, 2); }
    void onSaveAs() { sink_.postOperatorCommand(1, 3); }
    void onClear();
    void onKindToggled(int kind, bool checked);
    void onAutoJigToggled(bool checked) { autoJigChecked = checked; }
    void onColorSpaceToggled(bool checked);
    void onColorSpaceBoxToggled(int colorSpace, bool checked);
    void onColorSpaceSelected(int colorSpace);
    void onChartKindSelected(int kind);
    void onTriangleToggled(bool checked) { triangleCheck.checked = checked; }

private:
    void setRowData(int slot, const std::string& text);

    CommandSink& sink_;
};

}  // namespace halvo
