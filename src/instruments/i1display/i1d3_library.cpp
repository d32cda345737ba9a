#include "instruments/i1display/i1d3_library.h"

namespace halvo {

bool LoadI1d3Library(VendorLibrary& library, I1d3Calls& calls, std::string& error) {
    return LoadVendorCalls(library, kI1d3LibraryFile, calls, error, [](VendorLibrary& l, I1d3Calls& c) {
        return l.bind(c.i1d3Initialize, "i1d3Initialize") && l.bind(c.i1d3Destroy, "i1d3Destroy") &&
               l.bind(c.i1d3GetNumberOfDevices, "i1d3GetNumberOfDevices") &&
               l.bind(c.i1d3GetDeviceHandle, "i1d3GetDeviceHandle") && l.bind(c.i1d3DeviceOpen, "i1d3DeviceOpen") &&
               l.bind(c.i1d3DeviceClose, "i1d3DeviceClose") &&
               l.bind(c.i1d3SetIntegrationTime, "i1d3SetIntegrationTime") &&
               l.bind(c.i1d3SetMeasurementMode, "i1d3SetMeasurementMode") &&
               l.bind(c.i1d3SetTargetLCDTime, "i1d3SetTargetLCDTime") && l.bind(c.i1d3Measure, "i1d3Measure");
    });
}

}  // namespace halvo
