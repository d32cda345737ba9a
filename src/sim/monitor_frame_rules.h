#pragma once

// What the simulated monitor takes as a frame: every frame of its wire vocabulary with its exact
// length and what its arguments may be. Written down here on its own, not taken from the
// station's frame builders, so that a misreading on one side shows on the other.
//
// Ordinary frames: lead, class (0x88 settings and actions, 0x89 queries, 0x8B the extended
// query), 00 FE, code, arguments least significant byte first. Besides them: the serial-mode
// change 05 82 00 EE EE, the keep-alive F1 9B, play and pause F3 EE 00 00 / 01, and the EEPROM
// frames F7 1B 00 A0 00 21 AH AL (read) and F8 1A 00 A0 00 03 AH AL D (write).

#include <cstdint>
#include <string>

#include "monitor/monitor_protocol.h"

namespace halvo::sim {

// Frames whose effect the checker follows beyond their own bytes.
enum class FrameKind : uint8_t {
    Plain,
    CalibrationExecution,
    SaveEeprom,
    SetCscGamma,
    SetNativeColorSpace,
    GammaTable,
    ColourBlock,
    Uniformity,
    EepromWrite,
};

struct FrameRule {
    const char* name;
    FrameKind kind;
    uint8_t lead;
    uint8_t cls;
    uint8_t code;
    size_t length;
    // Empty when the arguments are what the monitor knows, else why not.
    std::string (*arguments)(const Bytes& frame);
    // How long the monitor is busy with the frame: from its start on the line to the earliest
    // start of the next frame it can take.
    int takesMs;
};

struct FrameIdentity {
    const FrameRule* rule = nullptr;  // nullptr: no frame of the vocabulary
    std::string fault;                // why, when rule is nullptr
};

FrameIdentity IdentifyFrame(const Bytes& frame);

// The colour-space block that closes a table (index, checksum, complement and data all 0xFF).
bool IsFinalColourBlock(const Bytes& frame);
// The EEPROM save that follows the final colour-space block.
inline constexpr int kColourTableSaveMs = 8000;
// A gamma table packet is taken only this long after the processing was bypassed.
inline constexpr int kBypassSettleMs = 4000;

}  // namespace halvo::sim
