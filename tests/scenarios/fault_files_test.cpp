// Files against a full or read-only disk, and damaged files offered to the loaders: every
// save that fails says so and leaves the previous file whole, every load of something that is
// not what it claims leaves the page as it was, and nothing takes long or much memory.

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "caldata/cal_file.h"
#include "caldata/field_text.h"
#include "common/file_io.h"
#include "scenarios/fault_fixture.h"

namespace halvo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDiskFull = "No space left on device";
constexpr const char* kReadOnly = "Read-only file system";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Random bytes, NULs and line ends included, as a file from another program would be.
std::string Binary(size_t size) {
    std::mt19937 random(7);
    std::string out(size, '\0');
    for (char& c : out) {
        c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
    }
    return out;
}

// A 100 MB file without writing 100 MB: a sparse file reads as zeros.
void Huge(const std::string& path) {
    Spit(path, "");
    fs::resize_file(path, 100u * 1024u * 1024u);
}

class FileFaults : public test::FaultFixture {
protected:
    void TearDown() override {
        SetWriteFaultForTesting(WriteFault());
        FaultFixture::TearDown();
    }
    std::string file(const std::string& name) const { return directory + "/" + name; }

    // Nothing but the files named is left in the directory (no half-written temporaries).
    void expectOnly(std::vector<std::string> names) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(directory)) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(found, names);
    }

    // Saves once on a good disk, then again with the fault: the second save must be refused
    // with the reason and leave the first file exactly as it was.
    template <typename Save>
    void expectRefusedSaveKeepsTheFile(const std::string& path, const WriteFault& fault, const char* reason,
                                       Save save) {
        SCOPED_TRACE(path);
        ui.messages.clear();
        save();
        ASSERT_TRUE(ui.messages.empty()) << ui.messages[0];
        const std::string before = Slurp(path);
        ASSERT_FALSE(before.empty());
        station->onClearLog();
        station->logMessage("A line written after the first save");
        SetWriteFaultForTesting(fault);
        save();
        SetWriteFaultForTesting(WriteFault());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find(reason), std::string::npos) << ui.messages[0];
        EXPECT_NE(ui.messages[0].find(path), std::string::npos) << ui.messages[0];
        EXPECT_EQ(Slurp(path), before);
    }

    std::string calibratedSet() {
        choose(false, 1, {4});
        calibrate();
        station->onCompletionOk();
        return WriteCalFile(page().data);
    }
};

TEST_F(FileFaults, AFullOrReadOnlyDiskRefusesEverySaveAndKeepsThePreviousFile) {
    calibratedSet();
    const struct {
        const char* name;
        WriteFault fault;
        const char* reason;
    } disks[] = {{"full", {false, 10}, kDiskFull}, {"full before the first byte", {false, 0}, kDiskFull},
                 {"read-only", {true, -1}, kReadOnly}};
    for (const auto& disk : disks) {
        SCOPED_TRACE(disk.name);
        const std::string cal = file("VRL000001.cal");
        expectRefusedSaveKeepsTheFile(cal, disk.fault, disk.reason, [&] {
            if (!page().saveFile(cal)) {
                EXPECT_FALSE(ui.messages.empty());
            }
        });
        const std::string log = file("station-log.txt");
        ui.savePath = log;
        expectRefusedSaveKeepsTheFile(log, disk.fault, disk.reason, [&] { station->onSaveLog(); });
        for (const char* report : {"report.xlsx", "report.txt"}) {
            ui.savePath = file(report);
            expectRefusedSaveKeepsTheFile(file(report), disk.fault, disk.reason, [&] { station->saveReport(); });
            EXPECT_EQ(ui.lastSound, Sound::Error);
        }
        expectOnly({"Config.ini", "VRL000001.cal", "report.txt", "report.xlsx", "station-log.txt"});
        // The disk is well again: the same saves work.
        ui.messages.clear();
        EXPECT_TRUE(page().saveFile(cal));
        station->onSaveLog();
        EXPECT_NE(Slurp(log).find("A line written after the first save"), std::string::npos);
        EXPECT_TRUE(ui.messages.empty());
    }
}

TEST_F(FileFaults, ConfigIniThatCannotBeWrittenIsReportedOnceAndKeptWhole) {
    const std::string config = file("Config.ini");
    const std::string before = Slurp(config);
    ASSERT_FALSE(before.empty());
    halvo::Setup& setup = station->setup();
    ui.messages.clear();
    SetWriteFaultForTesting({false, 10});
    setup.audioAlarm.checked = !setup.audioAlarm.checked;
    setup.onOptionChanged();
    setup.onOptionChanged();
    ASSERT_EQ(ui.messages.size(), 1u) << "one box for a full disk, not one per click";
    EXPECT_EQ(ui.messages[0].rfind("The settings could not be saved (cannot write " + config + ": " + kDiskFull +
                                       "). They stay in use until the program ends; Config.ini keeps the settings "
                                       "it had.",
                                   0),
              0u)
        << ui.messages[0];
    EXPECT_EQ(Slurp(config), before);
    expectOnly({"Config.ini"});

    SetWriteFaultForTesting({true, -1});
    setup.onOptionChanged();
    EXPECT_EQ(ui.messages.size(), 1u);
    SetWriteFaultForTesting(WriteFault());
    setup.onOptionChanged();
    EXPECT_NE(Slurp(config), before) << "the change is stored once the disk takes it";
    // A later failure is reported again.
    SetWriteFaultForTesting({true, -1});
    setup.onOptionChanged();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[1].find(kReadOnly), std::string::npos);
}

class DamagedFiles : public FileFaults {
protected:
    // Loads the file into the page that holds `held`; true when it was taken.
    bool load(const std::string& path) {
        ui.messages.clear();
        station->onClearLog();
        return page().loadFile(path);
    }
};

TEST_F(DamagedFiles, ACalFileThatIsNotWholeLeavesThePageAsItWas) {
    calibratedSet();
    const std::string path = file("damaged.cal");
    const std::string held = WriteCalFile(page().data);

    Spit(path, Binary(64 * 1024));
    EXPECT_FALSE(load(path));
    EXPECT_EQ(ui.messages, std::vector<std::string>{kFormatMessage});
    EXPECT_EQ(WriteCalFile(page().data), held);

    Spit(path, "");
    EXPECT_FALSE(load(path));
    EXPECT_EQ(ui.messages, std::vector<std::string>{kFormatMessage});

    Huge(path);
    EXPECT_FALSE(load(path));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(logHas("SYS:" + path + " is larger than 67108864 bytes\n")) << station->log().text();
    EXPECT_EQ(WriteCalFile(page().data), held);
}

TEST_F(DamagedFiles, ACalFileCutInATableLoadsWhatItHoldsAndSaysWhereItEnds) {
    // Tables cut short are read as far as they go (their other entries zero) and warned about:
    // old files are read the same way, so the reader stays lenient here.
    const std::string good = calibratedSet();
    const std::string path = file("cut.cal");
    const size_t cut = good.find("\r\n", good.size() / 2) - 3;
    Spit(path, good.substr(0, cut));
    EXPECT_TRUE(load(path));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages[0].rfind("cut calibration data loaded sucessfully.\n", 0), 0u);
    EXPECT_TRUE(logHas(" does not hold three numbers\n")) << station->log().text();
    EXPECT_EQ(page().data.lut3d[kBt709][0], ReadCalFile(good, "x").data.lut3d[kBt709][0]);
}

TEST_F(DamagedFiles, LinesOfTenThousandCharactersChangeNothingElse) {
    const std::string good = calibratedSet();
    const std::string path = file("good.cal");
    Spit(path, good);
    ASSERT_TRUE(load(path));
    const std::string held = WriteCalFile(page().data);
    // A line of an unknown tag, a known tag with a 10,000-character field, and a 3D table
    // entry that long.
    std::string text = good;
    text.insert(text.find('\n') + 1, std::string(10000, 'Q') + "\r\n");
    Spit(path, text);
    ASSERT_TRUE(load(path)) << station->log().text();
    EXPECT_EQ(WriteCalFile(page().data), held);
    const auto t0 = std::chrono::steady_clock::now();
    for (const std::string& line : {std::string(10000, '7'), "I," + std::string(10000, 'Z'),
                                    std::string(5000, ' ') + std::string(5000, '1')}) {
        std::string damaged = good;
        damaged.insert(damaged.find("_BT_709_\r\n") + 10, line + "\r\n");
        Spit(path, damaged);
        load(path);
        EXPECT_LT(page().data.calibrationId.size(), kMaxLineBytes);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

std::vector<std::vector<std::string>> Cells(const std::vector<TableRow>& rows) {
    std::vector<std::vector<std::string>> out;
    for (const TableRow& row : rows) {
        out.push_back(row.cells);
    }
    return out;
}

TEST_F(DamagedFiles, TargetFilesThatHoldNoTargetLeaveTheListAsItWas) {
    const auto held = Cells(page().whiteList.rows);
    const auto expectRefused = [&](const std::string& name, const std::string& logLine) {
        station->onClearLog();
        ui.openPath = file(name);
        page().loadTargets();
        EXPECT_TRUE(logHas(logLine)) << station->log().text();
        EXPECT_EQ(Cells(page().whiteList.rows), held);
    };
    Spit(file("binary.txt"), Binary(64 * 1024));
    expectRefused("binary.txt", "SYS:binary.txt: no target rows; the list is left as it was\n");
    Spit(file("prose.txt"), "Dear operator,\r\nthe monitor, the probe, and the cable\r\n");
    expectRefused("prose.txt", "SYS:prose.txt: no target rows; the list is left as it was\n");
    Huge(file("huge.txt"));
    expectRefused("huge.txt", "SYS:" + file("huge.txt") + " is larger than 1048576 bytes\n");

    // Lines of 10,000 characters are cut where every station text line ends: one that long
    // beside a good row becomes a row of its own, cut; the good row is read whole.
    Spit(file("long.txt"), std::string(10000, 'L') + "\r\nD50,0.1978,0.4683,100.0, \r\n");
    station->onClearLog();
    ui.openPath = file("long.txt");
    page().loadTargets();
    ASSERT_GE(page().whiteList.rows.size(), 2u);
    EXPECT_EQ(page().whiteList.rows[0].cells[0].size(), kMaxLineBytes);
    EXPECT_EQ(page().whiteList.rows[1].cells[0], "D50");
    EXPECT_EQ(page().whiteList.rows[1].cells[3], "100.0");
}

TEST_F(DamagedFiles, LogsWithNothingToImportLeaveTheSetAsItWas) {
    const std::string good = calibratedSet();
    const std::string log = WithCrLf(station->log().text());
    const std::string held = WriteCalFile(page().data);
    const auto expectRefused = [&](const std::string& name) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(load(file(name)));
        EXPECT_EQ(ui.messages, std::vector<std::string>{kFormatMessage});
        EXPECT_EQ(WriteCalFile(page().data), held);
    };
    Spit(file("binary.txt"), Binary(64 * 1024));
    expectRefused("binary.txt");
    // Cut before the search logged a gain.
    Spit(file("cut.txt"), log.substr(0, log.find("RGB gain(")));
    expectRefused("cut.txt");

    Huge(file("huge.txt"));
    EXPECT_FALSE(load(file("huge.txt")));
    EXPECT_TRUE(logHas("SYS:" + file("huge.txt") + " is larger than 67108864 bytes\n"));
    EXPECT_EQ(WriteCalFile(page().data), held);

    // The whole log with lines of 10,000 characters before and inside it imports the gains.
    Spit(file("long.txt"), std::string(10000, 'Q') + "\r\n" + log + "CAL: RGB gain(" + std::string(10000, '9') + ")\r\n");
    EXPECT_TRUE(load(file("long.txt")));
    EXPECT_EQ(page().data.targetGains[4], ReadCalFile(good, "x").data.targetGains[4]);
}

}  // namespace
}  // namespace halvo
