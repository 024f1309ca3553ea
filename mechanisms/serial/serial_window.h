#pragma once
// What the four serial-arm windows share: the link table, the common controls (view readouts,
// time slider, caption label, profile options, buttons, pose readouts), the pose graphs and
// the drawing of the arm.
#include <string>
#include <vector>

#include "app/window/decl_builder.h"
#include "app/window/sim_window.h"
#include "app/window/start_stop_fields.h"
#include "mechanisms/serial/serial_chain.h"
#include "mechanisms/serial/serial_frames.h"

namespace kinelab {

// Every serial window's start/stop table: row k's start in Text2(2k), its stop in Text2(2k + 1),
// its pose slider HScroll2(k).
inline constexpr start_stop_fields serial_start_stop{"Text2", "Text2", "HScroll2", 2, 1};

// Reads the link table (one text group per joint: hx, hy, hz, alfa, beta in degrees; the last
// group holds P's hx, hy, hz). Throws field_error.
serial_arm read_link_table(const controls& c, const std::vector<std::string>& groups);
// The drawing size L: Σ|hx| + Σ|hy| + Σ|hz| over every link.
double arm_size(const serial_arm& arm);

// The arms' link table groups (J1..Jn, P), their defaults and their result headers, shared by
// each arm's forward and inverse windows.
std::vector<std::string> three_axis_link_groups();
std::vector<std::vector<std::string>> three_axis_link_defaults();
std::string three_axis_result_header();
std::vector<std::string> six_axis_link_groups();
std::vector<std::vector<std::string>> six_axis_link_defaults();
std::string six_axis_result_header();

// The link table grid with columns "J1".."Jn", "出力P" and rows "hx".."beta", "ganma".
control_grid link_table(controls& c, const std::vector<std::string>& groups,
                        const std::vector<std::vector<std::string>>& defaults);

// What every serial window declares alike: the link table, the start/stop table, the common
// controls and the graphs. make_logic is the caller's.
window_decl serial_decl(std::string name, std::string title, int joints,
                        const std::vector<std::string>& link_groups,
                        const std::vector<std::vector<std::string>>& link_defaults,
                        const std::vector<start_stop_row>& start_stop);

// View readouts Text3, time slider HScroll1 with step readout Text5, caption label Label6,
// Option1, the Run / Stop / next figure buttons and the pose readouts Text4(0..5); P's captions
// name `unit` where one is given.
void declare_serial_controls(window_decl& d, const std::string& unit = "");
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

// What every serial-arm window keeps and shows: the arm read from its link table, the arrays
// p2..p(n+1), s(n+1) and the1..then, the drawing, the readouts and the result rows
// (i, the joint angles in degrees, P, the posture in degrees).
class serial_logic : public window_logic {
 public:
  serial_logic(int joints, std::vector<std::string> link_groups, std::string result_header);

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override;
  const std::vector<kin_state>* output_path() const override { return points_.back(); }
  void fill_readouts(sim_window& w, int i) override;
  void write_header(result_text& out) const override;
  void write_row(result_text& out, int i) const override;
  // ∂(P, tool posture)/∂θ at the stored angles: 3×3 (P only) for three joints, 6×6 for six.
  bool jacobian_at(int i, jacobian_matrix& J) const override;
  // Sampled over the1..then; the output point P binned, the Jacobian of jacobian_at.
  std::optional<atlas_mechanism> atlas() const override;

 protected:
  int links() const { return joints_count_ + 1; }
  // Reads the link table into the arm, p1 and the drawing size; throws field_error before
  // anything changes.
  void read_arm(sim_window& w);
  // Stores step i: the joint histories and, from the chain, p2..p(n+1) and s(n+1).
  void store_step(int i, const link_array& the, const link_array& dthe, const link_array& ddthe);

  serial_arm arm_;

 private:
  int joints_count_;
  std::vector<std::string> link_groups_;
  std::string result_header_;
  kin_state p1_;
  arm_twists twists_;                            // of arm_, for jacobian_at
  std::vector<std::vector<kin_state>*> points_;  // p2 .. p(n+1)
  std::vector<kin_state>* posture_;              // s(n+1)
  std::vector<std::vector<scalar_state>*> joints_;  // the1 .. then
};

}  // namespace kinelab
