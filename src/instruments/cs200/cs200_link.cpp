#include "instruments/cs200/cs200_link.h"

#include <array>
#include <vector>

namespace halvo {
namespace {

constexpr int kDevice = 0;
constexpr int kPipe = 1;
constexpr size_t kReplyBuffer = 256;
constexpr int kReplyRead = 250;

}  // namespace

bool LoadCs200Library(VendorLibrary& library, Cs200Calls& calls, std::string& error) {
    return LoadVendorCalls(library, kCs200LibraryFile, calls, error, [](VendorLibrary& l, Cs200Calls& c) {
        l.bind(c.get_num, "get_num");  // never called: its absence does not matter
        return l.bind(c.int_usb, "int_usb") && l.bind(c.end_usb, "end_usb") &&
               l.bind(c.write64_usb, "write64_usb") && l.bind(c.read64_usb, "read64_usb");
    });
}

const std::string& Cs200Link::exchange(const std::string& command) {
    std::vector<char> bytes(command.begin(), command.end());
    calls_.write64_usb(kDevice, bytes.data(), kPipe, static_cast<int>(bytes.size()));
    std::array<char, kReplyBuffer> reply{};
    calls_.read64_usb(kDevice, reply.data(), kPipe, kReplyRead);
    reply.back() = '\0';  // whatever the library wrote, the text ends inside the buffer
    lastReply_ = reply.data();
    return lastReply_;
}

bool Cs200Link::Cs200Connect(int speedIndex, int seconds) {
    calls_.int_usb(kDevice);
    if (exchange(kCs200RemoteOn).empty()) {
        // Nothing plugged in, or not a meter: do not pretend to be connected.
        calls_.end_usb(kDevice);
        return false;
    }
    exchange(Cs200SpeedCommand(speedIndex, seconds));
    return true;
}

int Cs200Link::Cs200Start() {
    return Cs200StartWaitMs(exchange(kCs200Start));
}

std::optional<Cs200Measurement> Cs200Link::Cs200Read() {
    if (Cs200DataNotReady(exchange(kCs200ReadData))) {
        scheduler_.sleep(kCs200RetryWaitMs);
        exchange(kCs200ReadData);
    }
    return ParseCs200Data(lastReply_);
}

void Cs200Link::Cs200Disconnect() {
    exchange(kCs200Stop);
    scheduler_.sleep(kCs200StopWaitMs);
    exchange(kCs200RemoteOff);
    calls_.end_usb(kDevice);
}

}  // namespace halvo
