#pragma once
// What the orvak and zelko windows share: the unit geometry table, the start/stop table and
// the readouts, the drawing scale taken from the surface width, drawing in world coordinates,
// and the legs of zero length for the status note.
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "app/window/start_stop_fields.h"
#include "mechanisms/orvak/orvak_unit.h"

namespace kinelab {

// The start/stop table, one row per driven angle or pose coordinate, and the six readouts.
inline constexpr start_stop_fields orvak_start_stop{"Text9", "Text10", "HScroll1"};
inline constexpr const char* orvak_readouts = "Text11";

// The joint table Text3 (ax), Text6 (ay), Text12 (az), Text1 (Bx), Text2 (By), Text8 (Bz),
// columns "link1".."link3", and the column length Text7 "原点間距離", with their defaults.
std::vector<control_grid> orvak_geometry_tables(controls& c);
// Reads that table. Throws field_error.
void read_orvak_geometry(const controls& c, orvak_geometry& g, double& d);

// The start and stop posture of the orvak windows: rows "alfa", "beta", "ganma" with the start
// fields Text9(0..2) (empty until the sliders fill them), the stop fields Text10(0..2) ("0")
// and the pose sliders HScroll1(0..2) in whole degrees, −180..180.
control_grid orvak_posture_table(controls& c);

// What both orvak windows declare before their graphs: the joint table with the column length,
// the posture table, the pose readouts and the parallel windows' common controls.
void declare_orvak_controls(window_decl& d);

// The readouts Text11(0..5) in one row under a single caption.
control_grid pose_readout_row(controls& c, const std::string& caption,
                              const std::vector<std::string>& field_captions);

// Drawing in world coordinates through the view.
void world_dot(surface& s, const view_params& v, const kin_state& p, int colour);
void world_line(surface& s, const view_params& v, const kin_state& p, const kin_state& q,
                int colour);
// The frame of posture `posture` at `origin`: its x, y, z axes L/10 long in colours 1, 2, 4.
void draw_posture_frame(surface& s, const view_params& v, const kin_state& origin,
                        const kin_state& posture, double L);

// The legs of zero length as leg_fault_log bits, leg k of the set at bit first_bit + k − 1.
unsigned zero_length_legs(const orvak_legs& legs, int first_bit = 0);

}  // namespace kinelab
