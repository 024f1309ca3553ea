#include "app/timer_ticks.h"

#include "app/sim_window.h"

namespace kinelab {

void tick_times(window_model& w, long long n) {
  if (!w.timer_enabled() || n <= 0) return;
  long long k = n;
  if (const auto* sim = dynamic_cast<const sim_window*>(&w); sim && sim->N() >= 1) {
    const long long period = 2LL * sim->N();
    if (n > period) k = 1 + (n - 1) % period;
  }
  for (long long t = 0; t < k; ++t) w.tick();
}

}  // namespace kinelab
