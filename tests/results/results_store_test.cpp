// The results store over both databases: every kind of record comes back whole, a record sent
// twice is kept once, and the lists, counts and failing items answer what was asked.

#include <algorithm>

#include "results/results_store.h"
#include "results/store_backends.h"
#include "results/sample_records.h"

namespace halvo {
namespace {

using results::PutResult;
using results::RunFilter;
using results::RunKind;
using results::RunOutcome;
using results::RunRecord;
using test::Backend;

class Store : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        db = test::OpenBackend(GetParam());
        ASSERT_TRUE(db);
        store = std::make_unique<results::ResultsStore>(*db);
        ASSERT_EQ(store->open(true).status, results::SchemaStatus::Ready);
    }
    void put(const RunRecord& r, bool queue = false) {
        std::string error;
        ASSERT_EQ(store->put(r, queue, &error), PutResult::Stored) << error;
    }
    std::vector<RunRecord> list(const RunFilter& f) {
        std::vector<RunRecord> runs;
        std::string error;
        EXPECT_TRUE(store->list(f, runs, &error)) << error;
        return runs;
    }
    std::unique_ptr<results::SqlDatabase> db;
    std::unique_ptr<results::ResultsStore> store;
};

TEST_P(Store, EveryKindOfRecordComesBackWholeWithItsCalTextByteForByte) {
    for (const RunRecord& r : test::OneOfEachKind()) {
        SCOPED_TRACE(results::RunKindName(r.kind));
        put(r);
        std::string error;
        const std::optional<RunRecord> back = store->get(r.runId, &error);
        ASSERT_TRUE(back) << error;
        EXPECT_EQ(*back, r);
        if (r.calText) {
            ASSERT_TRUE(back->calText);
            EXPECT_EQ(back->calText->size(), r.calText->size());
            EXPECT_TRUE(std::equal(back->calText->begin(), back->calText->end(), r.calText->begin()));
        }
    }
    // A record without .cal or log keeps them absent, not empty.
    RunRecord bare = test::SampleRecord(RunKind::EepromRead, 9);
    bare.logText.reset();
    put(bare);
    std::string error;
    const std::optional<RunRecord> back = store->get(bare.runId, &error);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->logText);
    EXPECT_FALSE(back->calText);
    EXPECT_FALSE(store->get("no-such-run", &error));
    EXPECT_TRUE(error.empty()) << "a missing run is no failure";
}

TEST_P(Store, ARecordSentTwiceIsKeptOnceWithItsItemsOnce) {
    const RunRecord r = test::SampleRecord(RunKind::Verification, 2);
    put(r);
    RunRecord again = r;
    again.operatorName = "someone else";  // what is kept is the first
    std::string error;
    EXPECT_EQ(store->put(again, false, &error), PutResult::AlreadyStored) << error;
    int64_t n = 0;
    ASSERT_TRUE(store->count(RunFilter(), n, &error));
    EXPECT_EQ(n, 1);
    const std::optional<RunRecord> back = store->get(r.runId, &error);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->items.size(), r.items.size());
    EXPECT_EQ(back->operatorName, r.operatorName);
}

TEST_P(Store, ListsAnswerTheFilterNewestFirst) {
    std::vector<RunRecord> all;
    for (int n = 0; n < 12; ++n) {
        all.push_back(test::SampleRecord(n % 2 ? RunKind::Verification : RunKind::Calibration, n));
        put(all.back());
    }
    std::vector<RunRecord> runs = list(RunFilter());
    ASSERT_EQ(runs.size(), 12u);
    EXPECT_TRUE(std::is_sorted(runs.begin(), runs.end(),
                               [](const RunRecord& a, const RunRecord& b) { return a.startedAt > b.startedAt; }));
    EXPECT_TRUE(runs[0].items.empty() && !runs[0].calText && !runs[0].logText) << "lists stay light";

    RunFilter f;
    f.calibrationId = "VRL000003";
    runs = list(f);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].runId, all[3].runId);

    f = RunFilter();
    f.serialNumber = "SN1007";
    ASSERT_EQ(list(f).size(), 1u);

    f = RunFilter();
    f.station = "line-1";
    EXPECT_EQ(list(f).size(), 4u);

    f = RunFilter();
    f.since = all[9].startedAt.substr(0, 16);  // to the minute: the run itself counts
    EXPECT_EQ(list(f).size(), 3u);
    f.since = "2099-01-01";
    EXPECT_TRUE(list(f).empty());

    f = RunFilter();
    f.kinds = {RunKind::Verification};
    f.outcomes = {RunOutcome::Failed};
    runs = list(f);
    ASSERT_EQ(runs.size(), 3u);  // 3, 7, 11
    for (const RunRecord& r : runs) {
        EXPECT_EQ(r.kind, RunKind::Verification);
        EXPECT_EQ(r.outcome, RunOutcome::Failed);
    }
    f.outcomes = {RunOutcome::Failed, RunOutcome::Completed};
    EXPECT_EQ(list(f).size(), 6u);

    f = RunFilter();
    f.limit = 5;
    EXPECT_EQ(list(f).size(), 5u);
    int64_t n = 0;
    std::string error;
    ASSERT_TRUE(store->count(f, n, &error));
    EXPECT_EQ(n, 12) << "the count ignores the limit";
}

TEST_P(Store, FailingItemsAreCountedOverTheFilteredRuns) {
    put(test::SampleRecord(RunKind::Verification, 1));
    put(test::SampleRecord(RunKind::Verification, 2));
    RunRecord other = test::SampleRecord(RunKind::Verification, 3);
    other.station = "elsewhere";
    other.items[3].verdict = "OR";
    put(other);
    std::vector<results::ItemCount> items;
    std::string error;
    ASSERT_TRUE(store->failingItems(RunFilter(), items, &error)) << error;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].count, 3);
    EXPECT_EQ(items[1].count, 3);
    EXPECT_EQ(items[2].test, "Gamma");
    EXPECT_EQ(items[2].item, "BT-709");
    EXPECT_EQ(items[2].count, 1);
    RunFilter f;
    f.station = "line-1";
    items.clear();
    ASSERT_TRUE(store->failingItems(f, items, &error));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].count, 1);
}

TEST_P(Store, ARunIsFoundByTheStartOfItsIdAndOnlyWhenThatIsUnique) {
    RunRecord a = test::SampleRecord(RunKind::Aging, 1);
    RunRecord b = test::SampleRecord(RunKind::Aging, 2);
    a.runId = "ab12_x";
    b.runId = "ab12%y";
    put(a);
    put(b);
    std::vector<std::string> ids;
    std::string error;
    ASSERT_TRUE(store->matchRunIds("ab12_", ids, &error)) << error;
    ASSERT_EQ(ids.size(), 1u) << "'_' is no wildcard";
    EXPECT_EQ(ids[0], "ab12_x");
    ids.clear();
    ASSERT_TRUE(store->matchRunIds("ab12", ids, &error));
    EXPECT_EQ(ids.size(), 2u);
    ids.clear();
    ASSERT_TRUE(store->matchRunIds("zz", ids, &error));
    EXPECT_TRUE(ids.empty());
}

TEST_P(Store, TheQueueHoldsWhatWaitsAndHowItsSendingWent) {
    const RunRecord a = test::SampleRecord(RunKind::Calibration, 1);
    const RunRecord b = test::SampleRecord(RunKind::Copy, 2);
    put(a, true);
    put(b, true);
    std::string error;
    // Queued again when already there: still once.
    EXPECT_EQ(store->put(a, true, &error), PutResult::AlreadyStored);
    std::vector<results::QueuedRun> q;
    ASSERT_TRUE(store->queued(q, &error)) << error;
    ASSERT_EQ(q.size(), 2u);
    ASSERT_TRUE(store->noteAttempt(a.runId, "connection refused", &error));
    ASSERT_TRUE(store->noteAttempt(a.runId, "timed out", &error));
    q.clear();
    ASSERT_TRUE(store->queued(q, &error));
    const auto qa = std::find_if(q.begin(), q.end(), [&](const results::QueuedRun& x) { return x.runId == a.runId; });
    ASSERT_NE(qa, q.end());
    EXPECT_EQ(qa->attempts, 2);
    EXPECT_EQ(qa->lastError, "timed out");
    ASSERT_TRUE(store->unqueue(a.runId, &error));
    q.clear();
    ASSERT_TRUE(store->queued(q, &error));
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q[0].runId, b.runId);
}

TEST_P(Store, TextThatIsNotUtf8IsKeptReadable) {
    RunRecord r = test::SampleRecord(RunKind::Calibration, 1);
    r.operatorName = "J\xf6rg";  // Latin-1, as an old settings file may hold it
    put(r);
    std::string error;
    const std::optional<RunRecord> back = store->get(r.runId, &error);
    ASSERT_TRUE(back) << error;
    // The embedded file keeps the bytes; the server, whose text is UTF-8, the same letters.
    EXPECT_EQ(back->operatorName, GetParam() == Backend::Sqlite ? "J\xf6rg" : "J\u00f6rg");
    EXPECT_EQ(back->calText, r.calText);
}

INSTANTIATE_TEST_SUITE_P(Results, Store, ::testing::Values(Backend::Sqlite, Backend::Postgres), test::BackendName);

}  // namespace
}  // namespace halvo
