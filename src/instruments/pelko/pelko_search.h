#pragma once

// The PELKO device search (operator command 9): which spectroradiometers are attached, as the
// entries of the Setup page's device list.

#include <cstdint>
#include <string>
#include <vector>

#include "station/station_log.h"

namespace halvo {

struct PelkoSearch {
    int32_t pelkoDeviceCount = 0;  // devices found by the last search
    // When the last search listed devices, the Setup device list becomes these entries ("%d, %d",
    // the two identification values), the first selected; deviceIndex holds each entry's device.
    // A search that finds nothing leaves the list (and this mapping) as it was.
    bool listed = false;
    std::vector<std::string> entries;
    std::vector<int32_t> deviceIndex;

    // The device of a list entry. A device whose identification could not be read has no entry,
    // so entries and devices need not line up.
    int32_t deviceFor(int entry) const;
};

// Searches through Vantrel (binding the core library first), logging on the given channel.
void SearchPelkoDevices(StationLog& log, int channel, PelkoSearch& search);

}  // namespace halvo
