#pragma once

namespace kinelab::bench {

// Registers dump_singularity/<window> and dump_csv/<window> (N = 100 000) for every simulation
// window of the registry.
void register_dumps();

}  // namespace kinelab::bench
