#pragma once

// The Spyder4's library calls, looked up by name when the station connects.

#include <string>

#include "instruments/spyder4/dccmtr_abi.h"
#include "instruments/vendor_library.h"

namespace halvo {

inline constexpr const char* kDccmtrLibraryFile = "libdccmtr.so";

struct DccmtrCalls {
    DcStartup* DC_Startup = nullptr;
    DcSetLed* DC_SetLED = nullptr;
    DcWriteAmbientLightControlRegVal* DC_WriteAmbientLightControlRegVal = nullptr;
    DcReadAmbientLightLevel* DC_ReadAmbientLightLevel = nullptr;
    DcUseCalibration* DC_UseCalibration = nullptr;
    DcGetXyz* DC_GetXYZ = nullptr;
    DcShutdown* DC_Shutdown = nullptr;
};

// Loads the library and every call; false with the reason when one is missing.
bool LoadDccmtrLibrary(VendorLibrary& library, DccmtrCalls& calls, std::string& error);

}  // namespace halvo
