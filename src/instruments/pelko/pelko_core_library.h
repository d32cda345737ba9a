#pragma once

// The PELKO's two libraries. Vantrel is linked with the program; the maker's core library is
// loaded at run time by name (VendorLibrary: HALVO_VENDOR_PATH, the system's path, the stand-ins
// when simulating), so the station starts without it and says what is missing when the PELKO is
// searched for or connected. Once found it stays loaded for the rest of the process, and Vantrel
// is bound to the same core: the driver makes its exposure calls to it directly, by number.

#include <cstdint>
#include <string>

#include "radiometric/vantrel.h"

namespace halvo {

// The core in use, loading the library when none is; nullptr with the reason in *error when it
// cannot be loaded (Vantrel then has no core either).
PelkoCoreLookup BindPelkoCore(std::string* error);

// Forgets the core in use, unloading a loaded library; with a lookup given, that core is used
// from now on instead of loading one (test doubles, programs embedding their own).
void UsePelkoCore(PelkoCoreLookup lookup);

// Call number ordinal of a core, with the type pelko_core_abi.h gives it; VANTREL_ERROR_NO_CORE
// when there is no core or no such call.
template <typename Call, typename... Args>
int32_t CallPelkoCore(PelkoCoreLookup core, int32_t ordinal, Args... args) {
    const Call call = core != nullptr ? reinterpret_cast<Call>(core(ordinal)) : nullptr;
    return call != nullptr ? call(args...) : VANTREL_ERROR_NO_CORE;
}

}  // namespace halvo

// PELKO_CORE_CALL(core, 101, handle, &flag)
#define PELKO_CORE_CALL(core, ordinal, ...) ::halvo::CallPelkoCore<PelkoCall##ordinal>(core, ordinal, __VA_ARGS__)
