// The window's toolkit-free helpers: file-type filters, the probe marker's place, the command
// line.

#include <gtest/gtest.h>

#include "gui/file_filter.h"
#include "gui/gui_args.h"
#include "gui/probe_position.h"

namespace halvo::gui {
namespace {

TEST(FileFilter, StationFiltersBecomeQtFilters) {
    struct Case {
        const char* station;
        const char* qt;
        const char* suffix;
    };
    const Case cases[] = {
        {"Save Report (*.txt)|*.txt||", "Save Report (*.txt)", "txt"},
        {"Calibration data (*.cal)|*.cal|All files (*.*)|*.*||", "Calibration data (*.cal);;All files (*)", "cal"},
        // The pattern field decides, not what the description claims.
        {"Workbook (*.xls)|*.xls;*.xlsx||", "Workbook (*.xls *.xlsx)", ""},
        {"Targets|*.txt||", "Targets (*.txt)", "txt"},
        {"All files (*.*)|*.*||", "All files (*)", ""},
        {"", "All files (*)", ""},
        {"Broken|", "Broken (*)", ""},  // a missing pattern shows everything
    };
    for (const Case& c : cases) {
        const FileFilter f = ToQtFileFilter(c.station);
        EXPECT_EQ(f.qtFilter, c.qt) << c.station;
        EXPECT_EQ(f.defaultSuffix, c.suffix) << c.station;
    }
}

TEST(ProbePosition, NinePlacesInsetFromTheEdges) {
    EXPECT_FALSE(ProbeMarkerCentre(0, 160, 90).has_value());
    struct Case {
        int type;
        int x;
        int y;
    };
    const Case cases[] = {
        {1, 80, 45},   {2, 12, 45},   {11, 12, 45},  {3, 12, 12},  {10, 12, 12},  {4, 80, 12},
        {13, 80, 12},  {5, 148, 12},  {14, 148, 12}, {6, 148, 45}, {16, 148, 45}, {7, 148, 78},
        {18, 148, 78}, {8, 80, 78},   {17, 80, 78},  {9, 12, 78},  {12, 12, 78},  {15, 80, 45},
        {19, 80, 45},  {-3, 80, 45},
    };
    for (const Case& c : cases) {
        const std::optional<ProbePoint> p = ProbeMarkerCentre(c.type, 160, 90);
        ASSERT_TRUE(p.has_value()) << c.type;
        EXPECT_EQ(p->x, c.x) << c.type;
        EXPECT_EQ(p->y, c.y) << c.type;
    }
}

TEST(GuiArgs, OptionsAndMistakes) {
    EXPECT_TRUE(ParseGuiArgs({"--simulate"}).simulate);
    EXPECT_TRUE(ParseGuiArgs({}).error.empty());
    EXPECT_EQ(ParseGuiArgs({"--simulate", "--simulat"}).error, "unknown option '--simulat'");
    EXPECT_TRUE(AsksForHelpOrVersion({"--simulate", "--version"}));
    EXPECT_TRUE(AsksForHelpOrVersion({"-h"}));
    EXPECT_FALSE(AsksForHelpOrVersion({"--simulate"}));
}

}  // namespace
}  // namespace halvo::gui
