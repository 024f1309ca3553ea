#pragma once
// What the orvak and zelko windows share: the unit geometry table, the common controls of a
// parallel-mechanism window, the drawing scale taken from the surface width, drawing in world
// coordinates, and the status note about legs of zero length.
#include <string>
#include <vector>

#include "app/sim_window.h"
#include "mechanisms/orvak/orvak_unit.h"

namespace kinelab {

// The joint table Text3 (ax), Text6 (ay), Text12 (az), Text1 (Bx), Text2 (By), Text8 (Bz),
// columns "link1".."link3", and the column length Text7 "原点間距離", with their defaults.
std::vector<control_grid> orvak_geometry_tables(controls& c);
// Reads that table. Throws field_error.
void read_orvak_geometry(const controls& c, orvak_geometry& g, double& d);

// The time slider HScroll2 with the step readout Text5, the caption label Label4 "動画", the
// profile options, the Run / Stop / next figure buttons and the parallel windows' style.
void declare_parallel_controls(window_decl& d);

// The start and stop posture of the orvak windows: rows "alfa", "beta", "ganma" with the start
// fields Text9(0..2) (empty until the sliders fill them), the stop fields Text10(0..2) ("0")
// and the pose sliders HScroll1(0..2) in whole degrees, −180..180.
control_grid orvak_posture_table(controls& c);

// Text11(0..5) in one row under a single caption.
control_grid pose_readout_row(controls& c, const std::string& caption,
                              const std::vector<std::string>& field_captions);


// Drawing in world coordinates through the view.
void world_dot(surface& s, const view_params& v, const kin_state& p, int colour);
void world_line(surface& s, const view_params& v, const kin_state& p, const kin_state& q,
                int colour);
// The frame of posture `posture` at `origin`: its x, y, z axes L/10 long in colours 1, 2, 4.
void draw_posture_frame(surface& s, const view_params& v, const kin_state& origin,
                        const kin_state& posture, double L);

// Counts, per leg, the steps of a Run at which a leg had zero length (its rate and
// acceleration were set to 0) and says so for the status line.
class zero_leg_log {
 public:
  void clear() { *this = zero_leg_log(); }
  // `unit` names the legs in the note ("" for a single set of legs, "upper " …).
  void note(const orvak_legs& legs, int step, int unit = 0);
  std::string text() const;

 private:
  struct entry {
    int count = 0, first_step = -1;
  };
  entry legs_[3][4];  // [unit][leg 1..3]
};

}  // namespace kinelab
