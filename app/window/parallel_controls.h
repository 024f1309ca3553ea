#pragma once
// The controls every parallel-mechanism window has after its own tables.
#include <string>

#include "app/window/sim_window.h"

namespace kinelab {

// Where the parallel windows' common controls differ.
struct parallel_controls {
  std::string stop_caption = "Stop";  // the Stewart windows say "stop"
  // Label1 "start     stop" over the start and stop columns (the Stewart and rail windows).
  bool start_stop_heading = false;
};

// The parallel windows' style, the time slider with its step readout, the caption label "動画",
// the profile options and the Run / stop / next figure buttons.
void declare_parallel_controls(window_decl& d, const parallel_controls& p = {});

}  // namespace kinelab
