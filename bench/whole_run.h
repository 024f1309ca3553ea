#pragma once

namespace kinelab::bench {

// Registers whole_run/<window>/N:<N> for every simulation window of the registry.
void register_whole_runs();

}  // namespace kinelab::bench
