// Arbitrary bytes as the station's results files: as Station.ini (first byte even), and as the
// embedded results database (odd), which a damaged disk or another program may have left. The
// results settings written into the file read back as they were written, and what else the file
// set stays set; the database is read, never altered, and a record found in it can be read whole.

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/file_io.h"
#include "fuzz/fuzz_directory.h"
#include "results/results_settings.h"
#include "results/results_store.h"
#include "results/sqlite_database.h"

namespace {

void Settings(const std::string& text) {
    using namespace halvo::results;
    const halvo::SettingsText file(text);
    ResultsSettings s;
    std::string error;
    ReadResultsSettings(file, s, &error);
    if (s.connectTimeoutSeconds < 1 || s.connectTimeoutSeconds > 300 || s.statementTimeoutSeconds < 1 ||
        s.statementTimeoutSeconds > 300) {
        __builtin_trap();
    }
    // Another part's setting, as the file had it.
    const std::optional<std::string> other = file.value("Calibration", "Fast");
    s.station += "-x";
    s.server += "/y";
    halvo::SettingsText written(file.text());
    WriteResultsSettings(s, written);
    const halvo::SettingsText reread(written.text());
    ResultsSettings back;
    if (!ReadResultsSettings(reread, back, &error) || !(back == s) || reread.value("Calibration", "Fast") != other) {
        __builtin_trap();
    }
}

void Database(const std::string& bytes) {
    using namespace halvo::results;
    const std::string path = halvo::test::FuzzDirectory() + "/results.sqlite";
    if (!halvo::WriteFileAtomically(path, bytes, nullptr)) {
        return;
    }
    {
        std::string error;
        auto db = SqliteDatabase::Open(path, SqliteDatabase::Mode::ReadOnly, 0, &error);
        if (db) {
            ResultsStore store(*db);
            if (store.open(false).status == SchemaStatus::Ready) {
                std::vector<RunRecord> runs;
                if (store.list(RunFilter(), runs, &error)) {
                    for (const RunRecord& r : runs) {
                        store.get(r.runId, &error);
                    }
                }
            }
        }
    }
    std::string after;
    if (!halvo::ReadWholeFile(path, after, nullptr) || after != bytes) {
        __builtin_trap();  // reading changed the file
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        Settings(rest);
    } else {
        Database(rest);
    }
    return 0;
}
