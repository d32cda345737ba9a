#include "monitor/posix_serial.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "common/text_format.h"

namespace halvo {
namespace {

std::optional<speed_t> BaudConstant(int32_t baud) {
    switch (baud) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        default: return std::nullopt;
    }
}

class DeviceBackend : public SerialBackend {
public:
    explicit DeviceBackend(int fd) : fd_(fd) {}
    ~DeviceBackend() override { ::close(fd_); }

    ReadResult read(uint8_t* buffer, size_t capacity) override {
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, capacity);
            if (n > 0) {
                return {true, static_cast<size_t>(n)};
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return {true, 0};  // nothing buffered
            }
            // 0 is a hang-up; EIO and the rest mean the device has gone.
            return {false, 0};
        }
    }

    void write(const uint8_t* data, size_t length) override {
        // The line's write time-out: 1 ms per byte plus 10 ms.
        int budget = static_cast<int>(10 + length);
        size_t done = 0;
        while (done < length && budget > 0) {
            const ssize_t n = ::write(fd_, data + done, length - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return;
            }
            pollfd p{fd_, POLLOUT, 0};
            const int waited = ::poll(&p, 1, std::min(budget, 5));
            budget -= waited == 0 ? std::min(budget, 5) : 1;
        }
    }

    void purge() override { ::tcflush(fd_, TCIOFLUSH); }
    int handle() const override { return fd_; }

private:
    int fd_;
};

void SetModemLines(int fd, bool on) {
    int lines = TIOCM_DTR | TIOCM_RTS;
    // Pseudo-terminals and some adapters have no modem lines (ENOTTY, EINVAL): nothing to hold.
    (void)::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &lines);
}

bool ReadFirstLine(const std::string& path, std::string& line) {
    std::ifstream in(path);
    return static_cast<bool>(std::getline(in, line));
}

// "ttyS10" after "ttyS9": compare the trailing numbers as numbers.
bool NaturalLess(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& s) {
        size_t i = s.size();
        while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1]))) {
            --i;
        }
        const long n = i < s.size() ? std::atol(s.c_str() + i) : -1;
        return std::make_pair(s.substr(0, i), n);
    };
    return split(a) < split(b);
}

}  // namespace

std::optional<termios> BuildLineTermios(const termios& current, const LineSettings& s) {
    const std::optional<speed_t> speed = BaudConstant(s.baudRate);
    if (!speed) {
        return std::nullopt;
    }
    termios t = current;
    cfmakeraw(&t);
    if (cfsetispeed(&t, *speed) != 0 || cfsetospeed(&t, *speed) != 0) {
        return std::nullopt;
    }
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    switch (s.dataBits & 0xFF) {
        case 5: t.c_cflag |= CS5; break;
        case 6: t.c_cflag |= CS6; break;
        case 7: t.c_cflag |= CS7; break;
        case 8: t.c_cflag |= CS8; break;
        default: return std::nullopt;
    }
    switch (s.parity) {
        case 0: break;
        case 1: t.c_cflag |= PARENB | PARODD; t.c_iflag |= INPCK; break;
        case 2: t.c_cflag |= PARENB; t.c_iflag |= INPCK; break;
        default: return std::nullopt;
    }
    switch (s.stopBits) {
        case 0: break;
        case 1:
        case 2: t.c_cflag |= CSTOPB; break;
        default: return std::nullopt;
    }
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // With the descriptor non-blocking, VMIN 1 makes an empty line read as EAGAIN, so a read of
    // 0 bytes can only be a hang-up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return t;
}

bool IsPseudoTerminalDevice(unsigned major) {
    // 136-143: Unix 98 slaves; 3: the legacy BSD ones.
    return (major >= 136 && major <= 143) || major == 3;
}

LineSettings PseudoTerminalLine(const LineSettings& settings) {
    LineSettings carried = settings;
    carried.dataBits = 8;
    carried.parity = 0;
    return carried;
}

bool ModemLinesOn(const LineSettings& settings) {
    return settings.stopBits == 2;
}

std::string DevicePath(const std::string& name) {
    return !name.empty() && name[0] == '/' ? name : "/dev/" + name;
}

std::unique_ptr<SerialBackend> OpenDeviceSerial(const std::string& name, const LineSettings& settings,
                                                std::string* error, std::string* note) {
    const auto fail = [&](const std::string& why) -> std::unique_ptr<SerialBackend> {
        if (error) {
            *error = why;
        }
        return nullptr;
    };
    if (name.empty()) {
        return fail("no port chosen");
    }
    const std::string path = DevicePath(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return fail(path + ": " + std::strerror(errno));
    }
    auto backend = std::make_unique<DeviceBackend>(fd);  // closes fd on every early return
    // Exclusive use: TIOCEXCL is ignored for root, the advisory lock is not.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail(path + " is in use by another program");
    }
    (void)::ioctl(fd, TIOCEXCL);
    termios current{};
    if (::tcgetattr(fd, &current) != 0) {
        return fail(path + " is not a serial device");
    }
    // The kernel forces a pseudo-terminal to 8 data bits without parity, and the C library then
    // refuses any request for others once nothing else changes: asked for as they are, such a
    // line would open the first time and never again.
    struct stat st {};
    const bool pseudoTerminal = ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && IsPseudoTerminalDevice(major(st.st_rdev));
    const LineSettings asked = pseudoTerminal ? PseudoTerminalLine(settings) : settings;
    const std::optional<termios> line = BuildLineTermios(current, asked);
    if (!line || ::tcsetattr(fd, TCSANOW, &*line) != 0) {
        return fail(path + " refused the line settings");
    }
    if (note != nullptr) {
        note->clear();
        if (asked.dataBits != settings.dataBits || asked.parity != settings.parity) {
            *note = Format("%s is a pseudo-terminal: it carries 8 data bits without parity, not %d data bits "
                           "with parity %d",
                           path.c_str(), static_cast<int>(settings.dataBits & 0xFF), static_cast<int>(settings.parity));
        }
    }
    SetModemLines(fd, ModemLinesOn(settings));
    ::tcflush(fd, TCIOFLUSH);
    return backend;
}

std::vector<std::string> EnumerateDeviceSerialPorts() {
    std::vector<std::string> ports;
    const std::string root = "/sys/class/tty";
    DIR* dir = ::opendir(root.c_str());
    if (dir == nullptr) {
        return ports;
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat st {};
        if (::stat((root + "/" + name + "/device").c_str(), &st) != 0) {
            continue;  // virtual terminals and the like have no device behind them
        }
        if (name.rfind("ttyS", 0) == 0) {
            std::string type;
            if (ReadFirstLine(root + "/" + name + "/type", type) && type == "0") {
                continue;  // a legacy UART slot without a UART
            }
        }
        ports.push_back(name);
    }
    ::closedir(dir);
    std::sort(ports.begin(), ports.end(), NaturalLess);
    return ports;
}

}  // namespace halvo
