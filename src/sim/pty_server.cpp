#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

namespace halvo::sim {

PtyServer::~PtyServer() {
    for (Line& l : lines_) {
        ::close(l.master);
        ::close(l.slave);
    }
}

std::string PtyServer::serve(std::shared_ptr<PortEndpoint> endpoint, std::string* error) {
    int master = -1;
    int slave = -1;
    char name[256] = {0};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        if (error) {
            *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        }
        return {};
    }
    // Raw from the start: no echo or line editing before the station sets its own line.
    termios t{};
    if (::tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    endpoint->lineOpened(LineSettings());
    lines_.push_back({std::move(endpoint), master, slave, name});
    return name;
}

bool PtyServer::unplug(const std::string& path) {
    const auto line = std::find_if(lines_.begin(), lines_.end(), [&](const Line& l) { return l.path == path; });
    if (line == lines_.end()) {
        return false;
    }
    ::close(line->master);
    ::close(line->slave);
    line->endpoint->lineClosed();
    lines_.erase(line);
    return true;
}

void PtyServer::pump(int timeoutMs) {
    std::vector<pollfd> fds;
    for (const Line& l : lines_) {
        fds.push_back({l.master, POLLIN, 0});
    }
    ::poll(fds.data(), fds.size(), timeoutMs);
    uint8_t buffer[512];
    for (Line& l : lines_) {
        for (;;) {
            const ssize_t n = ::read(l.master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            l.endpoint->receive(buffer, static_cast<size_t>(n));
        }
        size_t count = 0;
        if (l.endpoint->transmit(buffer, sizeof buffer, count) && count > 0) {
            size_t done = 0;
            while (done < count) {
                const ssize_t n = ::write(l.master, buffer + done, count - done);
                if (n <= 0) {
                    break;  // the station is not reading; the line's buffer is full
                }
                done += static_cast<size_t>(n);
            }
        }
    }
}

}  // namespace halvo::sim
