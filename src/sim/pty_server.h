#pragma once

// Serves in-process serial endpoints over pseudo-terminals, so the real station binaries can
// open the simulated devices like any serial port (halvo-sim).

#include <memory>
#include <string>
#include <vector>

#include "monitor/port_endpoint.h"

namespace halvo::sim {

class PtyServer {
public:
    PtyServer() = default;
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates a pseudo-terminal for the endpoint and returns its device path (the name the
    // station opens), or an empty string with *error set.
    std::string serve(std::shared_ptr<PortEndpoint> endpoint, std::string* error);

    // Moves bytes both ways once, waiting at most timeoutMs for the station to write.
    void pump(int timeoutMs);

    // The device is pulled out: its pseudo-terminal is closed and its path disappears, while
    // the station may still hold it open. False when no line has that path.
    bool unplug(const std::string& path);

private:
    struct Line {
        std::shared_ptr<PortEndpoint> endpoint;
        int master = -1;
        int slave = -1;  // held open so the line survives the station closing and reopening it
        std::string path;
    };
    std::vector<Line> lines_;
};

}  // namespace halvo::sim
