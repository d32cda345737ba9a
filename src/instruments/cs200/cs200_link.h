#pragma once

// Cs200Link: the CS-200 through its maker's library. It holds the library's calls and speaks the
// meter's command language over them (cs200_protocol.h); every command is written in one raw
// write and followed by one raw read of the reply.

#include <optional>
#include <string>

#include "instruments/cs200/cs200_protocol.h"
#include "instruments/cs200/kmsecs200_abi.h"
#include "instruments/vendor_library.h"
#include "station/scheduler.h"

namespace halvo {

inline constexpr const char* kCs200LibraryFile = "libkmsecs200.so";

// The library's calls. get_num is looked up with the others but the station never calls it.
struct Cs200Calls {
    Cs200IntUsb* int_usb = nullptr;
    Cs200EndUsb* end_usb = nullptr;
    Cs200GetNum* get_num = nullptr;
    Cs200Write64Usb* write64_usb = nullptr;
    Cs200Read64Usb* read64_usb = nullptr;
};

// Loads the library and looks up its calls. False, with the reason, when the library or one of
// the calls the station makes is missing.
bool LoadCs200Library(VendorLibrary& library, Cs200Calls& calls, std::string& error);

class Cs200Link {
public:
    Cs200Link(const Cs200Calls& calls, Scheduler& scheduler) : calls_(calls), scheduler_(scheduler) {}

    // Opens the USB link, puts the meter in remote mode and sets its speed. False when the meter
    // does not answer; the link is then closed again.
    bool Cs200Connect(int speedIndex, int seconds);
    // Starts a measurement; the wait before its data can be read.
    int Cs200Start();
    // The measured data (asked again once, 300 ms later, while they are not ready); nullopt when
    // the reply holds no measurement.
    std::optional<Cs200Measurement> Cs200Read();
    // Stops measuring, leaves remote mode and closes the USB link.
    void Cs200Disconnect();

    // The meter's last reply, as read.
    const std::string& lastReply() const { return lastReply_; }

private:
    const std::string& exchange(const std::string& command);

    Cs200Calls calls_;
    Scheduler& scheduler_;
    std::string lastReply_;
};

}  // namespace halvo
