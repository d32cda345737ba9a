#include "instruments/pelko/pelko_search.h"

#include "common/text_format.h"
#include "instruments/pelko/pelko_core_library.h"

namespace halvo {

int32_t PelkoSearch::deviceFor(int entry) const {
    if (entry >= 0 && entry < static_cast<int>(deviceIndex.size())) {
        return deviceIndex[static_cast<size_t>(entry)];
    }
    return entry;
}

void SearchPelkoDevices(StationLog& log, int channel, PelkoSearch& search) {
    log.logMessage("Searching PELKO device...", channel);
    search.listed = false;
    std::string error;
    if (BindPelkoCore(&error) == nullptr) {
        log.logMessage(error, channel);
    }
    int32_t count = 0;
    if (PELKO_GetNumRadioEx(&count) != 0 || count <= 0) {
        // A failed call leaves no count behind: connecting must not open a device from an
        // earlier search.
        search.pelkoDeviceCount = 0;
        log.logMessage("No matching PELKO device found!", channel);
        return;
    }
    search.pelkoDeviceCount = count;
    search.listed = true;
    search.entries.clear();
    search.deviceIndex.clear();
    for (int32_t i = 0; i < count; ++i) {
        int32_t a = 0;
        int32_t b = 0;
        if (PELKO_GetSerialRadioEx(i, &a, &b) != 0) {
            log.logMessage("Could not found Serial number!", channel);
            continue;
        }
        search.entries.push_back(Format("%d, %d", a, b));
        search.deviceIndex.push_back(i);
        log.logMessage(Format("Find Device[Serial Number:%d, %d]", a, b), channel);
    }
    log.logMessage("Completed serching device", channel);
}

}  // namespace halvo
