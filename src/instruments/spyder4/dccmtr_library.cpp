#include "instruments/spyder4/dccmtr_library.h"

namespace halvo {

bool LoadDccmtrLibrary(VendorLibrary& library, DccmtrCalls& calls, std::string& error) {
    return LoadVendorCalls(library, kDccmtrLibraryFile, calls, error, [](VendorLibrary& l, DccmtrCalls& c) {
        return l.bind(c.DC_Startup, "DC_Startup") && l.bind(c.DC_SetLED, "DC_SetLED") &&
               l.bind(c.DC_WriteAmbientLightControlRegVal, "DC_WriteAmbientLightControlRegVal") &&
               l.bind(c.DC_ReadAmbientLightLevel, "DC_ReadAmbientLightLevel") &&
               l.bind(c.DC_UseCalibration, "DC_UseCalibration") && l.bind(c.DC_GetXYZ, "DC_GetXYZ") &&
               l.bind(c.DC_Shutdown, "DC_Shutdown");
    });
}

}  // namespace halvo
