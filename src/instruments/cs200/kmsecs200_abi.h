/* The CS-200 maker's USB library, libkmsecs200.so, as the station calls it. The station binds
 * these calls at run time by name; a library that offers them (the maker's, or the simulated
 * station's stand-in) can be used. Every call takes the device number (0, the first meter).
 *
 * write64_usb sends one command of at most 64 bytes; read64_usb fills the buffer with the
 * meter's reply as NUL-terminated text, at most count bytes including the NUL. The pipe
 * argument is 1 for both. The results are byte counts, negative on failure; the station relies
 * on none of them and judges the meter by its replies. */
#ifndef HALVO_KMSECS200_ABI_H
#define HALVO_KMSECS200_ABI_H

#ifdef __cplusplus
extern "C" {
#endif

typedef int Cs200IntUsb(int device);
typedef int Cs200EndUsb(int device);
typedef int Cs200GetNum(void);
typedef int Cs200Write64Usb(int device, char* buffer, int pipe, int count);
typedef int Cs200Read64Usb(int device, char* buffer, int pipe, int count);

Cs200IntUsb int_usb;
Cs200EndUsb end_usb;
Cs200GetNum get_num;
Cs200Write64Usb write64_usb;
Cs200Read64Usb read64_usb;

#ifdef __cplusplus
}
#endif

#endif
