#pragma once

// The worker that sends queued records to the line's server, away from the thread the
// station's steps run on. A run's end only wakes it; the worker then empties the queue with
// bounded waits. When the station closes, an attempt still under way gets a short grace to
// finish and is then given up, the records staying queued.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "results/results_sync.h"

namespace halvo::results {

class ResultsSender {
public:
    ResultsSender(std::string localPath, std::string serverUrl, PgTimeouts timeouts, int closingGraceMs = 2000);
    ~ResultsSender();
    ResultsSender(const ResultsSender&) = delete;
    ResultsSender& operator=(const ResultsSender&) = delete;

    // Sends what is queued, soon, on the worker. Never waits.
    void kick();
    // Waits until the worker has nothing to do, at most ms; true when it has finished.
    bool waitIdle(int ms);
    // How the last round went, and how many rounds ended.
    SyncCounts lastRound() const;
    int rounds() const;

    const std::string& serverUrl() const { return state_->url; }

private:
    struct State {
        std::string localPath;
        std::string url;
        PgTimeouts timeouts;
        std::mutex mutex;
        std::condition_variable changed;
        bool kicked = false;
        bool busy = false;
        bool stopping = false;
        bool finished = false;
        std::atomic<bool> abort{false};
        SyncCounts last;
        int rounds = 0;
    };
    static void Work(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread worker_;
    int closingGraceMs_;
};

}  // namespace halvo::results
