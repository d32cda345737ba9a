#include "station/link_indicators.h"

namespace halvo {

void LinkIndicators::step(Link& link, int bytes, bool force) {
    if (force) {
        link.misses = kMissesBeforeDown;
    }
    // Counting from 0 after data makes the sixth empty poll in a row the one that takes the link
    // down, while a fresh or forced counter (5) goes down on its first empty poll.
    if (bytes > 0) {
        link.misses = 0;
        link.alive = true;
    } else {
        ++link.misses;
        if (link.misses > kMissesBeforeDown) {
            link.alive = false;
        }
    }
    if (link.alive != link.shown) {
        link.shown = link.alive;
        ++iconChanges_;
    }
}

void LinkIndicators::update(int monitorBytes, int instrumentBytes, bool force) {
    step(monitor_, monitorBytes, force);
    step(instrument_, instrumentBytes, force);
}

}  // namespace halvo
