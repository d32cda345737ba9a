#pragma once

// The simulated monitor's colour spaces. Slot 0 is the native panel; slots 1..5 show colour
// spaces 0..4 (BT.709, SMPTE-C, EBU, NTSC, D-Cinema). What the commands do here:
//
// - "Set Native ColorSpace" n (1..5) selects slot n for calibration: the drawn colour passes the
//   slot's white gains, which "RGB gain" now sets instead of a colour-temperature preset, and the
//   last RGB offsets, which act on the drawn colour. n = 0, "Set monitor ColorSpace" and
//   "Calibration execution(0)" end the calibration.
// - "Set monitor ColorSpace" n (1..5) shows slot n: the slot's stored white gains and its table.
//   Slot 5 (D-Cinema) has the 2.6 curve of its own; the other slots use the curve set with
//   "Set monitor gamma".
// - "Set ColorSpace White" (space, R, G, B) stores the white gains of a colour space.
// - Table packets (F0 88 00 FE 19, space, index, checksum, complement, 192 bytes) fill a staging
//   copy of the space's table; one with a wrong checksum or complement is rejected. The final
//   packet (index FF) stores the table when all 64 packets came through, and writes the white
//   gains of the colour spaces into the EEPROM.
// - "Get ColorSpace Input Luminance" answers (F3 89 lo hi) the 10-bit input code of the drawn
//   level after the slot's white gains; "Get ColorSpace Offset" answers (F7 89, three words) the
//   offsets in force as the monitor derives them, in its 10-bit domain: 10-bit two's complement,
//   sign-extended to 16 bits or bare (MonitorConfig::offsetWords); "Get ColorSpace Output
//   Luminance" the 10-bit code of the light shown.
//
// The processing of a slot. The white gains a = g / 255 are split into a balance
// Bal = sum(w a) / max(a) (w: the channels' shares of the panel's white luminance), applied to the
// input as the factor k = Bal ^ (1 / gamma) - so white's input luminance at level q is 960 k q -
// and per-channel trims t = a / Bal after the curve. An offset v (10-bit units) lights its
// channel by v / 1023 of the slot's channel at full level, scaled by the curve's slope at the
// drawn level m (the brightest channel, after k):
//     light = t * clamp((k q)^gamma + v / 1023 * (k m)^(gamma - 1), 0, 1)
// While calibrating, v = k times the RGB offset frame's value (the offset the monitor reports);
// when a slot is shown, v is four times the table byte (signed) interpolated trilinearly at the
// grid point 15 k q of each channel. An offset that grows with the level from black keeps a
// colour's chromaticity at every level, which is what the table holds.

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

#include "monitor/monitor_protocol.h"
#include "sim/monitor_calibration.h"
#include "sim/monitor_pipeline.h"
#include "sim/panel_model.h"

namespace halvo::sim {

// The form of the offset words "Get ColorSpace Offset" answers with.
enum class OffsetWordForm { SignExtended, Bare10Bit };

inline constexpr size_t kColorTableBytes = 16 * 16 * 16 * 3;
using ColorTable = std::array<int8_t, kColorTableBytes>;

class MonitorColorSpaces {
public:
    explicit MonitorColorSpaces(const PanelModel& panel) : panel_(panel) {}

    // A colour-space command of class 0x88: true when handled here (the firmware does nothing
    // more with it). "Set monitor ColorSpace" and "Calibration execution" are noted and left to
    // the firmware as well.
    bool handleCommand(uint8_t code, const Bytes& frame, MonitorCalibration& ram,
                       std::array<uint8_t, kMonitorEepromSize>& eeprom);
    // The answer to a colour-space query of class 0x89, nullopt for other queries.
    std::optional<Bytes> answerQuery(uint8_t code, const MonitorCalibration& ram, const PictureState& picture,
                                     OffsetWordForm offsetWords = OffsetWordForm::SignExtended) const;

    // Whether the picture passes a colour-space slot, and the panel codes it then gets.
    bool active(const PictureState& picture) const;
    std::array<double, 3> panelCodes(const MonitorCalibration& ram, const PictureState& picture) const;

    // Switched off and on: calibration ended, offsets cleared, half-sent tables dropped. The
    // stored tables stay.
    void powerCycle();
    // Tables erased, as a new monitor leaves the factory.
    void eraseTables();

    int calibratingSlot() const { return calibratingSlot_; }
    const std::optional<ColorTable>& table(int space) const { return tables_[static_cast<size_t>(space)]; }
    int rejectedPackets() const { return rejectedPackets_; }

private:
    struct Slot {
        double k = 1.0;                  // input factor, Bal ^ (1 / gamma)
        std::array<double, 3> trim{};    // a / Bal
        double exponent = 2.2;
    };
    // The slot the picture passes (1..5), 0 for the native picture.
    int slotShown(const PictureState& picture) const;
    Slot slot(const MonitorCalibration& ram, const PictureState& picture) const;
    std::array<double, 3> offsetsInForce(const PictureState& picture, const Slot& s) const;
    std::array<double, 3> light(const MonitorCalibration& ram, const PictureState& picture) const;
    void tablePacket(const Bytes& frame, const MonitorCalibration& ram, std::array<uint8_t, kMonitorEepromSize>& eeprom);

    const PanelModel& panel_;
    int calibratingSlot_ = 0;
    std::array<int, 3> calibrationGains_{255, 255, 255};
    std::array<int, 3> offsetFrame_{};  // the RGB offset frame's values (twice the station's offsets)
    struct Staging {
        std::array<uint8_t, kColorTableBytes> bytes{};
        std::bitset<64> received;
    };
    std::array<Staging, kColorSpaceSlots> staging_{};
    std::array<std::optional<ColorTable>, kColorSpaceSlots> tables_{};
    int rejectedPackets_ = 0;
};

// The colour-space part of the EEPROM (addresses in monitor_calibration.h).
void SaveColorSpaceSlots(const ColorSpaceSlots& slots, std::array<uint8_t, kMonitorEepromSize>& eeprom);
void LoadColorSpaceSlots(const std::array<uint8_t, kMonitorEepromSize>& eeprom, ColorSpaceSlots& slots);

}  // namespace halvo::sim
