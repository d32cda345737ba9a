#include "sim/sim_k10.h"

#include <algorithm>
#include <cmath>

namespace halvo::sim {
namespace {

// Firmware times before an answer starts.
constexpr int kIdentifyMs = 30;
constexpr int kNamesMs = 150;
constexpr int kEchoMs = 10;
constexpr int kMatrixMs = 60;
// The slot byte must follow the "D1" echo within this time, else the device forgets the selection.
constexpr int kSlotByteTimeoutMs = 1000;
// The light changed between the start of a reading and its answer by more than this share (of
// at least 1 cd/m2).
constexpr double kChangedLight = 0.02;

constexpr Matrix3 kIdentity = {{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};

Matrix3 Inverse(const Matrix3& m) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Matrix3 inv{};
    inv[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
    inv[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    inv[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    inv[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    inv[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    inv[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    inv[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    inv[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    inv[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    return inv;
}

Xyz Apply(const Matrix3& m, const Xyz& v) {
    return {m[0][0] * v.X + m[0][1] * v.Y + m[0][2] * v.Z, m[1][0] * v.X + m[1][1] * v.Y + m[1][2] * v.Z,
            m[2][0] * v.X + m[2][1] * v.Y + m[2][2] * v.Z};
}

// The range the device switches a channel to for a level (cd/m2): 1 for the dimmest.
int32_t RangeOf(double level) {
    static constexpr double kUpper[5] = {0.5, 5.0, 50.0, 150.0, 500.0};
    int32_t range = 1;
    for (double upper : kUpper) {
        if (std::fabs(level) < upper) {
            break;
        }
        ++range;
    }
    return range;
}

}  // namespace

const Matrix3& SimK10::sensorDistortion() {
    // Rows: the sensor's X, Y and Z channels as mixes of the true X, Y, Z.
    static const Matrix3 kDistortion = {{
        {1.020, 0.030, -0.012},
        {0.010, 0.994, 0.006},
        {-0.006, 0.018, 0.968},
    }};
    return kDistortion;
}

const std::vector<SimK10Slot>& SimK10::namedSlots() {
    static const std::vector<SimK10Slot> kSlots = {
        {1, "Vorla WG-LCD", sensorDistortion()},
        {2, "LCD CCFL", {{{1.014, 0.035, -0.009}, {0.008, 0.996, 0.005}, {-0.003, 0.014, 0.973}}}},
        {3, "LCD White LED", {{{1.024, 0.026, -0.015}, {0.013, 0.992, 0.008}, {-0.008, 0.021, 0.962}}}},
        {4, "OLED", {{{1.028, 0.022, -0.007}, {0.006, 0.998, 0.003}, {-0.010, 0.023, 0.957}}}},
    };
    return kSlots;
}

SimK10::SimK10(const Clock& clock, LightSource light, const SimK10Config& config)
    : SimSerialDevice(clock, config.seed), light_(std::move(light)), config_(config),
      wakingLeft_(config.wakingReplies) {}

void SimK10::onBytes(const uint8_t* data, size_t length, int64_t atMs) {
    for (size_t i = 0; i < length; ++i) {
        const uint8_t b = data[i];
        if (await_ == Await::Slot && atMs - echoedAtMs_ > kSlotByteTimeoutMs) {
            await_ = Await::Command;
        }
        if (await_ == Await::Slot) {
            slot_ = b;
            await_ = Await::SlotEnd;
            continue;
        }
        if (await_ == Await::SlotEnd) {
            await_ = Await::Command;
            if (b == '\r') {
                slotSelected(slot_, atMs);
                continue;
            }
        }
        if (b == '\r' || b == '\n') {
            if (!line_.empty()) {
                command(line_, atMs);
            }
            line_.clear();
        } else if (line_.size() < 16) {
            line_.push_back(static_cast<char>(b));
        }
    }
}

void SimK10::reply(const K10Bytes& bytes, int64_t atMs) {
    send(bytes.data(), bytes.size(), atMs);
}

void SimK10::command(const std::string& text, int64_t atMs) {
    commands_.push_back(text);
    if (text == "P0") {
        const bool waking = wakingLeft_ > 0;
        if (waking) {
            --wakingLeft_;
        }
        reply(BuildK10Identity(waking ? "/////" : config_.model, config_.serialNumber, config_.firmware),
              atMs + kIdentifyMs);
    } else if (text == "D7") {
        std::vector<std::string> names(static_cast<size_t>(kK10Slots));
        for (const SimK10Slot& s : namedSlots()) {
            names[static_cast<size_t>(s.slot - 1)] = s.name;
        }
        reply(BuildK10Names(names), atMs + kNamesMs);
    } else if (text == "D1") {
        reply(K10Bytes{'D', '1'}, atMs + kEchoMs);
        await_ = Await::Slot;
        echoedAtMs_ = atMs;
    } else if (text == "N5") {
        measure(atMs);
    }
    // Commands the station does not use are taken silently.
}

void SimK10::slotSelected(uint8_t slot, int64_t atMs) {
    commands_.push_back("#" + std::to_string(slot));
    const std::array<double, 5> none{};
    if (slot == 0) {
        reply(BuildK10Matrix(0, "Factory Cal File", 'F', "factory", none, kIdentity, kXyzToRgbMatrix),
              atMs + kMatrixMs);
        return;
    }
    for (const SimK10Slot& s : namedSlots()) {
        if (s.slot == slot) {
            // Made on a D65 white of 100 cd/m2; the fit left about 0.0004 in u'v' on average.
            const std::array<double, 5> reference = {0.3127, 0.3290, 100.0, 0.0004, 0.0011};
            reply(BuildK10Matrix(slot, s.name, kK10CorrectionLetter, "reference spectroradiometer, 2016-03-14",
                                 reference, Inverse(s.madeFor), kXyzToRgbMatrix),
                  atMs + kMatrixMs);
            return;
        }
    }
    reply(BuildK10Matrix(slot, "", 0xFF, "", none, kIdentity, kXyzToRgbMatrix), atMs + kMatrixMs);
}

SimK10::Reading SimK10::sample() {
    Reading r;
    r.truth = light_();
    r.raw = Apply(sensorDistortion(), r.truth);
    std::normal_distribution<double> n(0.0, 1.0);
    for (double* c : {&r.raw.X, &r.raw.Y, &r.raw.Z}) {
        *c += (config_.relativeNoise * std::fabs(*c) + config_.darkNoise) * n(random());
    }
    ++measurements_;
    return r;
}

void SimK10::measure(int64_t atMs) {
    const Reading now = sample();
    const Reading answered = finished_ ? *finished_ : now;
    finished_ = now;

    char status = '0';
    const double before = answered.truth.X + answered.truth.Y + answered.truth.Z;
    const double after = now.truth.X + now.truth.Y + now.truth.Z;
    if (config_.forcedStatus) {
        status = *config_.forcedStatus;
    } else if (std::fabs(after - before) > kChangedLight * std::max(before, 1.0)) {
        status = 's';
    } else if (answered.truth.Y < config_.lowLightY) {
        status = 'L';
    }
    const K10Ranges ranges{RangeOf(answered.raw.X), RangeOf(answered.raw.Y), RangeOf(answered.raw.Z)};
    const int delay = config_.measuringMs + (now.truth.Y < 5.0 ? config_.lowLightExtraMs : 0);
    reply(BuildK10Measurement(answered.raw.X, answered.raw.Y, answered.raw.Z, EncodeK10Ranges(ranges),
                              static_cast<uint8_t>(status)),
          atMs + delay);
}

}  // namespace halvo::sim
