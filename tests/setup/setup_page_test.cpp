// Building the Setup page: defaults, reading Config.ini (including files that are not ours) and
// writing it back.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "setup_fixture.h"

namespace halvo {
namespace {

using test::kDefaultConfig;
using test::SetupTest;

// kDefaultConfig with line n (2-22) replaced.
std::string WithLine(int n, const std::string& text) {
    ConfigLines lines = *ParseConfigIni(kDefaultConfig, 909);
    lines.text[static_cast<size_t>(n)] = text;
    return FormatConfigIni(909, lines);
}

TEST_F(SetupTest, StartsFromTheDefaultsWithoutAFile) {
    Page setup(sink, ui);
    create(setup);
    EXPECT_EQ(readFile(), kDefaultConfig);
    EXPECT_EQ(setup.agingTimeMinutes(), 60);
    EXPECT_EQ(setup.measurePeriodMinutes(), 1);
    EXPECT_FALSE(setup.pattern.enabled);  // the work controls wait for a connection
    EXPECT_TRUE(setup.instrument.enabled);
    EXPECT_TRUE(sink.posted.empty());
}

TEST_F(SetupTest, DefaultPortsOnMachinesWithFewPorts) {
    const std::string longName = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0";
    struct Case {
        std::vector<std::string> ports;
        std::string monitor, instrument;
    };
    const Case cases[] = {
        {{}, "", ""},
        {{"/dev/ttyS0"}, "/dev/ttyS0", "/dev/ttyS0"},
        {{"/dev/ttyS0", longName}, longName, longName},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path());
        ports = c.ports;
        Page setup(sink, ui);
        create(setup);
        EXPECT_EQ(setup.monitorPort.text(), c.monitor);
        EXPECT_EQ(setup.instrumentPort.text(), c.instrument);
        EXPECT_EQ(fileLine(kInstrumentPortLine), c.instrument);
    }
}

TEST_F(SetupTest, FilesNotWrittenByThisVersionGiveTheDefaultsAndAreReplaced) {
    const std::string mine = WithLine(kInstrumentLine, "K-10");
    const std::string cases[] = {
        ">908" + mine.substr(4),
        mine.substr(0, mine.size() / 2),
        std::string("garbage\0\xff\xfe", 10) + mine,
        std::string(200000, '>') + mine,
        "",
    };
    for (const std::string& content : cases) {
        writeFile(content);
        Page setup(sink, ui);
        create(setup);
        EXPECT_EQ(setup.instrument.text(), "CA-210");
        EXPECT_EQ(readFile(), kDefaultConfig);
    }
}

TEST_F(SetupTest, KeepsTheReservedLine) {
    writeFile(WithLine(kReservedLine, "made by the old tool"));
    Page setup(sink, ui);
    create(setup);
    setup.audioAlarm.checked = true;
    setup.onOptionChanged();
    EXPECT_EQ(fileLine(kReservedLine), "made by the old tool");
    EXPECT_EQ(fileLine(kAudioAlarmLine), "1");
}

TEST_F(SetupTest, EveryStoredSettingSurvivesARestart) {
    std::string first;
    {
        Page setup(sink, ui);
        create(setup);
        setup.onMonitorPortChanged(3);
        setup.onInstrumentChanged(1);
        setup.instrumentPort.selected = 0;
        setup.baudRate.selected = 2;
        setup.dataBits.selected = 1;
        setup.parity.selected = 1;
        setup.stopBits.selected = 0;
        setup.pattern.selected = 3;
        setup.measurePeriod.text = "5";
        setup.agingTime.text = "90";
        setup.deviationX.text = "12";
        setup.deviationY.text = "-7";
        setup.deviationLv.text = "3";
        setup.startCalibrationAfterAging.checked = true;
        setup.audioAlarm.checked = true;
        setup.measurementAfterCalibration.checked = true;
        setup.onCalibrationOptionEnter(Page::kMeasurementWait, "400");
        setup.onCalibrationOptionEnter(Page::kMeasurementDelay, "2500");
        setup.onCalibrationOptionEnter(Page::kWhitePriorityLevel, "20");
        setup.colorSpaceStep.selected = 2;
        ASSERT_TRUE(setup.writeConfig());
        first = readFile();
    }
    const ConfigLines defaults = *ParseConfigIni(kDefaultConfig, 909);
    for (int n = kMonitorPortLine; n <= kColorSpaceStepLine; ++n) {
        if (n == kReservedLine) {
            continue;
        }
        EXPECT_NE(fileLine(n), defaults.text[static_cast<size_t>(n)]) << "line " << n << " kept its default";
    }
    Page setup(sink, ui);
    create(setup);
    EXPECT_EQ(readFile(), first);
    const LineSettings line = setup.instrumentLine();
    EXPECT_EQ(line.baudRate, 38400);
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.parity, 1);
    EXPECT_EQ(line.stopBits, 0);
    EXPECT_EQ(setup.readOffsets().dy, -7);
    EXPECT_EQ(setup.measurementDelayMs(), 2500);
    EXPECT_EQ(setup.agingTimeMinutes(), 90);
}

TEST_F(SetupTest, ReadsHostileValuesWithoutTakingThem) {
    ConfigLines lines = *ParseConfigIni(kDefaultConfig, 909);
    lines[kMonitorPortLine] = "/dev/gone";
    lines[kPatternLine] = std::string(5000, 'P');
    lines[kAgingTimeLine] = "45 minutes";
    lines[kDeviationXLine] = "abc";
    lines[kMeasurementWaitLine] = "5000";
    lines[kMeasurementDelayLine] = "-3";
    lines[kWhitePriorityLevelLine] = "\x01\x02";
    lines[kAudioAlarmLine] = "yes";
    std::string lf = FormatConfigIni(909, lines);
    std::erase(lf, '\r');
    writeFile(lf);
    Page setup(sink, ui);
    create(setup);
    EXPECT_EQ(setup.monitorPort.text(), "/dev/ttyS1");
    EXPECT_EQ(setup.pattern.text(), "100% Color Bars");
    EXPECT_EQ(setup.agingTime.text, "45");
    EXPECT_EQ(setup.deviationX.text, "0");
    EXPECT_EQ(setup.measurementWait.text, "3000");
    EXPECT_EQ(setup.measurementDelayMs(), 100);
    EXPECT_EQ(setup.whitePriority(), 15);
    EXPECT_FALSE(setup.audioAlarm.checked);
    EXPECT_EQ(fileLine(kMeasurementWaitLine), "3000");
}

TEST_F(SetupTest, StoredLineSettingsOutliveTheCaDefaults) {
    writeFile(WithLine(kBaudRateLine, "38400"));
    Page setup(sink, ui);
    create(setup);
    EXPECT_EQ(setup.instrumentLine().baudRate, 38400);
    setup.onInstrumentChanged(1);  // choosing a CA instrument selects its line
    EXPECT_EQ(setup.instrumentLine().baudRate, 9600);
}

TEST_F(SetupTest, AReadOnlyDirectoryLeavesThePreviousFile) {
    const std::string previous = WithLine(kAudioAlarmLine, "1");
    writeFile(previous);
    // The file itself stays writable: only a writer that truncates in place could change it.
    ASSERT_EQ(::chmod(path().c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    const bool wasRoot = ::geteuid() == 0;  // root writes anywhere: act as nobody
    if (wasRoot && ::seteuid(65534) != 0) {
        GTEST_SKIP() << "cannot drop root to make the directory read-only";
    }
    {
        Page setup(sink, ui);
        create(setup);
        EXPECT_TRUE(setup.audioAlarm.checked);
        setup.audioAlarm.checked = false;
        setup.onOptionChanged();
        EXPECT_FALSE(setup.writeConfig());
    }
    if (wasRoot) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_EQ(readFile(), previous);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

}  // namespace
}  // namespace halvo
