#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

namespace halvo {
namespace {

bool Fail(std::string* error, const std::string& what) {
    if (error) {
        *error = what + ": " + std::strerror(errno);
    }
    return false;
}

std::mutex g_faultMutex;
WriteFault g_fault;

WriteFault CurrentFault() {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    return g_fault;
}

std::function<void(const std::string&)> g_observer;

void Observe(const std::string& path) {
    std::function<void(const std::string&)> observer;
    {
        std::lock_guard<std::mutex> lock(g_faultMutex);
        observer = g_observer;
    }
    if (observer) {
        observer(path);
    }
}

}  // namespace

void SetWriteFaultForTesting(const WriteFault& fault) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_fault = fault;
}

void SetFileAccessObserverForTesting(std::function<void(const std::string& path)> observer) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_observer = std::move(observer);
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

bool WriteFileAtomically(const std::string& path, const std::string& data, std::string* error) {
    const WriteFault fault = CurrentFault();
    if (fault.readOnly) {
        errno = EROFS;
        return Fail(error, "cannot create a file beside " + path);
    }
    std::string pattern = path + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return Fail(error, "cannot create a file beside " + path);
    }
    const std::string temp(name.data());
    Observe(path);
    size_t done = 0;
    while (done < data.size()) {
        size_t chunk = data.size() - done;
        if (fault.bytesFree >= 0) {
            const auto room = static_cast<size_t>(fault.bytesFree);
            chunk = done >= room ? 0 : std::min(chunk, room - done);
        }
        ssize_t n = -1;
        if (chunk == 0) {
            errno = ENOSPC;
        } else {
            n = ::write(fd, data.data() + done, chunk);
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Fail(error, "cannot write " + path);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    // Keep the permissions an existing file had; a new one gets the usual rw-r--r-- (umask).
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (::fsync(fd) != 0) {
        Fail(error, "cannot write " + path);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        Fail(error, "cannot write " + path);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        Fail(error, "cannot replace " + path);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool WriteFileThroughScratch(const std::string& path,
                             const std::function<bool(const std::string& scratch, std::string* error)>& write,
                             std::string* error) {
    std::error_code ec;
    std::string scratch = (std::filesystem::temp_directory_path(ec) / "halvo-scratch-XXXXXX").string();
    const int fd = mkstemp(scratch.data());
    if (fd < 0) {
        return Fail(error, "cannot create a temporary file");
    }
    close(fd);
    struct Remove {
        std::string path;
        ~Remove() { std::remove(path.c_str()); }
    } removeScratch{scratch};
    if (!write(scratch, error)) {
        return false;
    }
    std::string bytes;
    return ReadWholeFile(scratch, bytes, error) && WriteFileAtomically(path, bytes, error);
}

bool ReadWholeFile(const std::string& path, std::string& data, std::string* error, size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Fail(error, "cannot open " + path);
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return Fail(error, "cannot read " + path);
    }
    Observe(path);
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            Fail(error, "cannot read " + path);
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        if (out.size() + static_cast<size_t>(n) > maxBytes) {
            ::close(fd);
            if (error) {
                *error = path + " is larger than " + std::to_string(maxBytes) + " bytes";
            }
            return false;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    data = std::move(out);
    return true;
}

}  // namespace halvo
