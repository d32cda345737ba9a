#include "instruments/vendor_library.h"

#include <dlfcn.h>

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

bool VendorLibrary::open(const std::string& fileName) {
    close();
    std::vector<std::string> candidates;
    if (const char* paths = std::getenv("HALVO_VENDOR_PATH")) {
        std::stringstream list(paths);
        std::string dir;
        while (std::getline(list, dir, ':')) {
            if (!dir.empty()) {
                candidates.push_back(dir + "/" + fileName);
            }
        }
    }
    const std::string installed = VendorLibraryDirectory();
    if (!installed.empty()) {
        candidates.push_back(installed + "/" + fileName);
    }
    candidates.push_back(fileName);  // the system loader's path
    if (!StandIns().empty()) {
        candidates.push_back(StandIns() + "/" + fileName);
    }
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
