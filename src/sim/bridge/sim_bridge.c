#include "sim/bridge/sim_bridge.h"

static const HalvoSimHooks* current_hooks = 0;

void halvo_sim_set_hooks(const HalvoSimHooks* hooks) {
    current_hooks = hooks;
}

const HalvoSimHooks* halvo_sim_hooks(void) {
    return current_hooks;
}
