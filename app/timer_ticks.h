#pragma once
// Many timer ticks at once, as kinelab-cli's --tick K and scripts give them.
#include "app/window_model.h"

namespace kinelab {

// The window as after n ticks of its timer, doing only the ticks that change anything: none
// while the timer is off; otherwise the timer walks step_no 0 → N → 0, which after the first
// tick repeats every 2N ticks, so a count of 10^18 ends where its remainder does instead of
// running for ever.
void tick_times(window_model& w, long long n);

}  // namespace kinelab
