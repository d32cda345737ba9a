#include "instruments/i1display/i1d3_library.h"

namespace halvo {

bool LoadI1d3Library(VendorLibrary& library, I1d3Calls& calls, std::string& error) {
    calls = {};
    if (!library.open(kI1d3LibraryFile)) {
        error = library.error();
        return false;
    }
    I1d3Calls c;
    const bool bound = library.bind(c.i1d3Initialize, "i1d3Initialize") && library.bind(c.i1d3Destroy, "i1d3Destroy") &&
                       library.bind(c.i1d3GetNumberOfDevices, "i1d3GetNumberOfDevices") &&
                       library.bind(c.i1d3GetDeviceHandle, "i1d3GetDeviceHandle") &&
                       library.bind(c.i1d3DeviceOpen, "i1d3DeviceOpen") &&
                       library.bind(c.i1d3DeviceClose, "i1d3DeviceClose") &&
                       library.bind(c.i1d3SetIntegrationTime, "i1d3SetIntegrationTime") &&
                       library.bind(c.i1d3SetMeasurementMode, "i1d3SetMeasurementMode") &&
                       library.bind(c.i1d3SetTargetLCDTime, "i1d3SetTargetLCDTime") &&
                       library.bind(c.i1d3Measure, "i1d3Measure");
    if (!bound) {
        error = library.error();
        return false;
    }
    calls = c;
    return true;
}

}  // namespace halvo
