#pragma once

// How Vantrel reaches the core library: by call number, through the lookup the core exports.

#include <cstdint>

#include "radiometric/vantrel.h"

namespace vantrel {

// Call number ordinal of the bound core, or nullptr when no core is bound or it has no such call.
PelkoCoreProc CoreProc(int32_t ordinal);

void BindCore(PelkoCoreLookup lookup);

template <typename Call, typename... Args>
int32_t CallCore(int32_t ordinal, Args... args) {
    const Call call = reinterpret_cast<Call>(CoreProc(ordinal));
    if (call == nullptr) {
        return VANTREL_ERROR_NO_CORE;
    }
    return call(args...);
}

}  // namespace vantrel

// CORE(30, handle, 380, 780, step): core call 30 with the type pelko_core_abi.h gives it.
#define CORE(ordinal, ...) ::vantrel::CallCore<PelkoCall##ordinal>(ordinal, __VA_ARGS__)
