#pragma once

namespace kinelab::bench {

// Registers mechanism_run/<file>/<kind>/N:10000 for the example arms.
void register_mechanism_runs();

}  // namespace kinelab::bench
