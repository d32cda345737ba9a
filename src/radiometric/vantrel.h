/* Vantrel: the PELKO spectroradiometer's extended measuring interface (libvantrel.so).
 *
 * Vantrel puts a simpler interface on the maker's core library (see pelko_core_abi.h): device
 * enumeration and opening pass straight through, a measurement is configured and started in one
 * call, and each evaluation call takes a wavelength range and re-evaluates the last spectrum only
 * when that range differs from the range of the current evaluation.
 *
 * Binding the core. Vantrel reaches the core's calls by number only, through the core's one
 * export pelko_core_by_ordinal. A program that loads the core itself hands its lookup to
 * VantrelBindCore; until the first VantrelBindCore call, Vantrel loads libpelko_core.so through
 * the system loader on first use.
 *
 * Status codes. Every call returns 0 on success; a failing core call's code unchanged (the
 * PELKO_CORE_* codes); VANTREL_ERROR_STEP for a bad step argument; VANTREL_ERROR_VERSION when
 * the version query fails; VANTREL_ERROR_NO_CORE when the core library, or the call needed, is
 * missing.
 *
 * State. Vantrel keeps one process-wide state for one instrument at a time: whether a
 * measurement it started is running, the live-view mode it switched off for it, and whether the
 * colour temperature of the current evaluation has been computed. It takes no locks: call it
 * from one thread.
 *
 * Arguments named "out" are written on success only and must not be NULL unless stated. */
#ifndef HALVO_VANTREL_H
#define HALVO_VANTREL_H

#include <stdint.h>

/* Beside this header, in the source tree as where it is installed. */
#include "pelko_core_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VANTREL_API __attribute__((visibility("default")))

#define VANTREL_OK 0
#define VANTREL_ERROR_STEP 18
#define VANTREL_ERROR_VERSION 128
#define VANTREL_ERROR_NO_CORE 4096

/* Binds the core's lookup (NULL: no core; every call then fails with VANTREL_ERROR_NO_CORE) and
 * forgets the state kept for the previous one. Returns 0. */
VANTREL_API int32_t VantrelBindCore(PelkoCoreLookup lookup);

/* 1. Number of devices attached (core call 1). */
VANTREL_API int32_t PELKO_GetNumRadioEx(int32_t* count);

/* 2. The two identification values of device index 0..count-1 (core call 2). */
VANTREL_API int32_t PELKO_GetSerialRadioEx(int32_t index, int32_t* first, int32_t* second);

/* 3. Opens device index and gives its handle (core call 3). */
VANTREL_API int32_t PELKO_OpenRadioEx(int32_t index, int32_t* handle);

/* 4. Closes the device (core call 4). */
VANTREL_API int32_t PELKO_CloseRadioEx(int32_t handle);

/* 5. Configures and starts a measurement: the evaluation range becomes 380..780 nm in steps of
 * step nm (1 or 5, else VANTREL_ERROR_STEP before any core call); tintMs 0 selects automatic
 * exposure, any other value that fixed integration time; average scans are averaged. Live view,
 * when on, is switched off for the measurement and back on when it has finished. */
VANTREL_API int32_t PELKO_MeasureEx(int32_t handle, int32_t tintMs, int32_t average, int32_t step);

/* 6. Polls the measurement: status non-zero while it runs, 0 when it has finished (the
 * evaluation then holds the new spectrum). PELKO_CORE_ABORTED reports a measurement that ended
 * without a result. status may be NULL. */
VANTREL_API int32_t PELKO_MeasureStatusEx(int32_t handle, int32_t* status);

/* 7. Aborts the running measurement (core call 6). */
VANTREL_API int32_t PELKO_MeasureBreakEx(int32_t handle);

/* 8-14 and 18 evaluate the last spectrum over begin..end nm: over the current evaluation when
 * begin and end are its own, else after re-evaluating over begin..end (the step stays). */

/* 8. Spectral radiance, W/(sr m2 nm): (end - begin) / step + 1 values into spectrum. */
VANTREL_API int32_t PELKO_SpecRadEx(int32_t handle, int32_t begin, int32_t end, double* spectrum);

/* 9. Radiance, W/(sr m2). */
VANTREL_API int32_t PELKO_RadioEx(int32_t handle, int32_t begin, int32_t end, double* radiance);

/* 10. Luminance, cd/m2. */
VANTREL_API int32_t PELKO_PhotoEx(int32_t handle, int32_t begin, int32_t end, double* luminance);

/* 11. CIE 1931 x, y. */
VANTREL_API int32_t PELKO_ChromxyEx(int32_t handle, int32_t begin, int32_t end, double* x, double* y);

/* 12. CIE 1976 u', v'. */
VANTREL_API int32_t PELKO_ChromuvEx(int32_t handle, int32_t begin, int32_t end, double* u, double* v);

/* 13. Dominant wavelength (nm) and excitation purity. */
VANTREL_API int32_t PELKO_DWLPEEx(int32_t handle, int32_t begin, int32_t end, double* wavelength, double* purity);

/* 14. Correlated colour temperature, kelvin: computed once per evaluation, then read back. */
VANTREL_API int32_t PELKO_CCTEx(int32_t handle, int32_t begin, int32_t end, double* cct);

/* 15. General colour rendering index Ra (core call 57). */
VANTREL_API int32_t PELKO_CRIEx(int32_t handle, double* ra);

/* 16. Sets the measuring distance, mm (core call 64). */
VANTREL_API int32_t PELKO_SetMeasDistEx(int32_t handle, int32_t distanceMm);

/* 17. The measuring distance, mm (core call 63). */
VANTREL_API int32_t PELKO_GetMeasDistEx(int32_t handle, int32_t* distanceMm);

/* 18. Tristimulus values X, Y, Z (Y in cd/m2) as 32-bit floats. */
VANTREL_API int32_t PELKO_ChromXYZEx(int32_t handle, int32_t begin, int32_t end, float* X, float* Y, float* Z);

/* 19. Duv, the distance from the Planckian locus (core call 75). */
VANTREL_API int32_t PELKO_DuvEx(int32_t handle, double* duv);

/* 20. x, y for the CIE 1964 10-degree observer (core call 80). */
VANTREL_API int32_t PELKO_Chromxy10Ex(int32_t handle, double* x10, double* y10);

/* 21. Configures a measurement as PELKO_MeasureEx does, tells the device it is being prepared and
 * switches live view off, without starting. */
VANTREL_API int32_t PELKO_PrepareMeasureEx(int32_t handle, int32_t tintMs, int32_t average, int32_t step);

/* 22. The version of this library's own file (3.0.0), read from the version block the file
 * carries; VANTREL_ERROR_VERSION when the file cannot be read or its block is missing, empty or
 * damaged. Outputs may be NULL. */
VANTREL_API int32_t PELKO_GetRadioExDLLVersion(uint16_t* major, uint16_t* minor, uint16_t* build);

#ifdef __cplusplus
}
#endif

#endif
