// libpelko_core.so, the stand-in of the spectroradiometer maker's core library: every call
// Vantrel and the station make (pelko_core_abi.h), reached by number through the one export
// pelko_core_by_ordinal, backed by the simulated station of the process (sim_bridge.h). Without
// a simulated station it is a core library with no device plugged in.
//
// Devices are those the station has plugged in ("pelko" in its device count), identified as
// 2106, 1001 + index. Open, close, the device search and the exposure look block for the time a
// device takes, through the station's clock. Fault switches of device "pelko": "no-device" (none
// plugged in), "lost" (an open device stops answering), "measure-fails" (a start is refused),
// "aborts" (measurements end without a result).

#include <algorithm>
#include <array>
#include <cstdint>

#include "radiometric/pelko_core_abi.h"
#include "sim/bridge/sim_bridge.h"
#include "sim/pelko/spectro_device.h"

namespace halvo::sim {
namespace {

constexpr int kMaxDevices = 8;
constexpr int32_t kFirstIdentification = 2106;
constexpr int32_t kFirstSerial = 1001;
constexpr int64_t kSearchMs = 150;
constexpr int64_t kOpenMs = 300;
constexpr int64_t kCloseMs = 50;
constexpr int64_t kExposureLookMs = 30;

struct Slot {
    bool open = false;
    const void* station = nullptr;  // the simulated station the device was opened on
    SpectroDevice device;
};
std::array<Slot, kMaxDevices> g_slots;

const HalvoSimHooks* Hooks() {
    const HalvoSimHooks* h = halvo_sim_hooks();
    return h != nullptr && h->version >= 1 ? h : nullptr;
}

bool Fault(const HalvoSimHooks& h, const char* name) {
    return h.fault != nullptr && h.fault(h.context, "pelko", name) != 0;
}

void Pass(const HalvoSimHooks& h, int64_t ms) {
    if (h.sleepMs != nullptr) {
        h.sleepMs(h.context, ms);
    }
}

int DevicesPlugged() {
    const HalvoSimHooks* h = Hooks();
    if (h == nullptr || Fault(*h, "no-device")) {
        return 0;
    }
    if (h->version >= 2 && h->deviceCount != nullptr) {
        return std::clamp(h->deviceCount(h->context, "pelko"), 0, kMaxDevices);
    }
    return 1;
}

// The device of an open handle, or the reason there is none.
SpectroDevice* Device(int32_t handle, int32_t& error, const HalvoSimHooks** hooks = nullptr) {
    if (handle < 1 || handle > kMaxDevices || !g_slots[static_cast<size_t>(handle - 1)].open) {
        error = PELKO_CORE_BAD_HANDLE;
        return nullptr;
    }
    Slot& slot = g_slots[static_cast<size_t>(handle - 1)];
    const HalvoSimHooks* h = Hooks();
    if (h == nullptr || h->context != slot.station || Fault(*h, "lost") || handle > DevicesPlugged()) {
        error = PELKO_CORE_LOST;
        return nullptr;
    }
    if (hooks != nullptr) {
        *hooks = h;
    }
    error = PELKO_CORE_OK;
    return &slot.device;
}

// The device of an open handle with a spectrum measured.
SpectroDevice* Measured(int32_t handle, int32_t& error) {
    SpectroDevice* d = Device(handle, error);
    if (d != nullptr && !d->hasSpectrum()) {
        error = PELKO_CORE_NO_DATA;
        return nullptr;
    }
    return d;
}

void Put(double* out, double value) {
    if (out != nullptr) {
        *out = value;
    }
}

// ---- Devices ----

int32_t Count(int32_t* count) {
    if (count == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    if (const HalvoSimHooks* h = Hooks()) {
        Pass(*h, kSearchMs);
    }
    *count = DevicesPlugged();
    return PELKO_CORE_OK;
}

int32_t Identify(int32_t index, int32_t* first, int32_t* second) {
    if (first == nullptr || second == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    if (index < 0 || index >= DevicesPlugged()) {
        return PELKO_CORE_NO_DEVICE;
    }
    *first = kFirstIdentification;
    *second = kFirstSerial + index;
    return PELKO_CORE_OK;
}

int32_t Open(int32_t index, int32_t* handle) {
    if (handle == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    if (index < 0 || index >= DevicesPlugged()) {
        return PELKO_CORE_NO_DEVICE;
    }
    const HalvoSimHooks* h = Hooks();
    Slot& slot = g_slots[static_cast<size_t>(index)];
    // A handle left open on a station that has gone does not hold the device.
    if (slot.open && slot.station == h->context) {
        return PELKO_CORE_IN_USE;
    }
    Pass(*h, kOpenMs);
    slot.open = true;
    slot.station = h->context;
    slot.device.reset(index);
    *handle = index + 1;
    return PELKO_CORE_OK;
}

int32_t Close(int32_t handle) {
    if (handle < 1 || handle > kMaxDevices || !g_slots[static_cast<size_t>(handle - 1)].open) {
        return PELKO_CORE_BAD_HANDLE;
    }
    Slot& slot = g_slots[static_cast<size_t>(handle - 1)];
    slot.open = false;
    if (const HalvoSimHooks* h = Hooks(); h != nullptr && h->context == slot.station) {
        Pass(*h, kCloseMs);
    }
    return PELKO_CORE_OK;
}

// ---- Measurement ----

int32_t Abort(int32_t handle) {
    int32_t e = 0;
    if (SpectroDevice* d = Device(handle, e)) {
        d->abort();
    }
    return e;
}

int32_t Start(int32_t handle) {
    int32_t e = 0;
    const HalvoSimHooks* h = nullptr;
    SpectroDevice* d = Device(handle, e, &h);
    if (d == nullptr) {
        return e;
    }
    if (d->running(*h) || d->liveView != 0 || Fault(*h, "measure-fails")) {
        return PELKO_CORE_BUSY;
    }
    d->start(*h);
    if (Fault(*h, "aborts")) {
        d->spoil();
    }
    return PELKO_CORE_OK;
}

int32_t Status(int32_t handle, int32_t* running) {
    int32_t e = 0;
    const HalvoSimHooks* h = nullptr;
    SpectroDevice* d = Device(handle, e, &h);
    if (d == nullptr) {
        return e;
    }
    if (running == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    const bool stillRunning = d->running(*h);
    if (!stillRunning && d->ended()) {
        return PELKO_CORE_ABORTED;
    }
    *running = stillRunning ? 1 : 0;
    return PELKO_CORE_OK;
}

// Settings written by value: the setter applies a checked value.
template <typename Apply>
int32_t Set(int32_t handle, bool valid, Apply apply) {
    int32_t e = 0;
    const HalvoSimHooks* h = nullptr;
    SpectroDevice* d = Device(handle, e, &h);
    if (d == nullptr) {
        return e;
    }
    if (d->running(*h)) {
        return PELKO_CORE_BUSY;
    }
    if (!valid) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    apply(*d);
    return PELKO_CORE_OK;
}

int32_t GetLiveView(int32_t handle, int32_t* mode) {
    int32_t e = 0;
    SpectroDevice* d = Device(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (mode == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    *mode = d->liveView;
    return PELKO_CORE_OK;
}

int32_t SetLiveView(int32_t h, int32_t mode) {
    return Set(h, mode == 0 || mode == 1, [&](SpectroDevice& d) { d.liveView = mode; });
}
int32_t SetExposure(int32_t h, int32_t exposure) {
    return Set(h, exposure == 1 || exposure == 2, [&](SpectroDevice& d) { d.exposure = exposure; });
}
int32_t SetCorrections(int32_t h, int32_t flags) {
    return Set(h, (flags & ~(kCorrectDark | kCorrectLinearity)) == 0, [&](SpectroDevice& d) { d.corrections = flags; });
}
int32_t SetIntegration(int32_t h, int32_t ms) {
    return Set(h, ms >= 1 && ms <= 60000, [&](SpectroDevice& d) { d.integrationMs = ms; });
}
int32_t SetScans(int32_t h, int32_t scans) {
    return Set(h, scans >= 1 && scans <= 100, [&](SpectroDevice& d) { d.scans = scans; });
}
int32_t SetFixedDelay(int32_t h, int32_t ms) {
    return Set(h, ms >= 0 && ms <= 10000, [&](SpectroDevice& d) { d.fixedDelayMs = ms; });
}
int32_t SetPhase(int32_t h, int32_t phase) {
    return Set(h, phase >= 0 && phase <= 3, [&](SpectroDevice& d) { d.phase = phase; });
}
int32_t SetExposureHandling(int32_t h, int32_t mode) {
    return Set(h, mode == 0 || mode == 1, [&](SpectroDevice& d) { d.exposureHandling = mode; });
}
int32_t SetStartTime(int32_t h, int32_t ms) {
    return Set(h, ms >= 1 && ms <= 60000, [&](SpectroDevice& d) { d.startTimeMs = ms; });
}
int32_t SetLimit(int32_t h, int32_t ms) {
    return Set(h, ms >= 1 && ms <= 60000, [&](SpectroDevice& d) { d.limitMs = ms; });
}
int32_t SetDistance(int32_t h, int32_t mm) {
    return Set(h, mm > 0 && mm <= 100000, [&](SpectroDevice& d) { d.distanceMm = mm; });
}

int32_t GetDistance(int32_t handle, int32_t* mm) {
    int32_t e = 0;
    SpectroDevice* d = Device(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (mm == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    *mm = d->distanceMm;
    return PELKO_CORE_OK;
}

// ---- Exposure set-up ----

int32_t ExposureAvailable(int32_t handle, int32_t* available) {
    int32_t e = 0;
    const HalvoSimHooks* h = nullptr;
    SpectroDevice* d = Device(handle, e, &h);
    if (d == nullptr) {
        return e;
    }
    if (available == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    if (d->running(*h)) {
        return PELKO_CORE_BUSY;
    }
    Pass(*h, kExposureLookMs);
    d->findExposure(*h);
    *available = d->exposureFound() ? 1 : 0;
    return PELKO_CORE_OK;
}

int32_t ExposureTime(int32_t handle, int32_t* ms) {
    int32_t e = 0;
    SpectroDevice* d = Device(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (ms == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    *ms = d->foundExposureMs();
    return PELKO_CORE_OK;
}

// ---- Evaluation ----

int32_t GetRange(int32_t handle, int32_t* begin, int32_t* end, int32_t* step) {
    int32_t e = 0;
    SpectroDevice* d = Device(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (begin == nullptr || end == nullptr || step == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    *begin = d->begin;
    *end = d->end;
    *step = d->step;
    return PELKO_CORE_OK;
}

int32_t SetRange(int32_t handle, int32_t begin, int32_t end, int32_t step) {
    return Set(handle, ValidEvaluationRange(begin, end, step),
               [&](SpectroDevice& d) { d.setRange(begin, end, step); });
}

int32_t Spectrum(int32_t handle, double* out) {
    int32_t e = 0;
    SpectroDevice* d = Measured(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (out == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    const auto& s = d->evaluation().spectrum;
    std::copy(s.begin(), s.end(), out);
    return PELKO_CORE_OK;
}

// A result of the current evaluation; ok: the outputs given are usable.
template <typename Take>
int32_t Current(int32_t handle, bool ok, Take take) {
    int32_t e = 0;
    SpectroDevice* d = Measured(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (!ok) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    take(d->evaluation());
    return PELKO_CORE_OK;
}

int32_t Radiance(int32_t h, double* out) {
    return Current(h, out != nullptr, [&](const SpectroEvaluation& v) { *out = v.radiance; });
}
int32_t Luminance(int32_t h, double* out) {
    return Current(h, out != nullptr, [&](const SpectroEvaluation& v) { *out = v.luminance; });
}
int32_t Chromaticity(int32_t h, double* x, double* y) {
    return Current(h, x != nullptr && y != nullptr, [&](const SpectroEvaluation& v) {
        *x = v.x;
        *y = v.y;
    });
}
int32_t Ucs(int32_t h, double* u, double* v) {
    return Current(h, u != nullptr && v != nullptr, [&](const SpectroEvaluation& s) {
        *u = s.u;
        *v = s.v;
    });
}
int32_t Dominant(int32_t h, double* wavelength, double* purity) {
    return Current(h, wavelength != nullptr && purity != nullptr, [&](const SpectroEvaluation& v) {
        *wavelength = v.wavelength;
        *purity = v.purity;
    });
}
int32_t Duv(int32_t h, double* duv) {
    return Current(h, duv != nullptr, [&](const SpectroEvaluation& v) { *duv = TemperatureOf(v).duv; });
}

int32_t StoredCct(int32_t handle, double* cct) {
    int32_t e = 0;
    SpectroDevice* d = Measured(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (cct == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    if (!d->cctStored) {
        return PELKO_CORE_NO_DATA;
    }
    *cct = d->storedCct;
    return PELKO_CORE_OK;
}

int32_t ComputeCct(int32_t handle, int32_t begin, int32_t end, double* cct) {
    int32_t e = 0;
    SpectroDevice* d = Measured(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (cct == nullptr || !ValidEvaluationRange(begin, end, d->step)) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    d->storedCct = TemperatureOf(d->evaluate(begin, end)).cct;
    d->cctStored = true;
    *cct = d->storedCct;
    return PELKO_CORE_OK;
}

int32_t Unsupported(int32_t handle, double*) {
    int32_t e = 0;
    return Device(handle, e) == nullptr ? e : PELKO_CORE_UNSUPPORTED;
}

int32_t Unsupported2(int32_t handle, double*, double*) {
    int32_t e = 0;
    return Device(handle, e) == nullptr ? e : PELKO_CORE_UNSUPPORTED;
}

int32_t Reevaluate(int32_t handle, int32_t begin, int32_t end, double* radiance, double* luminance, double* x,
                   double* y, double* u, double* v, double* wavelength, double* purity) {
    int32_t e = 0;
    SpectroDevice* d = Measured(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (!ValidEvaluationRange(begin, end, d->step)) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    d->setRange(begin, end, d->step);
    const SpectroEvaluation& r = d->evaluation();
    Put(radiance, r.radiance);
    Put(luminance, r.luminance);
    Put(x, r.x);
    Put(y, r.y);
    Put(u, r.u);
    Put(v, r.v);
    Put(wavelength, r.wavelength);
    Put(purity, r.purity);
    return PELKO_CORE_OK;
}

int32_t WriteXyz(const SpectroEvaluation& r, float* X, float* Y, float* Z) {
    if (X == nullptr || Y == nullptr || Z == nullptr) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    *X = static_cast<float>(r.X);
    *Y = static_cast<float>(r.Y);
    *Z = static_cast<float>(r.Z);
    return PELKO_CORE_OK;
}

int32_t XyzOver(int32_t handle, int32_t begin, int32_t end, float* X, float* Y, float* Z) {
    int32_t e = 0;
    SpectroDevice* d = Measured(handle, e);
    if (d == nullptr) {
        return e;
    }
    if (!ValidEvaluationRange(begin, end, d->step)) {
        return PELKO_CORE_BAD_ARGUMENT;
    }
    return WriteXyz(d->evaluate(begin, end), X, Y, Z);
}

int32_t XyzCurrent(int32_t handle, float* X, float* Y, float* Z) {
    int32_t e = 0;
    SpectroDevice* d = Measured(handle, e);
    if (d == nullptr) {
        return e;
    }
    return WriteXyz(d->evaluation(), X, Y, Z);
}

// Checks at compile time that the call has the type the interface gives it.
template <typename Call>
PelkoCoreProc Proc(Call call) {
    return reinterpret_cast<PelkoCoreProc>(call);
}

// Each call with exactly the type pelko_core_abi.h gives it.
PelkoCoreProc CallByOrdinal(int32_t ordinal) {
    switch (ordinal) {
        case 1: return Proc<PelkoCall1>(Count);
        case 2: return Proc<PelkoCall2>(Identify);
        case 3: return Proc<PelkoCall3>(Open);
        case 4: return Proc<PelkoCall4>(Close);
        case 6: return Proc<PelkoCall6>(Abort);
        case 7: return Proc<PelkoCall7>(Start);
        case 8: return Proc<PelkoCall8>(Status);
        case 12: return Proc<PelkoCall12>(GetLiveView);
        case 13: return Proc<PelkoCall13>(SetLiveView);
        case 20: return Proc<PelkoCall20>(SetExposure);
        case 22: return Proc<PelkoCall22>(SetCorrections);
        case 24: return Proc<PelkoCall24>(SetIntegration);
        case 26: return Proc<PelkoCall26>(SetScans);
        case 28: return Proc<PelkoCall28>(SetFixedDelay);
        case 29: return Proc<PelkoCall29>(GetRange);
        case 30: return Proc<PelkoCall30>(SetRange);
        case 35: return Proc<PelkoCall35>(Spectrum);
        case 36: return Proc<PelkoCall36>(Radiance);
        case 37: return Proc<PelkoCall37>(Luminance);
        case 38: return Proc<PelkoCall38>(Chromaticity);
        case 39: return Proc<PelkoCall39>(Ucs);
        case 40: return Proc<PelkoCall40>(Dominant);
        case 41: return Proc<PelkoCall41>(StoredCct);
        case 56: return Proc<PelkoCall56>(ComputeCct);
        case 57: return Proc<PelkoCall57>(Unsupported);
        case 63: return Proc<PelkoCall63>(GetDistance);
        case 64: return Proc<PelkoCall64>(SetDistance);
        case 65: return Proc<PelkoCall65>(Reevaluate);
        case 73: return Proc<PelkoCall73>(XyzOver);
        case 74: return Proc<PelkoCall74>(XyzCurrent);
        case 75: return Proc<PelkoCall75>(Duv);
        case 80: return Proc<PelkoCall80>(Unsupported2);
        case 100: return Proc<PelkoCall100>(SetPhase);
        case 101: return Proc<PelkoCall101>(ExposureAvailable);
        case 102: return Proc<PelkoCall102>(ExposureTime);
        case 104: return Proc<PelkoCall104>(SetExposureHandling);
        case 106: return Proc<PelkoCall106>(SetStartTime);
        case 115: return Proc<PelkoCall115>(SetLimit);
        default: return nullptr;
    }
}

}  // namespace
}  // namespace halvo::sim

extern "C" __attribute__((visibility("default"))) PelkoCoreProc pelko_core_by_ordinal(int32_t ordinal) {
    return halvo::sim::CallByOrdinal(ordinal);
}
