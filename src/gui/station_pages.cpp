#include "gui/station_pages.h"

#include "gui/calib_page_view.h"
#include "gui/placeholder_page.h"
#include "gui/setup_page_view.h"

namespace halvo::gui {

std::array<StationPage*, 3> CreateStationPages(CHalvoDlg& station, QWidget* parent) {
    std::array<StationPage*, 3> pages{};
    pages[kTabMeasure] = new PlaceholderPage(
        "Verification runs and reports are not part of this build yet.\n"
        "Single and continuous readings work from the buttons beside the tabs.",
        parent);
    pages[kTabCalibration] = new CalibPageView(station.calib(), parent);
    pages[kTabSetup] = new SetupPageView(station.setup(), parent);
    return pages;
}

}  // namespace halvo::gui
