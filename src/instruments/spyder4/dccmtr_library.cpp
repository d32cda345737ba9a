#include "instruments/spyder4/dccmtr_library.h"

namespace halvo {

bool LoadDccmtrLibrary(VendorLibrary& library, DccmtrCalls& calls, std::string& error) {
    calls = {};
    if (!library.open(kDccmtrLibraryFile)) {
        error = library.error();
        return false;
    }
    DccmtrCalls c;
    const bool bound = library.bind(c.DC_Startup, "DC_Startup") && library.bind(c.DC_SetLED, "DC_SetLED") &&
                       library.bind(c.DC_WriteAmbientLightControlRegVal, "DC_WriteAmbientLightControlRegVal") &&
                       library.bind(c.DC_ReadAmbientLightLevel, "DC_ReadAmbientLightLevel") &&
                       library.bind(c.DC_UseCalibration, "DC_UseCalibration") &&
                       library.bind(c.DC_GetXYZ, "DC_GetXYZ") && library.bind(c.DC_Shutdown, "DC_Shutdown");
    if (!bound) {
        error = library.error();
        return false;
    }
    calls = c;
    return true;
}

}  // namespace halvo
