#pragma once

// Instrument makers' libraries, bound at run time by name. A missing library or call is
// reported when that instrument is connected, never at start-up, and never crashes.
//
// Search order for a library file name ("libpelko_core.so"): the directories in
// HALVO_VENDOR_PATH (colon-separated), then the installation's directory for the makers'
// libraries (VendorLibraryDirectory), then the system's loader path; with the simulated station
// enabled, last the directory of the simulated stand-ins (SetStandInDirectory). Only absolute
// directories count: nothing is ever loaded from the working directory.

#include <string>

namespace halvo {

class VendorLibrary {
public:
    VendorLibrary() = default;
    ~VendorLibrary();
    VendorLibrary(const VendorLibrary&) = delete;
    VendorLibrary& operator=(const VendorLibrary&) = delete;
    VendorLibrary(VendorLibrary&& other) noexcept;
    VendorLibrary& operator=(VendorLibrary&& other) noexcept;

    // Loads the library; false with a reason in error() when it cannot be found or loaded.
    bool open(const std::string& fileName);
    void close();
    bool isOpen() const { return handle_ != nullptr; }

    // The address of a call, or nullptr (and error() names it).
    void* symbol(const std::string& name);
    template <typename F>
    bool bind(F*& out, const std::string& name) {
        out = reinterpret_cast<F*>(symbol(name));
        return out != nullptr;
    }

    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

    // Where the simulated station's stand-ins live; empty (the default) leaves them out.
    static void SetStandInDirectory(const std::string& directory);
    static const std::string& StandInDirectory();

private:
    void* handle_ = nullptr;
    std::string error_;
    std::string path_;
};

// Opens a maker's library and binds the calls a driver needs (`bindAll(library, calls)` returns
// false when one is missing). All or nothing: on failure `calls` stays empty and `error` says why.
template <typename Calls, typename BindAll>
bool LoadVendorCalls(VendorLibrary& library, const std::string& file, Calls& calls, std::string& error,
                     BindAll bindAll) {
    calls = {};
    if (!library.open(file)) {
        error = library.error();
        return false;
    }
    Calls bound{};
    if (!bindAll(library, bound)) {
        error = library.error();
        return false;
    }
    calls = bound;
    return true;
}

}  // namespace halvo
