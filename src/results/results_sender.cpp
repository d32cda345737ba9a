#include "results/results_sender.h"

#include <chrono>

namespace halvo::results {

ResultsSender::ResultsSender(std::string localPath, std::string serverUrl, PgTimeouts timeouts, int closingGraceMs)
    : state_(std::make_shared<State>()), closingGraceMs_(closingGraceMs) {
    state_->localPath = std::move(localPath);
    state_->url = std::move(serverUrl);
    state_->timeouts = timeouts;
    worker_ = std::thread(Work, state_);
}

ResultsSender::~ResultsSender() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->stopping = true;
    state_->changed.notify_all();
    // A round under way (or asked for) may finish within the grace; then it is given up, which
    // its bounded waits notice within a fraction of a second.
    state_->changed.wait_for(lock, std::chrono::milliseconds(closingGraceMs_),
                             [&] { return !state_->busy && !state_->kicked; });
    state_->abort = true;
    state_->changed.notify_all();
    const bool done =
        state_->changed.wait_for(lock, std::chrono::milliseconds(1000), [&] { return state_->finished; });
    lock.unlock();
    if (done) {
        worker_.join();
    } else {
        // Still inside a call that cannot be interrupted (a host name being looked up): it owns
        // its state and ends on its own; the records it holds stay queued.
        worker_.detach();
    }
}

void ResultsSender::kick() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->kicked = true;
    state_->changed.notify_all();
}

bool ResultsSender::waitIdle(int ms) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->changed.wait_for(lock, std::chrono::milliseconds(ms),
                                    [&] { return !state_->busy && !state_->kicked; });
}

SyncCounts ResultsSender::lastRound() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->last;
}

int ResultsSender::rounds() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->rounds;
}

void ResultsSender::Work(const std::shared_ptr<State>& state) {
    std::unique_lock<std::mutex> lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->kicked || state->abort || (state->stopping && !state->kicked); });
        if (state->abort || (state->stopping && !state->kicked)) {
            break;
        }
        state->kicked = false;
        state->busy = true;
        lock.unlock();
        const SyncCounts counts = SyncToServer(state->localPath, state->url, state->timeouts, &state->abort, {});
        lock.lock();
        state->last = counts;
        ++state->rounds;
        state->busy = false;
        state->changed.notify_all();
    }
    state->finished = true;
    state->changed.notify_all();
}

}  // namespace halvo::results
