// Stand-in for the CS-200's USB library: a meter on the simulated station that speaks the
// meter's command language over 64-byte writes and reads.
//
// Replies (each ended by CR LF):
//   "OK00"                                   RMT, SPS, MES,0 accepted
//   "OK00,<ss>,<speed>"                      MES,1: a measurement started; ss its time in whole
//                                            seconds, rounded up to leave the station's 200 ms
//   "OK00,<speed>,<time>,<count>,<Lv>,<x>,<y>" MDR,0: the data, 64 bytes, so that Lv, x and y
//                                            stand in characters 27-37, 39-49 and 51-61
//   "ER00" unknown command or bad parameter, "ER01" not in remote mode, "ER02" data not ready,
//   "ER03" nothing measured yet, "ER10" the measurement failed (fault "measure-fails"), "ER20"
//   the light is beyond the meter's range (above 50000 cd/m2, or fault "over-range").
// Fault "slow-data": a measurement takes a second longer than its start reply announced, so the
// data is not ready at the first read nor at the retry.
//
// Measuring time by speed: S-FAST 0.5 s, FAST 0.75 s, SLOW 2.7 s, S-SLOW 5.7 s; LTD.AUTO 0.6 s,
// 2.7 s below 1 cd/m2; AUTO 0.75 s, 2.7 s below 10 cd/m2, 5.7 s below 1 cd/m2; MANU the set
// seconds and 50 ms of processing, which a reader waiting s * 1000 - 200 ms finds not ready
// once. The light is taken when the measurement starts, and read with the meter's bias and a
// noise that shrinks with the measuring time (standin_station.h).

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "instruments/cs200/kmsecs200_abi.h"
#include "sim/colorimeter_standins/standin_station.h"

namespace {

using namespace halvo::sim::standin;

constexpr const char* kDevice = "cs200";
constexpr int kPacket = 64;
constexpr double kRangeTop = 50000.0;  // cd/m2
constexpr int kSlowDataMs = 1000;

Readout readout({kDevice, {1.003, 1.000, 0.995}, 0.0004, 0.0006, 200});

struct Meter {
    bool open = false;
    bool remote = false;
    int speed = 2;
    int manualSeconds = 1;
    bool measured = false;  // a measurement was started since opening
    bool failed = false;
    int64_t readyAtMs = 0;
    int durationMs = 0;
    int count = 0;
    Light light;
    std::string pending;  // the reply to the last command, until read
};

Meter meter;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char text[128];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(text, std::min<size_t>(static_cast<size_t>(n), sizeof text - 1));
}

int MeasuringMs(double lv) {
    switch (meter.speed) {
        case 0: return lv >= 1.0 ? 600 : 2700;
        case 1: return 500;
        case 2: return 750;
        case 3: return 2700;
        case 4: return 5700;
        case 5: return meter.manualSeconds * 1000 + 50;
        default: return lv >= 10.0 ? 750 : (lv >= 1.0 ? 2700 : 5700);
    }
}

std::string Start() {
    meter.measured = true;
    meter.failed = Fault(kDevice, "measure-fails");
    if (meter.failed) {
        return "ER10";
    }
    const Light truth = LightAtProbe();
    if (truth.Y > kRangeTop || Fault(kDevice, "over-range")) {
        meter.failed = true;  // the data read then is "ER10"
        return "ER20";
    }
    meter.durationMs = MeasuringMs(truth.Y);
    meter.light = readout.read(truth, meter.durationMs / 1000.0);
    meter.readyAtMs = NowMs() + meter.durationMs + (Fault(kDevice, "slow-data") ? kSlowDataMs : 0);
    ++meter.count;
    const int seconds = meter.speed == 5 ? meter.manualSeconds : (meter.durationMs + 200 + 999) / 1000;
    return Printf("OK00,%02d,%d", seconds, meter.speed);
}

std::string Data() {
    if (!meter.measured) {
        return "ER03";
    }
    if (meter.failed) {
        return "ER10";
    }
    if (NowMs() < meter.readyAtMs) {
        return "ER02";
    }
    double x = 0.0;
    double y = 0.0;
    Chromaticity(meter.light, x, y);
    const double lv = std::clamp(meter.light.Y, 0.0, 999999.0);
    return Printf("OK00,%d,%7.3f,%11d,%+11.4E,%+11.4E,%+11.4E", meter.speed, meter.durationMs / 1000.0,
                  meter.count % 100000000, lv, x, y);
}

// "SPS,<speed>,<tt>": the two places after the second comma hold the manual time.
std::string Speed(const std::string& command) {
    if (command.size() != 8 || command[5] != ',' || command[4] < '0' || command[4] > '6') {
        return "ER00";
    }
    const int speed = command[4] - '0';
    const std::string tt = command.substr(6, 2);
    int seconds = 0;
    if (tt[0] == ' ' && std::isdigit(static_cast<unsigned char>(tt[1]))) {
        seconds = tt[1] - '0';
    } else if (std::isdigit(static_cast<unsigned char>(tt[0])) && std::isdigit(static_cast<unsigned char>(tt[1]))) {
        seconds = (tt[0] - '0') * 10 + (tt[1] - '0');
    } else {
        return "ER00";
    }
    if (speed == 5 && (seconds < 1 || seconds > 60)) {
        return "ER00";
    }
    meter.speed = speed;
    if (speed == 5) {
        meter.manualSeconds = seconds;
    }
    return "OK00";
}

std::string Answer(const std::string& line) {
    if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
        return "ER00";
    }
    const std::string command = line.substr(0, line.size() - 2);
    if (command == "RMT,1" || command == "RMT,0") {
        meter.remote = command == "RMT,1";
        return "OK00";
    }
    if (!meter.remote) {
        return "ER01";
    }
    if (command.rfind("SPS,", 0) == 0) {
        return Speed(command);
    }
    if (command == "MES,1") {
        return Start();
    }
    if (command == "MES,0") {
        meter.readyAtMs = 0;
        return "OK00";
    }
    if (command == "MDR,0") {
        return Data();
    }
    return "ER00";
}

}  // namespace

extern "C" {

int int_usb(int device) {
    if (device != 0 || !Present(kDevice)) {
        return -1;
    }
    meter = Meter();
    meter.open = true;
    readout.restart();
    return 0;
}

int end_usb(int device) {
    if (device != 0 || !meter.open) {
        return -1;
    }
    meter = Meter();
    return 0;
}

int get_num(void) {
    return Present(kDevice) ? 1 : 0;
}

int write64_usb(int device, char* buffer, int /*pipe*/, int count) {
    if (device != 0 || !meter.open || buffer == nullptr || count <= 0 || count > kPacket) {
        return -1;
    }
    if (!Present(kDevice)) {  // pulled out while open
        meter.pending.clear();
        return -1;
    }
    meter.pending = Answer(std::string(buffer, static_cast<size_t>(count))) + "\r\n";
    return count;
}

int read64_usb(int device, char* buffer, int /*pipe*/, int count) {
    if (device != 0 || buffer == nullptr || count <= 0) {
        return -1;
    }
    buffer[0] = '\0';
    if (!meter.open) {
        return -1;
    }
    const size_t n = std::min(meter.pending.size(), static_cast<size_t>(count - 1));
    std::memcpy(buffer, meter.pending.data(), n);
    buffer[n] = '\0';
    meter.pending.clear();
    return static_cast<int>(n);
}

}  // extern "C"
