#pragma once

// Serial devices on Linux: termios line settings and the modem-line rule. Exposed for tests,
// which cannot read some settings back from a pseudo-terminal (the kernel forces 8 data bits
// and no parity there while reporting success).

#include <termios.h>

#include <optional>
#include <string>
#include <vector>

#include "monitor/serial_backend.h"

namespace halvo {

// The raw-mode line the station uses, built on the port's current settings: baud, data bits,
// parity (with input parity checking), stop bits (one and a half maps to two, the nearest a
// terminal offers), no flow control of any kind. nullopt when a setting has no terminal
// equivalent.
std::optional<termios> BuildLineTermios(const termios& current, const LineSettings& settings);

// Whether a character device number is a pseudo-terminal's slave side (Unix 98 or legacy).
bool IsPseudoTerminalDevice(unsigned major);

// What a pseudo-terminal keeps of a line: its 8 data bits and no parity, the rest as asked.
LineSettings PseudoTerminalLine(const LineSettings& settings);

// DTR and RTS are held on with two stop bits and off otherwise.
bool ModemLinesOn(const LineSettings& settings);

// The device path for a port name: absolute paths as they are, bare names under /dev.
std::string DevicePath(const std::string& name);

// Serial devices the kernel reports in /sys/class/tty (ports with a driver behind them; legacy
// UART slots without hardware are left out), as bare names sorted naturally.
std::vector<std::string> EnumerateDeviceSerialPorts();

}  // namespace halvo
