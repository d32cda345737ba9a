/* The Spyder4 library, libdccmtr.so, as the station calls it, bound at run time by name. Every
 * call returns a byte, 1 for success.
 *
 *   DC_Startup(buffer, size)                 opens the sensor; from byte 4 on the buffer holds
 *                                            the serial number text
 *   DC_SetLED(on, brightness)                the sensor's LED
 *   DC_WriteAmbientLightControlRegVal(v)     3 powers the ambient-light sensor up, 0 down
 *   DC_ReadAmbientLightLevel(&level)         the ambient level
 *   DC_UseCalibration(n)                     display-type calibration 2..7
 *   DC_GetXYZ(readTime, &X, &Y, &Z)          X, Y, Z in thousandths (Y in cd/m2)
 *   DC_Shutdown()                            releases the sensor */
#ifndef HALVO_DCCMTR_ABI_H
#define HALVO_DCCMTR_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char DcStartup(char* buffer, int size);
typedef unsigned char DcSetLed(int on, int brightness);
typedef unsigned char DcWriteAmbientLightControlRegVal(unsigned char value);
typedef unsigned char DcReadAmbientLightLevel(uint16_t* level);
typedef unsigned char DcUseCalibration(int calibration);
typedef unsigned char DcGetXyz(int readTime, int32_t* X, int32_t* Y, int32_t* Z);
typedef unsigned char DcShutdown(void);

DcStartup DC_Startup;
DcSetLed DC_SetLED;
DcWriteAmbientLightControlRegVal DC_WriteAmbientLightControlRegVal;
DcReadAmbientLightLevel DC_ReadAmbientLightLevel;
DcUseCalibration DC_UseCalibration;
DcGetXyz DC_GetXYZ;
DcShutdown DC_Shutdown;

#ifdef __cplusplus
}
#endif

#endif
