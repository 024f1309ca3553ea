// form_drav_jun and form_selvo_jun: the six sliders follow the motion profile from their start
// positions (set by the sliders) to their stop positions, and the platform pose is found by
// Newton–Raphson, each step starting from the solution of the step before.
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

#include "app/window/decl_builder.h"
#include "app/window/parallel_controls.h"
#include "core/angles.h"
#include "core/number_text.h"
#include "core/pose.h"
#include "mechanisms/platform/platform_logic.h"
#include "mechanisms/rail/rail_window.h"

namespace kinelab {

namespace {

class rail_forward_logic : public platform_forward_logic<rail_model> {
 public:
  explicit rail_forward_logic(const rail_forward_variant& v)
      : platform_forward_logic(v.outputs), v_(v) {}

  void on_open(sim_window&) override {
    // The first guess: the platform level, opening_height above the plane of the rails.
    clear_state(pp(0));
    pp(0).z = opening_height;
    clear_state(sp(0));
    start_pose_ = {{pp(0), sp(0)}};
  }

 protected:
  void parameters_read(sim_window& w, bool) override {
    // The start positions are slider settings: whatever was typed into them is replaced.
    const start_stop_fields& f = rail_start_stop;
    for (int k = 0; k < rail_leg_count; ++k) {
      const rail_start_source& src = v_.start[static_cast<std::size_t>(k)];
      w.ctl.set_number(
          f.start, f.start_index(k),
          w.ctl.slider_at(f.sliders, src.slider).value / rail_model::slider_units_per_length +
              src.offset);
    }
  }

  void static_goals(sim_window& w) override {
    const start_stop_fields& f = rail_start_stop;
    for (int k = 1; k <= rail_leg_count; ++k)
      goal_(k) = w.ctl.number(f.start, f.start_index(k - 1));
  }

  void store_static(const rail_joint_states& joints) override {
    store_joints(0, joints);
    for (int k = 1; k <= rail_leg_count; ++k) actuator(k, 0).x = goal_(k);
  }

  void store_solved(int i, const rail_joint_states& joints) override {
    for (int k = 1; k <= rail_leg_count; ++k)
      actuator(k, i) = {goal_(k), goal_rate_(k), goal_acc_(k)};
    store_joints(i, joints);
  }

 private:
  static constexpr double opening_height = 0.25;

  // Solves for the goals from q. Where the rods cannot take q at all (a geometry edited since
  // q was solved, shorter rods), the solve starts again from the opening pose fitted into the
  // geometry: level, at the opening height scaled by the rods' length, or lower where the
  // rods still do not reach; the solve from q is kept where none of these can be taken either.
  nr_outcome solve(double tolerance, pose& q, rail_joint_states& joints) override {
    pose start = q;
    nr_outcome out = rail_forward(geometry_, tolerance, goal_, goal_rate_, goal_acc_, q.position,
                                  q.posture, joints);
    if (warm_start<pose>::took_its_start(out)) return out;
    if (const std::optional<pose> fitted = fitted_opening_pose()) {
      start = *fitted;
      const nr_outcome again = rail_forward(geometry_, tolerance, goal_, goal_rate_, goal_acc_,
                                            start.position, start.posture, joints);
      if (warm_start<pose>::took_its_start(again)) {
        q = start;
        return again;
      }
    }
    start = q;
    out = rail_forward(geometry_, tolerance, goal_, goal_rate_, goal_acc_, start.position,
                       start.posture, joints);
    q = start;
    return out;
  }

  std::optional<pose> fitted_opening_pose() const {
    const double default_rod = *parse_number(rail_default_texts.rod_length);
    const double scaled = opening_height * geometry_.rod_length / default_rod;
    // The level pose at height z above the origin reaches every rail while z² ≤ L² − e², e the
    // joint's offset from its rail across it.
    double room = geometry_.rod_length * geometry_.rod_length;
    for (int k = 1; k <= rail_leg_count; ++k) {
      const double e = geometry_.By(k) - geometry_.ay(k);
      room = std::min(room, geometry_.rod_length * geometry_.rod_length - e * e);
    }
    if (!(room > 0) || !std::isfinite(room)) return std::nullopt;
    const double highest = std::sqrt(room);
    pose p;
    for (const double z : {opening_height, scaled, highest * 0.75, highest * 0.5}) {
      p.position.z = z;
      if (z > 0 && z < highest) return p;
    }
    return std::nullopt;
  }

  const rail_forward_variant& v_;
};

}  // namespace

window_decl rail_forward_window(const rail_forward_variant& v) {
  window_decl d;
  d.name = v.name;
  d.title = v.title;
  controls& c = d.initial;
  declare_rail_geometry(d, false, true);

  const char* stops[] = {"0.15", "0.25", "-0.29", "-0.29", "0.25", "0.15"};
  // Sliders of legs 3 and 4 (σ = −1) run on the −x side of the platform.
  const slider ranges[] = {{0, 80, 25, true},   {0, 80, 35, true}, {-80, 0, -37, true},
                           {-80, 0, -37, true}, {0, 80, 35, true}, {0, 80, 25, true}};
  std::vector<start_stop_row> rows;
  for (int k = 0; k < rail_leg_count; ++k) {
    slider range = ranges[k];
    range.enabled = v.start[static_cast<std::size_t>(k)].slider == k;
    rows.push_back(rail_start_stop.row(k, "Bx" + std::to_string(k + 1), "", stops[k], range));
  }
  d.layout.push_back(start_stop_table(c, "", {"", "start", "stop"}, rows));

  std::vector<readout_row> readout_rows;
  const char* readout_captions[] = {"出力Pｘ", "出力Pｙ", "出力Pｚ", "ロール", "ピッチ", "ヨー"};
  for (int k = 0; k < 6; ++k) readout_rows.push_back({readout_captions[k], rail_readouts, k, ""});
  control_grid readouts = readout_table(c, "", readout_rows);
  mark_readouts(c, rail_readouts);
  for (std::size_t k = 3; k < 6; ++k) readouts.rows[k].push_back(text_cell("(deg)"));
  d.layout.push_back(readouts);

  declare_parallel_controls(d, {"Stop", true});
  d.graphs = v.outputs.graphs;
  // The sliders without a graph (dravik's legs 2, 4, 6) are named by their rows as well.
  for (int k = 1; k <= rail_leg_count; ++k) {
    const std::string n = std::to_string(k);
    if (!graph_of(d, "bx" + n, 'x')) d.quantities.push_back({"", "bx" + n, 'x', "Bx" + n});
  }
  // dravik's solve moves the posture as well: all six sliders are targets.
  d.solved_variables = {{"pp", 'x', false}, {"pp", 'y', false}, {"pp", 'z', false},
                        {"sp", 'x', true},  {"sp", 'y', true},  {"sp", 'z', true}};
  d.branch = solution_branch::assembly_mode;
  d.make_logic = [&v] { return std::make_unique<rail_forward_logic>(v); };
  return d;
}

const window_decl& form_drav_jun() {
  // Legs 1, 3, 5 are driven; legs 2, 4, 6 start at the pairs' offsets +0.1, 0, −0.1 (the x
  // offsets of the pairs' joints in the default geometry, not recomputed from ax).
  static const rail_forward_variant variant{"form_drav_jun",
                                            "drav_jun",
                                            {{{0, 0}, {0, 0.1}, {2, 0}, {2, 0}, {4, 0}, {4, -0.1}}},
                                            drav_outputs(true)};
  static const window_decl decl = rail_forward_window(variant);
  return decl;
}

const window_decl& form_selvo_jun() {
  static const rail_forward_variant variant{"form_selvo_jun",
                                            "selvo_jun",
                                            {{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}}},
                                            selvo_outputs(true)};
  static const window_decl decl = rail_forward_window(variant);
  return decl;
}

}  // namespace kinelab
