#include "instruments/vendor_library.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <utility>
#include <vector>

#include "common/install_layout.h"

namespace halvo {
namespace {

std::string& StandIns() {
    static std::string directory;
    return directory;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The directories the system's loader would search for a bare name from this program (the
// library path of the environment, the program's run path, the system's own directories), in
// its order. Relative entries (an empty one is the working directory) are kept: the caller
// must not let the loader search them.
std::vector<std::string> LoaderSearchPath() {
    std::vector<std::string> dirs;
    void* self = ::dlopen(nullptr, RTLD_NOW);
    if (self == nullptr) {
        return dirs;
    }
    Dl_serinfo size{};
    if (::dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof(Dl_serinfo)) {
        std::vector<unsigned char> buffer(size.dls_size);
        auto* info = reinterpret_cast<Dl_serinfo*>(buffer.data());
        info->dls_size = size.dls_size;
        info->dls_cnt = size.dls_cnt;
        if (::dlinfo(self, RTLD_DI_SERINFO, info) == 0) {
            for (unsigned i = 0; i < info->dls_cnt; ++i) {
                dirs.emplace_back(info->dls_serpath[i].dls_name);
            }
        }
    }
    ::dlclose(self);
    return dirs;
}

}  // namespace

VendorLibrary::~VendorLibrary() {
    close();
}

VendorLibrary::VendorLibrary(VendorLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)), path_(std::move(other.path_)) {}

VendorLibrary& VendorLibrary::operator=(VendorLibrary&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
        path_ = std::move(other.path_);
    }
    return *this;
}

void VendorLibrary::SetStandInDirectory(const std::string& directory) {
    StandIns() = directory;
}

const std::string& VendorLibrary::StandInDirectory() {
    return StandIns();
}

// A library is only ever loaded by an absolute path: a relative one, or a bare name the loader
// resolves, could come from the working directory, where anyone may drop a file.
bool VendorLibrary::open(const std::string& fileName) {
    close();
    std::vector<std::string> candidates;
    const auto inDirectory = [&](const std::string& dir) {
        if (!dir.empty() && dir.front() == '/') {
            candidates.push_back(dir + "/" + fileName);
        }
    };
    if (const char* paths = std::getenv("HALVO_VENDOR_PATH")) {
        std::stringstream list(paths);
        std::string dir;
        while (std::getline(list, dir, ':')) {
            inDirectory(dir);
        }
    }
    inDirectory(VendorLibraryDirectory());
    // The system loader's path, walked here so that its relative entries are left out. The
    // loader itself is asked by name (for what only its cache knows) only when its path has no
    // relative entry: it would look there first, in subfolders of them too.
    bool relativeEntry = false;
    for (const std::string& dir : LoaderSearchPath()) {
        if (!dir.empty() && dir.front() == '/') {
            if (IsFile(dir + "/" + fileName)) {
                inDirectory(dir);
            }
        } else {
            relativeEntry = true;
        }
    }
    if (!relativeEntry && fileName.find('/') == std::string::npos) {
        candidates.push_back(fileName);
    }
    inDirectory(StandIns());
    std::string reasons;
    for (const std::string& c : candidates) {
        dlerror();
        if (void* h = ::dlopen(c.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            handle_ = h;
            path_ = c;
            error_.clear();
            return true;
        }
        if (const char* why = dlerror()) {
            reasons = why;
        }
    }
    error_ = "cannot load " + fileName + (reasons.empty() ? "" : ": " + reasons);
    return false;
}

void VendorLibrary::close() {
    if (handle_ != nullptr) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

void* VendorLibrary::symbol(const std::string& name) {
    if (handle_ == nullptr) {
        error_ = "library not loaded";
        return nullptr;
    }
    dlerror();
    void* address = ::dlsym(handle_, name.c_str());
    if (address == nullptr) {
        error_ = path_ + " has no call " + name;
    }
    return address;
}

}  // namespace halvo
