#pragma once
// What the four serial-arm windows share: the link table, the common controls (view readouts,
// time slider, caption label, profile options, buttons, pose readouts), the pose graphs and
// the drawing of the arm.
#include <string>
#include <vector>

#include "app/sim_window.h"
#include "mechanisms/serial/serial_chain.h"

namespace kinelab {

// The arm read from its link table: links 1..n carry joints, link n + 1 is the output point P
// (zero twist). Lengths in the user's unit, twists in radians.
struct serial_arm {
  int links = 0;  // joints + 1
  link_array hx, hy, hz, alfa, beta;
};

// Reads the link table (one text group per joint: hx, hy, hz, alfa, beta in degrees; the last
// group holds P's hx, hy, hz). Throws field_error.
serial_arm read_link_table(const controls& c, const std::vector<std::string>& groups);
// The drawing size L: Σ|hx| + Σ|hy| + Σ|hz| over every link.
double arm_size(const serial_arm& arm);

// The link table grid with columns "J1".."Jn", "出力P" and rows "hx".."beta", "ganma".
control_grid link_table(controls& c, const std::vector<std::string>& groups,
                        const std::vector<std::vector<std::string>>& defaults);

// View readouts Text3, time slider HScroll1 with step readout Text5, caption label Label6,
// Option1, the Run / Stop / next figure buttons and the pose readouts Text4(0..5).
void declare_serial_controls(window_decl& d);
// The six graphs of P and of the tool posture, from the point and posture arrays.
void add_pose_graphs(window_decl& d, const std::string& point, const std::string& posture);
// "the1 dthe1 ddthe1" … for every joint array.
void add_joint_graphs(window_decl& d, int joints);

// Draws the arm at one step: the base dot, the dots and links of p1..p_{n+1}, and the tool
// frame (axes L/10 long) at the last point.
void draw_serial_arm(surface& s, const view_params& v, const std::vector<kin_state>& points,
                     const kin_state& tool_posture, double L);

// Pose readouts Text4(0..5): P and the posture in degrees.
void show_pose_readouts(controls& c, const kin_state& p, const kin_state& posture);

}  // namespace kinelab
