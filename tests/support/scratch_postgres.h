#pragma once

// A throwaway PostgreSQL server for tests: a fresh cluster in a scratch folder, listening only on
// a Unix socket in that folder, stopped and removed at the end. PostgreSQL refuses to run as
// root, so under root (as CI runs) the server runs as the unprivileged user "nobody" (or
// "postgres"), which owns the folder. Its output goes into the folder, for the message when it
// fails. The server is a child of the test that dies with it.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace halvo::test {

class ScratchPostgres {
public:
    // Makes the cluster and starts the server; nullptr with *error set when the PostgreSQL
    // programs are missing or it would not start. Tests run it without waiting for the disk;
    // durable makes it flush every commit as a real server does (benchmarks).
    static std::unique_ptr<ScratchPostgres> Start(std::string* error, bool durable = false);
    ~ScratchPostgres();
    ScratchPostgres(const ScratchPostgres&) = delete;
    ScratchPostgres& operator=(const ScratchPostgres&) = delete;

    // A connection URL for a database of the server (made with createDatabase).
    std::string url(const std::string& database = "postgres") const;
    // CREATE DATABASE; false with *error.
    bool createDatabase(const std::string& name, std::string* error);

    // Stops the server (a fast shutdown: connections are cut) and starts it again on the same
    // data.
    bool stop();
    bool start(std::string* error);
    bool running() const { return pid_ > 0; }

private:
    ScratchPostgres() = default;
    bool runAsServerUser(const std::string& program, const std::vector<std::string>& args, std::string* error);

    std::string bin_;
    std::string dir_;
    std::string data_;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
    pid_t pid_ = -1;
    bool durable_ = false;
};

}  // namespace halvo::test
