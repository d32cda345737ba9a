#pragma once

// Colour space calibration: for every checked colour space, seven colours (white, red, green,
// blue, yellow, cyan, magenta) are searched at every calibrated level until they meet the colour
// space's targets (state 14); the monitor's read-backs then give the space's 16 x 16 x 16 table,
// which is uploaded and stored (state 16). After the last space the run goes on with the white
// point.
//
// stepCounter while searching: bits 0-7 the iteration (0 = set up the colour and level, i + 1
// during iteration i), 8-11 the level index P (drive (15 - P) * 17), 12-15 the colour slot O,
// 16-19 the colour space N.

#include <array>

#include "calibration/calibration_context.h"
#include "calibration/colour_space_model.h"
#include "calibration/colour_space_search.h"
#include "calibration/colour_space_table.h"

namespace halvo {

class CalibrationEngine;

class ColourSpaceCalibration {
public:
    static constexpr int kMaxIterations = 200;
    static constexpr int kHistorySize = 256;

    explicit ColourSpaceCalibration(CalibrationEngine& engine) : engine_(engine) {}

    void colourSpaceStep();        // state 14
    void colourSpaceUploadStep();  // state 16
    // Fills the Lut3D of a colour space from what the search read back. False when a value does
    // not fit the table: the run has then failed.
    bool computeColourSpaceTable(int space);
    // The same table without failing the run: false (with the log lines) when it does not fit.
    bool fillColourSpaceTable(int space);
    // Table packet `index` (0..63) of a space, or its final packet (index 64), with the log line.
    void sendTablePacket(int space, int index);

    // The monitor's read-backs for (space, colour, level), stored below.
    void readOffsets(int space, int colour, int level);
    void readInputLuminance(int level);

    // The search of the colour in hand: the values in force at iteration i (entry 0 the start
    // values) and the reading they gave, with its differences from the target.
    std::array<ColourValues, kHistorySize> valueHistory{};
    std::array<ColorReading, kHistorySize> readingHistory{};
    // White gains accepted per colour space at the top level.
    std::array<ColourValues, kColorSpaceCount> whiteGains{};
    // The monitor's read-backs: white's input luminance per level index (for the space in hand)
    // and the offsets it derived per space, colour and level.
    InputLuminances inputLuminance{};
    std::array<ColourOffsets, kColorSpaceCount> colourOffsets{};
    // (u', v') of the red, green and blue accepted in the space in hand.
    std::array<std::array<double, 2>, 3> measuredPrimaries{};
    // The values each colour was last left with.
    std::array<ColourValues, kColorSlotCount> currentValues{};
    bool forcedAcceptance = false;
    bool secondaryProjection = false;
    int uploadCounter = 0;

    // What each search took, for the run's summary: iterations to acceptance per space, colour
    // and level index (0 when not searched), and how many ended by forced acceptance.
    std::array<std::array<std::array<int, kLevelStorage>, kColorSlotCount>, kColorSpaceCount> iterations{};
    int forcedAcceptances = 0;
    // The fast run's model-based search gets this many iterations per colour and level; one not
    // accepted by then goes on as the prescribed search from where it stands.
    static constexpr int kModelIterations = 12;
    int modelIterations = kModelIterations;
    // Searches of this run that fell back so.
    int modelFallbacks = 0;

private:
    struct Position {
        int iteration;  // stepCounter bits 0-7
        int level;      // P
        int colour;     // O
        int space;      // N
    };
    Position position() const;
    int levelCount() const;
    int levelStep() const;
    bool whiteGainsInUse(const Position& p) const { return p.colour == kSlotWhite && p.level == 0; }

    void setUp(Position p);
    void startColourSpace(Position& p);
    void iterate(Position p);
    // The fast run's values for the next iteration, in place of the prescribed correction's.
    void modelCorrection(const Position& p, int i, const ColorReading& reading, const ColourValues& current,
                         ColourCorrection& corr);
    void accept(const Position& p, int i, int chosen, const ColourValues& values);
    void readBack(const Position& p, const ColourValues& values);
    void sendValues(const Position& p, const ColourValues& values, int delayMs);
    void display(int space, int level);
    void showValues(int colour, const ColourValues& values);
    void clearResultColumns();
    void handOverToWhitePoint();
    int nextCheckedSpace(int after) const;

    CalibrationEngine& engine_;
    // The target of the colour in hand (a secondary's may be moved onto its primaries' line).
    ColorReading target_;
    // The RGB offsets the monitor was last sent.
    ColourValues sentOffsets_{};
    SecantSearch secant_;
    bool modelFellBack_ = false;
};

}  // namespace halvo
