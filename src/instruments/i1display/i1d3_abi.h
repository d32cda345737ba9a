/* The i1 Display library, libi1d3SDK.so, as the station calls it, bound at run time by name.
 * Every call but i1d3GetNumberOfDevices returns a status: 0 is success, anything else a failure
 * (the station tests for 0 only). i1d3GetNumberOfDevices returns the number of meters found.
 * i1d3Measure writes three doubles: Y in cd/m2, then x and y. */
#ifndef HALVO_I1D3_ABI_H
#define HALVO_I1D3_ABI_H

#ifdef __cplusplus
extern "C" {
#endif

typedef void* I1d3Handle;

typedef int I1d3Initialize(void);
typedef int I1d3Destroy(void);
typedef int I1d3GetNumberOfDevices(void);
typedef int I1d3GetDeviceHandle(int index, I1d3Handle* handle);
typedef int I1d3DeviceOpen(I1d3Handle handle);
typedef int I1d3DeviceClose(I1d3Handle handle);
typedef int I1d3SetIntegrationTime(I1d3Handle handle, double seconds);
typedef int I1d3SetMeasurementMode(I1d3Handle handle, int mode);
typedef int I1d3SetTargetLCDTime(I1d3Handle handle, double seconds);
typedef int I1d3Measure(I1d3Handle handle, int quantity, int count, double* result);

I1d3Initialize i1d3Initialize;
I1d3Destroy i1d3Destroy;
I1d3GetNumberOfDevices i1d3GetNumberOfDevices;
I1d3GetDeviceHandle i1d3GetDeviceHandle;
I1d3DeviceOpen i1d3DeviceOpen;
I1d3DeviceClose i1d3DeviceClose;
I1d3SetIntegrationTime i1d3SetIntegrationTime;
I1d3SetMeasurementMode i1d3SetMeasurementMode;
I1d3SetTargetLCDTime i1d3SetTargetLCDTime;
I1d3Measure i1d3Measure;

#ifdef __cplusplus
}
#endif

#endif
