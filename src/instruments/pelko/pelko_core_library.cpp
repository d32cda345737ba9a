#include "instruments/pelko/pelko_core_library.h"

#include "instruments/vendor_library.h"

namespace halvo {
namespace {

struct CoreInUse {
    VendorLibrary library;
    PelkoCoreLookup lookup = nullptr;
};

// Never destroyed: a driver closing its device while the program exits must still find the
// library loaded.
CoreInUse& Core() {
    static CoreInUse* core = new CoreInUse;
    return *core;
}

}  // namespace

PelkoCoreLookup BindPelkoCore(std::string* error) {
    CoreInUse& core = Core();
    if (core.lookup != nullptr) {
        return core.lookup;
    }
    PelkoCoreLookup lookup = nullptr;
    if (core.library.open(PELKO_CORE_LIBRARY) && !core.library.bind(lookup, PELKO_CORE_LOOKUP)) {
        core.library.close();
    }
    if (lookup == nullptr) {
        if (error != nullptr) {
            *error = core.library.error();
        }
        VantrelBindCore(nullptr);
        return nullptr;
    }
    core.lookup = lookup;
    VantrelBindCore(lookup);
    return lookup;
}

void UsePelkoCore(PelkoCoreLookup lookup) {
    CoreInUse& core = Core();
    VantrelBindCore(lookup);
    core.library.close();
    core.lookup = lookup;
}

}  // namespace halvo
