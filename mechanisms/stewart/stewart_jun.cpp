// form_stewart_jun: the six legs follow the motion profile from their start lengths (set by the
// sliders) to their stop lengths, and the platform pose is found by Newton–Raphson, each step
// starting from the solution of the step before.
#include <memory>

#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "core/pose.h"
#include "mechanisms/platform/platform_logic.h"
#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

namespace {

// The static pose is solved to this tolerance whatever the tolerance field holds.
constexpr double static_solve_tolerance = 0.01;

class stewart_forward_logic : public platform_forward_logic<stewart_model> {
 public:
  stewart_forward_logic()
      : platform_forward_logic(
            "i, pp(i).x, pp(i).y, pp(i).z, the1(i), THE2(i), THE3(i), the4(i), the5(i), the6(i)") {}

 protected:
  void parameters_read(sim_window& w, bool first) override {
    if (!first) return;
    // The first guess: the platform level, half a platform size above the base.
    clear_state(pp(0));
    pp(0).z = w.draw_size / 2;
    clear_state(sp(0));
    start_pose_ = {{pp(0), sp(0)}};
  }

  void static_goals(sim_window& w) override {
    // The lengths come from the sliders.
    const start_stop_fields& f = stewart_start_stop;
    for (int k = 1; k <= stewart_leg_count; ++k) {
      goal_(k) = w.ctl.slider_at(f.sliders, k - 1).value / stewart_model::slider_units_per_length;
      w.ctl.set_number(f.start, f.start_index(k - 1), goal_(k));
    }
  }

  double static_pose_tolerance() const override { return static_solve_tolerance; }

  nr_outcome solve(double tolerance, pose& q, platform_joints& joints) override {
    return newton_fk_stewart(tolerance, geometry_, goal_, goal_rate_, goal_acc_, q.position,
                             q.posture, joints);
  }

  void store_static(const platform_joints& joints) override { store_joints(0, joints); }

  void store_solved(int i, const platform_joints&) override {
    // The legs as the solved pose makes them, with the solved rates.
    stewart_leg_set legs;
    platform_joints joints;
    inverse(pp(i), sp(i), legs, joints);
    store_step(i, legs, joints);
  }
};

}  // namespace

const window_decl& form_stewart_jun() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "form_stewart_jun";
    d.title = "stewart_jun";
    controls& c = d.initial;
    declare_stewart_geometry(d, "第１関節");
    d.layout.push_back(
        readout_table(c, "", {{"許容誤差", stewart_model::tolerance_field, 0, "0.001"}}, false));

    std::vector<start_stop_row> rows;
    for (int k = 0; k < stewart_leg_count; ++k)
      rows.push_back(stewart_start_stop.row(k, "L" + std::to_string(k + 1), "2", "3",
                                            slider{0, 40, 20, true}));
    d.layout.push_back(start_stop_table(c, "", {"", "start", "stop"}, rows));

    const char* captions[] = {"Px", "Py", "Pz", "alfa", "beta", "ganma"};
    control_grid pose;
    pose.title = "Px    Py    Pz    alfa   beta   ganma";
    pose.rows.resize(2);
    for (int k = 0; k < stewart_leg_count; ++k) {
      declare_field(c, stewart_readouts, k, "", captions[k]);
      pose.rows[0].push_back(field_cell(stewart_readouts, k));
    }
    mark_readouts(c, stewart_readouts);
    pose.rows[1] = {{}, {}, {}, text_cell("deg   deg   deg")};
    d.layout.push_back(pose);

    declare_stewart_common(d);
    d.solved_variables = {{"pp", 'x', false}, {"pp", 'y', false}, {"pp", 'z', false},
                          {"sp", 'x', true},  {"sp", 'y', true},  {"sp", 'z', true}};
    d.branch = solution_branch::assembly_mode;
    d.make_logic = [] { return std::make_unique<stewart_forward_logic>(); };
    return d;
  }();
  return decl;
}

}  // namespace kinelab
