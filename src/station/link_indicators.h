#pragma once

// The two link indicators of the main window: a link is alive from the first poll that brings
// bytes until more than five polls in a row bring none.

namespace halvo {

class LinkIndicators {
public:
    static constexpr int kMissesBeforeDown = 5;

    // After each poll, with the bytes just received from each device. force: take both counters
    // as just started (connect, disconnect), so the first empty poll shows the link down.
    void update(int monitorBytes, int instrumentBytes, bool force);

    bool monitorAlive() const { return monitor_.alive; }
    bool instrumentAlive() const { return instrument_.alive; }
    // What the icons show; changes only when the state differs from the one shown.
    bool monitorShown() const { return monitor_.shown; }
    bool instrumentShown() const { return instrument_.shown; }
    // How often an icon was switched (the window redraws then).
    int iconChanges() const { return iconChanges_; }

private:
    struct Link {
        int misses = kMissesBeforeDown;
        bool alive = false;
        bool shown = false;
    };
    void step(Link& link, int bytes, bool force);

    Link monitor_;
    Link instrument_;
    int iconChanges_ = 0;
};

}  // namespace halvo
