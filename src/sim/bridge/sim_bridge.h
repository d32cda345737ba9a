/* The simulated station as the stand-ins of the instrument makers' libraries see it.
 *
 * The stand-ins (libpelko_core.so, libkmsecs200.so, ...) are loaded at run time by name like the
 * real libraries. They reach the simulated station of the process through this small shared
 * library, which both the station and the stand-ins link: the simulated station sets the hooks
 * when it is installed and clears them when it goes. With no hooks set a stand-in behaves like a
 * library whose device is not plugged in. */
#ifndef HALVO_SIM_BRIDGE_H
#define HALVO_SIM_BRIDGE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HALVO_SIM_BRIDGE_VERSION 3

typedef struct HalvoSimHooks {
    int version; /* HALVO_SIM_BRIDGE_VERSION */
    void* context;
    /* The station's clock in milliseconds (virtual in tests and with --simulate). */
    int64_t (*nowMs)(void* context);
    /* Let simulated time pass, for calls that block on a real device (a measurement). */
    void (*sleepMs)(void* context, int64_t ms);
    /* Light at the probe: X, Y, Z with Y in cd/m2. */
    void (*lightAtProbe)(void* context, double xyz[3]);
    /* Spectral radiance at the probe, W/(sr m2 nm), from firstNm in steps of 1 nm, count values.
     * Returns the number of values written (0 when the panel has no spectra). */
    int (*spectrumAtProbe)(void* context, int firstNm, int count, double* out);
    /* A fault switch for a device, by name ("pelko", "cs200", "i1d3", "spyder4") and fault
     * ("no-device", "measure-fails", ...): non-zero when set. */
    int (*fault)(void* context, const char* device, const char* fault);
    /* Since version 2: how many devices of a kind ("pelko", ...) are plugged in. */
    int (*deviceCount)(void* context, const char* device);
    /* Since version 3: the station's seed, from which a meter draws its repeatable noise. */
    uint32_t seed;
} HalvoSimHooks;

void halvo_sim_set_hooks(const HalvoSimHooks* hooks);
const HalvoSimHooks* halvo_sim_hooks(void);

#ifdef __cplusplus
}
#endif

#endif
