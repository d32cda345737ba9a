// Vantrel's exports. The core does the measuring and the arithmetic; Vantrel sequences its calls
// and keeps the little state that spans them.

#include "radiometric/core_binding.h"
#include "radiometric/version_block.h"
#include "radiometric/vantrel.h"

namespace {

struct State {
    bool measurementRunning = false;
    int32_t savedMode = 0;  // the live-view mode found before the measurement
    bool cctValid = false;  // the colour temperature of the current evaluation is computed
};

State g_state;

// The configuration shared by starting and preparing a measurement.
int32_t Configure(int32_t handle, int32_t tintMs, int32_t average, int32_t step) {
    if (step != 1 && step != 5) {
        return VANTREL_ERROR_STEP;
    }
    if (const int32_t e = CORE(30, handle, 380, 780, step)) {
        return e;
    }
    // A new evaluation range: whatever colour temperature was computed belongs to another one.
    g_state.cctValid = false;
    if (tintMs == 0) {
        if (const int32_t e = CORE(20, handle, 1)) {
            return e;
        }
    } else {
        if (const int32_t e = CORE(20, handle, 2)) {
            return e;
        }
        if (const int32_t e = CORE(24, handle, tintMs)) {
            return e;
        }
        if (const int32_t e = CORE(28, handle, 0)) {
            return e;
        }
    }
    if (const int32_t e = CORE(26, handle, average)) {
        return e;
    }
    return CORE(22, handle, 12);
}

// Live view has to be off while the device measures; it is switched back on when the
// measurement has finished.
int32_t LiveViewOff(int32_t handle) {
    int32_t mode = 0;
    if (const int32_t e = CORE(12, handle, &mode)) {
        return e;
    }
    g_state.savedMode = mode;
    if (mode != 0) {
        return CORE(13, handle, 0);
    }
    return 0;
}

// The range rule of the evaluation calls. same: begin..end is the current evaluation's range.
// Otherwise the range is set (keeping the step) and the caller re-evaluates with core call 65.
int32_t SelectRange(int32_t handle, int32_t begin, int32_t end, bool& same) {
    int32_t currentBegin = 0;
    int32_t currentEnd = 0;
    int32_t step = 0;
    if (const int32_t e = CORE(29, handle, &currentBegin, &currentEnd, &step)) {
        return e;
    }
    same = begin == currentBegin && end == currentEnd;
    if (same) {
        return 0;
    }
    if (const int32_t e = CORE(30, handle, begin, end, step)) {
        return e;
    }
    g_state.cctValid = false;
    return 0;
}

// Re-evaluation over begin..end with the results wanted in the eight slots of core call 65:
// radiance, luminance, x, y, u', v', dominant wavelength, purity.
struct Slots {
    double* radiance = nullptr;
    double* luminance = nullptr;
    double* x = nullptr;
    double* y = nullptr;
    double* u = nullptr;
    double* v = nullptr;
    double* wavelength = nullptr;
    double* purity = nullptr;
};

int32_t Reevaluate(int32_t handle, int32_t begin, int32_t end, const Slots& s) {
    return CORE(65, handle, begin, end, s.radiance, s.luminance, s.x, s.y, s.u, s.v, s.wavelength, s.purity);
}

}  // namespace

extern "C" {

int32_t VantrelBindCore(PelkoCoreLookup lookup) {
    vantrel::BindCore(lookup);
    g_state = State();
    return VANTREL_OK;
}

int32_t PELKO_GetNumRadioEx(int32_t* count) {
    return CORE(1, count);
}

int32_t PELKO_GetSerialRadioEx(int32_t index, int32_t* first, int32_t* second) {
    return CORE(2, index, first, second);
}

int32_t PELKO_OpenRadioEx(int32_t index, int32_t* handle) {
    return CORE(3, index, handle);
}

int32_t PELKO_CloseRadioEx(int32_t handle) {
    return CORE(4, handle);
}

int32_t PELKO_MeasureEx(int32_t handle, int32_t tintMs, int32_t average, int32_t step) {
    if (const int32_t e = Configure(handle, tintMs, average, step)) {
        return e;
    }
    if (const int32_t e = LiveViewOff(handle)) {
        return e;
    }
    const int32_t e = CORE(7, handle);
    if (e == 0) {
        g_state.measurementRunning = true;
    }
    return e;
}

int32_t PELKO_PrepareMeasureEx(int32_t handle, int32_t tintMs, int32_t average, int32_t step) {
    if (const int32_t e = Configure(handle, tintMs, average, step)) {
        return e;
    }
    if (const int32_t e = CORE(100, handle, 0)) {
        return e;
    }
    return LiveViewOff(handle);
}

int32_t PELKO_MeasureStatusEx(int32_t handle, int32_t* status) {
    int32_t running = 0;
    const int32_t e = CORE(8, handle, &running);
    if (e == PELKO_CORE_ABORTED) {
        g_state.measurementRunning = false;
        return e;
    }
    if (e != 0) {
        return e;
    }
    if (status != nullptr) {
        *status = running;
    }
    if (running != 0) {
        g_state.measurementRunning = true;
        return 0;
    }
    if (!g_state.measurementRunning) {
        return 0;
    }
    // Just finished. The colour temperature is stale even if a call below fails, and live view
    // goes back on even if telling the device the phase failed.
    g_state.measurementRunning = false;
    g_state.cctValid = false;
    int32_t first = CORE(100, handle, 3);
    if (g_state.savedMode != 0) {
        const int32_t restored = CORE(13, handle, 1);
        if (first == 0) {
            first = restored;
        }
    }
    return first;
}

int32_t PELKO_MeasureBreakEx(int32_t handle) {
    return CORE(6, handle);
}

int32_t PELKO_SpecRadEx(int32_t handle, int32_t begin, int32_t end, double* spectrum) {
    bool same = false;
    if (const int32_t e = SelectRange(handle, begin, end, same)) {
        return e;
    }
    if (!same) {
        if (const int32_t e = Reevaluate(handle, begin, end, Slots())) {
            return e;
        }
    }
    return CORE(35, handle, spectrum);
}

int32_t PELKO_RadioEx(int32_t handle, int32_t begin, int32_t end, double* radiance) {
    bool same = false;
    if (const int32_t e = SelectRange(handle, begin, end, same)) {
        return e;
    }
    if (same) {
        return CORE(36, handle, radiance);
    }
    Slots s;
    s.radiance = radiance;
    return Reevaluate(handle, begin, end, s);
}

int32_t PELKO_PhotoEx(int32_t handle, int32_t begin, int32_t end, double* luminance) {
    bool same = false;
    if (const int32_t e = SelectRange(handle, begin, end, same)) {
        return e;
    }
    if (same) {
        return CORE(37, handle, luminance);
    }
    Slots s;
    s.luminance = luminance;
    return Reevaluate(handle, begin, end, s);
}

int32_t PELKO_ChromxyEx(int32_t handle, int32_t begin, int32_t end, double* x, double* y) {
    bool same = false;
    if (const int32_t e = SelectRange(handle, begin, end, same)) {
        return e;
    }
    if (same) {
        return CORE(38, handle, x, y);
    }
    Slots s;
    s.x = x;
    s.y = y;
    return Reevaluate(handle, begin, end, s);
}

int32_t PELKO_ChromuvEx(int32_t handle, int32_t begin, int32_t end, double* u, double* v) {
    bool same = false;
    if (const int32_t e = SelectRange(handle, begin, end, same)) {
        return e;
    }
    if (same) {
        return CORE(39, handle, u, v);
    }
    Slots s;
    s.u = u;
    s.v = v;
    return Reevaluate(handle, begin, end, s);
}

int32_t PELKO_DWLPEEx(int32_t handle, int32_t begin, int32_t end, double* wavelength, double* purity) {
    bool same = false;
    if (const int32_t e = SelectRange(handle, begin, end, same)) {
        return e;
    }
    if (same) {
        return CORE(40, handle, wavelength, purity);
    }
    Slots s;
    s.wavelength = wavelength;
    s.purity = purity;
    return Reevaluate(handle, begin, end, s);
}

int32_t PELKO_CCTEx(int32_t handle, int32_t begin, int32_t end, double* cct) {
    bool same = false;
    if (const int32_t e = SelectRange(handle, begin, end, same)) {
        return e;
    }
    if (same && g_state.cctValid) {
        return CORE(41, handle, cct);
    }
    if (!same) {
        if (const int32_t e = Reevaluate(handle, begin, end, Slots())) {
            return e;
        }
    }
    const int32_t e = CORE(56, handle, begin, end, cct);
    if (e == 0) {
        g_state.cctValid = true;
    }
    return e;
}

int32_t PELKO_CRIEx(int32_t handle, double* ra) {
    return CORE(57, handle, ra);
}

int32_t PELKO_SetMeasDistEx(int32_t handle, int32_t distanceMm) {
    return CORE(64, handle, distanceMm);
}

int32_t PELKO_GetMeasDistEx(int32_t handle, int32_t* distanceMm) {
    return CORE(63, handle, distanceMm);
}

int32_t PELKO_ChromXYZEx(int32_t handle, int32_t begin, int32_t end, float* X, float* Y, float* Z) {
    bool same = false;
    if (const int32_t e = SelectRange(handle, begin, end, same)) {
        return e;
    }
    if (same) {
        return CORE(74, handle, X, Y, Z);
    }
    if (const int32_t e = Reevaluate(handle, begin, end, Slots())) {
        return e;
    }
    return CORE(73, handle, begin, end, X, Y, Z);
}

int32_t PELKO_DuvEx(int32_t handle, double* duv) {
    return CORE(75, handle, duv);
}

int32_t PELKO_Chromxy10Ex(int32_t handle, double* x10, double* y10) {
    return CORE(80, handle, x10, y10);
}

int32_t PELKO_GetRadioExDLLVersion(uint16_t* major, uint16_t* minor, uint16_t* build) {
    const std::optional<vantrel::FileVersion> v = vantrel::OwnFileVersion();
    if (!v) {
        return VANTREL_ERROR_VERSION;
    }
    if (major != nullptr) {
        *major = static_cast<uint16_t>(v->mostSignificant >> 16);
    }
    if (minor != nullptr) {
        *minor = static_cast<uint16_t>(v->mostSignificant & 0xFFFF);
    }
    if (build != nullptr) {
        *build = static_cast<uint16_t>(v->leastSignificant >> 16);
    }
    return VANTREL_OK;
}

}  // extern "C"
