#include "gui/station_pages.h"

#include "gui/calib_page_view.h"
#include "gui/measure_page_view.h"
#include "gui/qt_certificate_writer.h"
#include "gui/qt_chart_painter.h"
#include "gui/setup_page_view.h"

namespace halvo::gui {

std::array<StationPage*, 3> CreateStationPages(CHalvoDlg& station, QWidget* parent) {
    std::array<StationPage*, 3> pages{};
    pages[kTabMeasure] = new MeasurePageView(station.measure(), parent);
    // The report's pictures are painted by the chart code the page shows.
    static QtChartPainter chartPainter;
    station.chartPainter = &chartPainter;
    // And the certificate "Save as.." offers beside the workbook and the text.
    static QtCertificateWriter certificateWriter;
    station.certificateWriter = &certificateWriter;
    pages[kTabCalibration] = new CalibPageView(station.calib(), parent);
    pages[kTabSetup] = new SetupPageView(station.setup(), parent);
    return pages;
}

}  // namespace halvo::gui
