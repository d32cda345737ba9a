#pragma once

// The two stores a test runs against: a fresh embedded database file, or a fresh database on
// the throwaway PostgreSQL server that the test program starts once.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "results/pg_database.h"
#include "results/results_store.h"
#include "results/sqlite_database.h"
#include "support/scratch_postgres.h"

namespace halvo::test {

enum class Backend { Sqlite, Postgres };

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

// The server of the whole test program, started at the first use. A server that cannot be
// started fails the test: these tests are never skipped.
inline ScratchPostgres* SharedServer() {
    static std::unique_ptr<ScratchPostgres> server;
    static std::string error;
    if (!server && error.empty()) {
        server = ScratchPostgres::Start(&error);
    }
    if (!server) {
        ADD_FAILURE() << "the test's PostgreSQL server: " << error;
    }
    return server.get();
}

// A database of its own for each test on the shared server; its URL, or "" after a failure.
inline std::string FreshServerDatabase() {
    static std::atomic<int> counter{0};
    ScratchPostgres* server = SharedServer();
    if (server == nullptr) {
        return {};
    }
    const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    std::string error;
    if (!server->createDatabase(name, &error)) {
        ADD_FAILURE() << error;
        return {};
    }
    return server->url(name);
}

inline std::string ScratchFile(const std::string& name) {
    const std::string dir = ::testing::TempDir() + "halvo_results_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + name;
    std::filesystem::remove(path);
    return path;
}

inline std::unique_ptr<results::SqlDatabase> OpenBackend(Backend backend, std::string* place = nullptr) {
    std::string error;
    std::unique_ptr<results::SqlDatabase> db;
    if (backend == Backend::Sqlite) {
        const std::string* test = nullptr;
        (void)test;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name() + ".sqlite";
        for (char& c : name) {
            c = c == '/' ? '_' : c;
        }
        const std::string path = ScratchFile(name);
        db = results::SqliteDatabase::Open(path, results::SqliteDatabase::Mode::Create, 2000, &error);
        if (place != nullptr) {
            *place = path;
        }
    } else {
        const std::string url = FreshServerDatabase();
        if (url.empty()) {
            return nullptr;
        }
        db = results::PgDatabase::Connect(url, {3000, 30000}, nullptr, &error);
        if (place != nullptr) {
            *place = url;
        }
    }
    EXPECT_TRUE(db) << error;
    return db;
}

}  // namespace halvo::test
