// Arbitrary bytes as Config.ini: the line reader on its own, then a Setup page built from the file.

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "fuzz/fuzz_directory.h"
#include "setup/config_ini.h"
#include "setup/setup_page.h"

namespace {

constexpr int kVersion = 909;

struct NullSink : halvo::CommandSink {
    void postOperatorCommand(int, int) override {}
};

bool InList(const halvo::ListControl& list) { return list.selected == -1 || list.hasIndex(list.selected); }
bool InRange(const halvo::SpinControl& spin) { return spin.value >= spin.minimum && spin.value <= spin.maximum; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace halvo;
    const std::string content(reinterpret_cast<const char*>(data), size);

    // Whatever the reader accepts, the writer writes back to the same lines.
    if (const std::optional<ConfigLines> lines = ParseConfigIni(content, kVersion)) {
        const std::optional<ConfigLines> again = ParseConfigIni(FormatConfigIni(kVersion, *lines), kVersion);
        if (!again || !(*again == *lines)) {
            __builtin_trap();
        }
    }

    if (!WriteFileAtomically(halvo::test::FuzzDirectory() + "/Config.ini", content, nullptr)) {
        return 0;
    }
    NullSink sink;
    QuietStationUi ui;
    Setup setup(sink, ui);
    setup.create(kVersion, {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2"}, halvo::test::FuzzDirectory());
    for (const ListControl* list : {&setup.monitorPort, &setup.instrument, &setup.instrumentPort, &setup.baudRate,
                                    &setup.dataBits, &setup.parity, &setup.stopBits, &setup.pattern,
                                    &setup.colorSpaceStep, &setup.calFile, &setup.measurementSpeed}) {
        if (!InList(*list)) {
            __builtin_trap();
        }
    }
    for (const SpinControl* spin : {&setup.measurementWaitSpin, &setup.measurementDelaySpin,
                                    &setup.whitePriorityLevelSpin, &setup.levelSpins[0]}) {
        if (!InRange(*spin)) {
            __builtin_trap();
        }
    }
    // The page always leaves a file of its own version that holds what it shows.
    std::string written;
    if (!ReadWholeFile(setup.configPath(), written, nullptr)) {
        __builtin_trap();
    }
    const std::optional<ConfigLines> stored = ParseConfigIni(written, kVersion);
    if (!stored || (*stored)[kInstrumentLine] != setup.instrument.text() ||
        (*stored)[kMeasurementWaitLine] != std::to_string(setup.measurementWaitMs()) ||
        (*stored)[kDeviationXLine] != setup.deviationX.text) {
        __builtin_trap();
    }
    return 0;
}
