// SerialLink over pseudo-terminals (the same calls a USB adapter gets) and in-process endpoints.

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "monitor/port_endpoint.h"
#include "monitor/posix_serial.h"
#include "monitor/serial_link.h"
#include "support/recording_endpoint.h"

namespace halvo {
namespace {

// A pseudo-terminal whose master side plays the device.
class Pty {
public:
    Pty() {
        char name[256] = {0};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            path = name;
            ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Pty() {
        closeMaster();
        if (slave >= 0) {
            ::close(slave);
        }
    }
    void closeMaster() {
        if (master >= 0) {
            ::close(master);
            master = -1;
        }
    }
    void deviceWrites(const std::string& bytes) const { ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    std::string deviceReads() const {
        std::string out;
        char buf[256];
        for (int i = 0; i < 100; ++i) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                out.append(buf, static_cast<size_t>(n));
            } else if (!out.empty()) {
                break;
            } else {
                ::usleep(1000);
            }
        }
        return out;
    }
    int master = -1;
    int slave = -1;
    std::string path;
};

// Reads until something arrives (a pseudo-terminal delivers within microseconds).
std::vector<uint8_t> ReadSome(SerialLink& link) {
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> bytes = link.readChunk();
        if (!bytes.empty()) {
            return bytes;
        }
        ::usleep(1000);
    }
    return {};
}

TEST(SerialLinkDevice, OpensReadsAndWritesAPseudoTerminal) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    SerialLink link;
    link.setMonitorSettings(pty.path);
    ASSERT_TRUE(link.open()) << link.lastError();
    EXPECT_EQ(link.isOpen, 1);
    EXPECT_GE(link.handle(), 0);

    // Nothing buffered: success with no bytes, at once.
    uint8_t buffer[200];
    size_t n = 99;
    EXPECT_TRUE(link.read(buffer, sizeof buffer, n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(link.readFailed, 0);

    link.write(std::string("MES\n"));
    EXPECT_EQ(pty.deviceReads(), "MES\n");

    // Reads come in chunks of at most 100 bytes.
    pty.deviceWrites(std::string(150, 'x'));
    ::usleep(20000);
    EXPECT_EQ(ReadSome(link).size(), 100u);
    EXPECT_EQ(ReadSome(link).size(), 50u);

    // Opening an open link is a no-op.
    const int handle = link.handle();
    EXPECT_TRUE(link.open());
    EXPECT_EQ(link.handle(), handle);

    link.close();
    EXPECT_EQ(link.isOpen, 0);
    EXPECT_EQ(link.handle(), -1);
    link.close();  // twice is harmless
}

TEST(SerialLinkDevice, IsExclusiveAndReportsMissingOrWrongDevices) {
    Pty pty;
    SerialLink first;
    first.setMonitorSettings(pty.path);
    ASSERT_TRUE(first.open());
    SerialLink second;
    second.setMonitorSettings(pty.path);
    EXPECT_FALSE(second.open());
    EXPECT_EQ(second.isOpen, 0);
    EXPECT_NE(second.lastError().find("in use"), std::string::npos) << second.lastError();
    first.close();
    EXPECT_TRUE(second.open()) << second.lastError();

    SerialLink missing;
    missing.setMonitorSettings("ttyHALVO-NONE");
    EXPECT_FALSE(missing.open());
    EXPECT_NE(missing.lastError().find("/dev/ttyHALVO-NONE"), std::string::npos);

    SerialLink notSerial;
    notSerial.setMonitorSettings("/dev/null");
    EXPECT_FALSE(notSerial.open());
    EXPECT_NE(notSerial.lastError().find("not a serial device"), std::string::npos);

    SerialLink badBaud;
    badBaud.portName = pty.path;
    badBaud.baudRate = 12345;
    second.close();
    EXPECT_FALSE(badBaud.open());
    EXPECT_NE(badBaud.lastError().find("refused the line settings"), std::string::npos);
}

// The kernel keeps a pseudo-terminal at 8 data bits without parity; asked for the CA's line it
// must open every time, saying what it could not take, while a real port stays strict.
TEST(SerialLinkDevice, APseudoTerminalOpensWithTheCaLineEveryTime) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    for (int open = 1; open <= 3; ++open) {
        SCOPED_TRACE(open);
        SerialLink link;
        link.portName = pty.path;
        link.baudRate = 9600;
        link.dataBits = 7;
        link.parity = 2;
        link.stopBits = 2;
        ASSERT_TRUE(link.open()) << link.lastError();
        EXPECT_NE(link.lineNote().find("is a pseudo-terminal"), std::string::npos) << link.lineNote();
        link.write(std::string("MES\n"));
        EXPECT_EQ(pty.deviceReads(), "MES\n");
        link.close();
    }
    SerialLink monitor;
    monitor.setMonitorSettings(pty.path);
    ASSERT_TRUE(monitor.open());
    EXPECT_TRUE(monitor.lineNote().empty()) << "8N1 is what it carries";

    EXPECT_TRUE(IsPseudoTerminalDevice(136));
    EXPECT_TRUE(IsPseudoTerminalDevice(143));
    EXPECT_FALSE(IsPseudoTerminalDevice(4)) << "ttyS";
    EXPECT_FALSE(IsPseudoTerminalDevice(188)) << "ttyUSB";
    const LineSettings carried = PseudoTerminalLine({19200, 7, 1, 2});
    EXPECT_EQ(carried.baudRate, 19200);
    EXPECT_EQ(carried.dataBits, 8);
    EXPECT_EQ(carried.parity, 0);
    EXPECT_EQ(carried.stopBits, 2);
}

TEST(SerialLinkDevice, AVanishedDeviceFailsTheRead) {
    Pty pty;
    SerialLink link;
    link.setMonitorSettings(pty.path);
    ASSERT_TRUE(link.open());
    ::close(pty.slave);
    pty.slave = -1;
    pty.closeMaster();  // the adapter is pulled
    uint8_t buffer[100];
    size_t n = 0;
    EXPECT_FALSE(link.read(buffer, sizeof buffer, n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(link.readFailed, 1);
    link.write(std::string("MES\n"));  // not reported, and no crash
}

TEST(LineSettings, MapToTheTerminalLine) {
    const termios base{};
    const termios monitor = *BuildLineTermios(base, {9600, 8, 0, 0});
    EXPECT_EQ(monitor.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(monitor.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_NE(monitor.c_cflag & (CLOCAL | CREAD), 0u);
    EXPECT_EQ(cfgetospeed(&monitor), static_cast<speed_t>(B9600));
    EXPECT_EQ(monitor.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(monitor.c_cc[VMIN], 1);
    EXPECT_EQ(monitor.c_cc[VTIME], 0);

    const termios even = *BuildLineTermios(base, {19200, 7, 2, 2});
    EXPECT_EQ(even.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_NE(even.c_cflag & PARENB, 0u);
    EXPECT_EQ(even.c_cflag & PARODD, 0u);
    EXPECT_NE(even.c_cflag & CSTOPB, 0u);
    EXPECT_NE(even.c_iflag & INPCK, 0u);
    EXPECT_EQ(cfgetispeed(&even), static_cast<speed_t>(B19200));

    const termios odd = *BuildLineTermios(base, {38400, 8, 1, 1});
    EXPECT_NE(odd.c_cflag & PARODD, 0u);
    EXPECT_NE(odd.c_cflag & CSTOPB, 0u);  // one and a half: the nearest a terminal has is two

    EXPECT_FALSE(BuildLineTermios(base, {12345, 8, 0, 0}).has_value());
    EXPECT_FALSE(BuildLineTermios(base, {9600, 9, 0, 0}).has_value());
    EXPECT_FALSE(BuildLineTermios(base, {9600, 8, 3, 0}).has_value());

    EXPECT_TRUE(ModemLinesOn({9600, 8, 0, 2}));
    EXPECT_FALSE(ModemLinesOn({9600, 8, 0, 1}));
    EXPECT_FALSE(ModemLinesOn({9600, 8, 0, 0}));

    EXPECT_EQ(DevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePath("/dev/pts/7"), "/dev/pts/7");
}

TEST(SerialLinkEndpoint, TalksToAnInProcessEndpointExclusively) {
    test::ScopedEndpoint port("TEST-CA");
    SerialLink link;
    link.portName = port.name();
    link.baudRate = 38400;
    link.stopBits = 2;
    ASSERT_TRUE(link.open());
    EXPECT_EQ(port->settings.baudRate, 38400);
    EXPECT_EQ(port->settings.stopBits, 2);
    link.write(std::string("COM,1\n"));
    EXPECT_EQ(std::string(port->written.begin(), port->written.end()), "COM,1\n");
    port->answer({'O', 'K'});
    EXPECT_EQ(link.readChunk(), (std::vector<uint8_t>{'O', 'K'}));
    EXPECT_TRUE(link.readChunk().empty());
    link.purge();
    EXPECT_EQ(port->purges, 1);

    SerialLink other;
    other.portName = port.name();
    EXPECT_FALSE(other.open());
    link.close();
    EXPECT_EQ(port->closes, 1);
    EXPECT_TRUE(other.open());

    port->vanished = true;
    size_t n = 0;
    uint8_t b[10];
    EXPECT_FALSE(other.read(b, sizeof b, n));
    EXPECT_EQ(other.readFailed, 1);
}

TEST(PortList, AddsExtraNamesAndSimulatedPortsOnce) {
    test::ScopedEndpoint sim("SIM-TEST");
    ::setenv("HALVO_EXTRA_PORTS", "/tmp/halvo-a::/tmp/halvo-b:/tmp/halvo-a", 1);
    const std::vector<std::string> ports = EnumerateSerialPorts();
    ::unsetenv("HALVO_EXTRA_PORTS");
    const auto count = [&](const std::string& n) { return std::count(ports.begin(), ports.end(), n); };
    EXPECT_EQ(count("/tmp/halvo-a"), 1);
    EXPECT_EQ(count("/tmp/halvo-b"), 1);
    EXPECT_EQ(count("SIM-TEST"), 1);
    EXPECT_EQ(ports.back(), "SIM-TEST");
    EXPECT_EQ(count(""), 0);
}

}  // namespace
}  // namespace halvo
