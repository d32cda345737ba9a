#pragma once

// The i1 Display's library calls, looked up by name when the station connects.

#include <string>

#include "instruments/i1display/i1d3_abi.h"
#include "instruments/vendor_library.h"

namespace halvo {

inline constexpr const char* kI1d3LibraryFile = "libi1d3SDK.so";

struct I1d3Calls {
    I1d3Initialize* i1d3Initialize = nullptr;
    I1d3Destroy* i1d3Destroy = nullptr;
    I1d3GetNumberOfDevices* i1d3GetNumberOfDevices = nullptr;
    I1d3GetDeviceHandle* i1d3GetDeviceHandle = nullptr;
    I1d3DeviceOpen* i1d3DeviceOpen = nullptr;
    I1d3DeviceClose* i1d3DeviceClose = nullptr;
    I1d3SetIntegrationTime* i1d3SetIntegrationTime = nullptr;
    I1d3SetMeasurementMode* i1d3SetMeasurementMode = nullptr;
    I1d3SetTargetLCDTime* i1d3SetTargetLCDTime = nullptr;
    I1d3Measure* i1d3Measure = nullptr;
};

// Loads the library and every call; false with the reason when one is missing.
bool LoadI1d3Library(VendorLibrary& library, I1d3Calls& calls, std::string& error);

}  // namespace halvo
