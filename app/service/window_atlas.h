#pragma once
// The atlas of a window as every front end asks for it: the options as typed (kinelab-cli's
// --workspace reads them from its arguments, Python from keywords, the desktop program from
// its workspace panel), the rules for what they leave open, and the atlas of the window as it
// stands. Limits are in the actuators' units as the window shows them (lengths, or degrees for
// a joint), one range per actuator or one for all.
#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/atlas/atlas.h"

namespace kinelab {

class sim_window;

struct workspace_options {
  atlas_request request;
  std::vector<atlas_limit> limits;  // as typed: lengths, or degrees for an angle
  bool mode_given = false;  // without --mode a platform that only turns gets the posture atlas
};

// The atlas's rules for what the options leave open, for every front end: without a mode a
// platform that only turns gets the posture atlas; limits as typed (one range for all
// actuators, or one each) become the request's, in radians for a joint. The problem (in
// `lang`) when the limits do not fit the mechanism.
std::optional<std::string> resolve_request(const atlas_source& src, const workspace_options& o,
                                           atlas_request& r,
                                           ui_language lang = ui_language::english);
// A platform that only turns: its atlas is of postures.
bool posture_only(const atlas_source& src);
// The factor from an actuator's limits as the atlas holds them to as the window shows them
// (degrees per radian for a joint, else 1).
double shown_limit_scale(const atlas_source& src, std::size_t k);

// The status line while the atlas is shown: what the window said of its static pose (a
// failure stays in view), then the atlas's summary.
std::string atlas_status(const atlas_source& src, const atlas_grid& g,
                         ui_language lang = ui_language::english);

// The atlas of the window as it stands, drawn on its picture; the summary on `out`. The
// problem when there is none: `usage` set for what the options asked (too many cells, limits
// that do not fit), clear for what the window said (a field that is not a number).
struct workspace_outcome {
  std::optional<atlas_source> source;
  std::optional<atlas_grid> grid;
  std::string problem;
  bool usage = false;
  bool interrupted = false;  // the window's cancel_requested said to stop
};
workspace_outcome run_workspace(sim_window& w, const workspace_options& o, std::ostream& out);

}  // namespace kinelab
