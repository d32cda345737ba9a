/* The spectroradiometer maker's core library, as Vantrel and the station call it.
 *
 * The core library (libpelko_core.so) has no named calls. It exports exactly one function,
 *
 *     PelkoCoreProc pelko_core_by_ordinal(int32_t ordinal);
 *
 * which returns call number `ordinal` (the numbers below), or NULL when the library has no call
 * of that number. Callers bind every call through it, by number only, and cast the result to the
 * call's type below. All calls return a 32-bit status: 0 for success, else one of the codes at
 * the end of this file. Handles are the 32-bit values call 3 gives out. Evaluation results
 * (radiance, luminance, chromaticities, wavelengths, temperatures) are doubles, except the
 * tristimulus values of calls 73 and 74, which are floats.
 *
 * Units: integration and exposure times in milliseconds, wavelengths in whole nanometres,
 * spectral radiance in W/(sr m2 nm), radiance in W/(sr m2), luminance in cd/m2, the measuring
 * distance in millimetres. */
#ifndef HALVO_PELKO_CORE_ABI_H
#define HALVO_PELKO_CORE_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define PELKO_CORE_LIBRARY "libpelko_core.so"
#define PELKO_CORE_LOOKUP "pelko_core_by_ordinal"

typedef void (*PelkoCoreProc)(void);
typedef PelkoCoreProc (*PelkoCoreLookup)(int32_t ordinal);

/* Devices */
typedef int32_t (*PelkoCall1)(int32_t* count);                                 /* devices attached */
typedef int32_t (*PelkoCall2)(int32_t index, int32_t* first, int32_t* second); /* identification of device index */
typedef int32_t (*PelkoCall3)(int32_t index, int32_t* handle);                 /* open device index */
typedef int32_t (*PelkoCall4)(int32_t handle);                                 /* close */

/* Measurement */
typedef int32_t (*PelkoCall6)(int32_t handle);                   /* abort a running measurement, stop any activity */
typedef int32_t (*PelkoCall7)(int32_t handle);                   /* start a measurement */
typedef int32_t (*PelkoCall8)(int32_t handle, int32_t* running); /* non-zero while the measurement runs */
typedef int32_t (*PelkoCall12)(int32_t handle, int32_t* mode);   /* the live-view mode: 1 on, 0 off */
typedef int32_t (*PelkoCall13)(int32_t handle, int32_t mode);    /* set it; a measurement starts only with it off */
typedef int32_t (*PelkoCall20)(int32_t handle, int32_t exposure); /* 1 automatic exposure, 2 fixed integration time */
typedef int32_t (*PelkoCall22)(int32_t handle, int32_t corrections); /* scan corrections: 4 dark, 8 linearity */
typedef int32_t (*PelkoCall24)(int32_t handle, int32_t timeMs);      /* fixed integration time */
typedef int32_t (*PelkoCall26)(int32_t handle, int32_t scans);       /* scans averaged per measurement, 1..100 */
typedef int32_t (*PelkoCall28)(int32_t handle, int32_t delayMs);     /* delay before a fixed-time exposure */
typedef int32_t (*PelkoCall100)(int32_t handle, int32_t phase);      /* 0 preparing, 3 measurement taken */

/* Evaluation of the last spectrum. The current evaluation covers a range (begin..end nm in steps of
 * 1 or 5 nm, inside 380..780 nm); calls 35-41 and 74 read it. */
typedef int32_t (*PelkoCall29)(int32_t handle, int32_t* begin, int32_t* end, int32_t* step);
typedef int32_t (*PelkoCall30)(int32_t handle, int32_t begin, int32_t end, int32_t step); /* sets it, re-evaluates */
typedef int32_t (*PelkoCall35)(int32_t handle, double* spectrum); /* (end - begin) / step + 1 values */
typedef int32_t (*PelkoCall36)(int32_t handle, double* radiance);
typedef int32_t (*PelkoCall37)(int32_t handle, double* luminance);
typedef int32_t (*PelkoCall38)(int32_t handle, double* x, double* y);
typedef int32_t (*PelkoCall39)(int32_t handle, double* u, double* v);           /* CIE 1976 u', v' */
typedef int32_t (*PelkoCall40)(int32_t handle, double* wavelength, double* purity); /* dominant, excitation */
typedef int32_t (*PelkoCall41)(int32_t handle, double* cct);                    /* as call 56 last computed it */
typedef int32_t (*PelkoCall56)(int32_t handle, int32_t begin, int32_t end, double* cct); /* kelvin */
typedef int32_t (*PelkoCall57)(int32_t handle, double* ra);                     /* general colour rendering index */
typedef int32_t (*PelkoCall63)(int32_t handle, int32_t* distanceMm);
typedef int32_t (*PelkoCall64)(int32_t handle, int32_t distanceMm);
/* Re-evaluates over begin..end and writes the results wanted (NULL where not): radiance,
 * luminance, x, y, u', v', dominant wavelength, purity. */
typedef int32_t (*PelkoCall65)(int32_t handle, int32_t begin, int32_t end, double* radiance, double* luminance,
                               double* x, double* y, double* u, double* v, double* wavelength, double* purity);
typedef int32_t (*PelkoCall73)(int32_t handle, int32_t begin, int32_t end, float* X, float* Y, float* Z);
typedef int32_t (*PelkoCall74)(int32_t handle, float* X, float* Y, float* Z);
typedef int32_t (*PelkoCall75)(int32_t handle, double* duv);
typedef int32_t (*PelkoCall80)(int32_t handle, double* x10, double* y10); /* 10-degree observer */

/* Exposure set-up */
typedef int32_t (*PelkoCall101)(int32_t handle, int32_t* available); /* an automatic exposure time is known */
typedef int32_t (*PelkoCall102)(int32_t handle, int32_t* timeMs);    /* that time, for the light now in view */
typedef int32_t (*PelkoCall104)(int32_t handle, int32_t mode);       /* 1: automatic exposure starts at the set time */
typedef int32_t (*PelkoCall106)(int32_t handle, int32_t timeMs);     /* the time it starts at */
typedef int32_t (*PelkoCall115)(int32_t handle, int32_t limitMs);    /* the longest integration time it may choose */

/* Status codes of the core. */
#define PELKO_CORE_OK 0
#define PELKO_CORE_NO_DEVICE 1     /* no device at that index */
#define PELKO_CORE_BAD_HANDLE 2    /* not the handle of an open device */
#define PELKO_CORE_BAD_ARGUMENT 3  /* a NULL output, a range or a value out of bounds */
#define PELKO_CORE_BUSY 4          /* a measurement runs, or live view is on */
#define PELKO_CORE_NO_DATA 5       /* nothing measured, or nothing computed yet */
#define PELKO_CORE_UNSUPPORTED 6   /* this device model lacks the function */
#define PELKO_CORE_IN_USE 7        /* the device is open already */
#define PELKO_CORE_ABORTED 32      /* the measurement ended without a result (aborted) */
#define PELKO_CORE_LOST 255        /* the device stopped answering */

#ifdef __cplusplus
}
#endif

#endif
