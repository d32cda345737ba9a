#include "support/scratch_postgres.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "results/pg_database.h"

namespace halvo::test {

namespace {

constexpr int kPort = 5432;

// The newest installed server's programs: /usr/lib/postgresql/<version>/bin.
std::string ServerBin() {
    std::string best;
    int bestVersion = -1;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
        const int v = std::atoi(e.path().filename().c_str());
        if (v > bestVersion && std::filesystem::exists(e.path() / "bin" / "postgres", ec)) {
            bestVersion = v;
            best = (e.path() / "bin").string();
        }
    }
    return best;
}

// In the child: become the server's user, die with the parent, then run the program from the
// scratch folder (the test's own working directory may be closed to that user).
[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& args, uid_t uid, gid_t gid,
                       const std::string& directory, const std::string& logPath) {
    if (getuid() == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) {
            _exit(126);
        }
    }
    if (chdir(directory.c_str()) != 0) {
        _exit(126);
    }
    prctl(PR_SET_PDEATHSIG, SIGQUIT);
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    setenv("LC_ALL", "C", 1);
    unsetenv("PGDATA");
    execv(program.c_str(), argv.data());
    _exit(127);
}

// The end of a program's output, for the message of its failure.
std::string Tail(const std::string& path) {
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.size() > 600 ? text.substr(text.size() - 600) : text;
}

}  // namespace

std::unique_ptr<ScratchPostgres> ScratchPostgres::Start(std::string* error, bool durable) {
    std::unique_ptr<ScratchPostgres> pg(new ScratchPostgres());
    pg->durable_ = durable;
    pg->bin_ = ServerBin();
    if (pg->bin_.empty()) {
        *error = "no PostgreSQL server under /usr/lib/postgresql (make deps installs it)";
        return nullptr;
    }
    char scratch[] = "/tmp/halvo-pg-XXXXXX";
    if (mkdtemp(scratch) == nullptr) {
        *error = "cannot make a scratch folder";
        return nullptr;
    }
    pg->dir_ = scratch;
    pg->data_ = pg->dir_ + "/data";
    pg->uid_ = getuid();
    pg->gid_ = getgid();
    if (getuid() == 0) {
        // The server refuses to run as root: it runs as an unprivileged user that owns the folder.
        const passwd* user = getpwnam("nobody");
        if (user == nullptr) {
            user = getpwnam("postgres");
        }
        if (user == nullptr || user->pw_uid == 0) {
            *error = "no unprivileged user ('nobody' or 'postgres') to run the server as";
            return nullptr;
        }
        pg->uid_ = user->pw_uid;
        pg->gid_ = user->pw_gid;
        if (chown(pg->dir_.c_str(), pg->uid_, pg->gid_) != 0) {
            *error = std::string("cannot give the scratch folder to '") + user->pw_name + "'";
            return nullptr;
        }
    }
    if (!pg->runAsServerUser(pg->bin_ + "/initdb",
                             {"-D", pg->data_, "-U", "halvo", "--auth=trust", "-E", "UTF8", "--locale=C", "--no-sync"},
                             error)) {
        return nullptr;
    }
    if (!pg->start(error)) {
        return nullptr;
    }
    return pg;
}

bool ScratchPostgres::runAsServerUser(const std::string& program, const std::vector<std::string>& args,
                                      std::string* error) {
    const pid_t child = fork();
    if (child == 0) {
        Exec(program, args, uid_, gid_, dir_, dir_ + "/setup.log");
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = program + " failed: " + Tail(dir_ + "/setup.log");
        return false;
    }
    return true;
}

bool ScratchPostgres::start(std::string* error) {
    if (pid_ > 0) {
        return true;
    }
    pid_ = fork();
    if (pid_ == 0) {
        std::vector<std::string> args = {"-D", data_, "-k", dir_, "-p", std::to_string(kPort), "-c",
                                         "listen_addresses=", "-c", "max_connections=80"};
        if (!durable_) {
            args.push_back("-F");
        }
        Exec(bin_ + "/postgres", args, uid_, gid_, dir_, dir_ + "/server.log");
    }
    if (pid_ < 0) {
        *error = "cannot start the server";
        return false;
    }
    // Ready once it takes a connection.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < until) {
        std::string e;
        if (results::PgDatabase::Connect(url(), {1000, 5000}, nullptr, &e)) {
            return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            *error = "the server exited at its start: " + Tail(dir_ + "/server.log");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    *error = "the server did not take connections within 30 s";
    stop();
    return false;
}

bool ScratchPostgres::stop() {
    if (pid_ <= 0) {
        return true;
    }
    kill(pid_, SIGINT);
    int status = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
    return true;
}

ScratchPostgres::~ScratchPostgres() {
    stop();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string ScratchPostgres::url(const std::string& database) const {
    return "postgresql://halvo@/" + database + "?host=" + dir_ + "&port=" + std::to_string(kPort);
}

bool ScratchPostgres::createDatabase(const std::string& name, std::string* error) {
    std::unique_ptr<results::PgDatabase> db = results::PgDatabase::Connect(url(), {3000, 30000}, nullptr, error);
    return db && db->exec("CREATE DATABASE " + name, error);
}

}  // namespace halvo::test
