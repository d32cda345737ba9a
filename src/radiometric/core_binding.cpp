#include "radiometric/core_binding.h"

#include <dlfcn.h>

namespace vantrel {
namespace {

PelkoCoreLookup g_lookup = nullptr;
// Once a program binds a core (or none) itself, Vantrel never loads one on its own.
bool g_boundByProgram = false;

PelkoCoreLookup LoadByName() {
    void* library = ::dlopen(PELKO_CORE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return nullptr;
    }
    void* lookup = ::dlsym(library, PELKO_CORE_LOOKUP);
    if (lookup == nullptr) {
        ::dlclose(library);
        return nullptr;
    }
    // Kept loaded for the life of the process: the lookup points into it.
    return reinterpret_cast<PelkoCoreLookup>(lookup);
}

}  // namespace

void BindCore(PelkoCoreLookup lookup) {
    g_lookup = lookup;
    g_boundByProgram = true;
}

PelkoCoreProc CoreProc(int32_t ordinal) {
    if (g_lookup == nullptr && !g_boundByProgram) {
        g_lookup = LoadByName();
    }
    return g_lookup != nullptr ? g_lookup(ordinal) : nullptr;
}

}  // namespace vantrel
