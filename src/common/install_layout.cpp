#include "common/install_layout.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "common/install_layout_paths.h"

namespace halvo {
namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string ProgramDirectory() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return {};
    }
    std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ExistingDirectoryBeside(const std::string& programDirectory, const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::string candidate;
    if (path.front() == '/') {
        candidate = path;
    } else if (!programDirectory.empty()) {
        candidate = programDirectory + "/" + path;
    } else {
        return {};
    }
    if (!IsDirectory(candidate)) {
        return {};
    }
    // Log lines and messages name the directory without the "bin/.." detour.
    char resolved[PATH_MAX];
    return ::realpath(candidate.c_str(), resolved) != nullptr ? std::string(resolved) : candidate;
}

std::string StandInLibraryDirectory() {
    const std::string installed = ExistingDirectoryBeside(ProgramDirectory(), install_paths::kStandIns);
    return installed.empty() ? std::string(install_paths::kBuildStandIns) : installed;
}

std::string VendorLibraryDirectory() {
    return ExistingDirectoryBeside(ProgramDirectory(), install_paths::kVendor);
}

std::string InstalledSoundDirectory() {
    return ExistingDirectoryBeside(ProgramDirectory(), install_paths::kSounds);
}

}  // namespace halvo
