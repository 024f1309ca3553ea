// form_stewart_jun: the six legs follow the motion profile from their start lengths (set by the
// sliders) to their stop lengths, and the platform pose is found by Newton–Raphson, each step
// starting from the solution of the step before.
#include <memory>

#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "core/pose.h"
#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

namespace {

constexpr double slider_units_per_length = 10;  // start lengths in tenths
constexpr const char* tolerance_field = "Text4";
// The static pose is solved to this tolerance whatever the tolerance field holds.
constexpr double static_pose_tolerance = 0.01;

class stewart_forward_logic : public stewart_logic {
 public:
  stewart_forward_logic()
      : stewart_logic(
            "i, pp(i).x, pp(i).y, pp(i).z, the1(i), THE2(i), THE3(i), the4(i), the5(i), the6(i)") {
    arrays.keep_solver_record();
  }

  void read_parameters(sim_window& w) override {
    const double tolerance = w.ctl.tolerance(tolerance_field);
    const bool first = read_geometry(w);
    tolerance_ = tolerance;
    if (first) {
      // The first guess: the platform level, half a platform size above the base.
      clear_state(pp(0));
      pp(0).z = w.draw_size / 2;
      clear_state(sp(0));
      start_pose_ = {{pp(0), sp(0)}};
    }
  }

  void static_pose(sim_window& w) override {
    // The goal rates and accelerations keep what the last run's last step left (zero before the
    // first run); the lengths come from the sliders.
    const start_stop_fields& f = stewart_start_stop;
    for (int k = 1; k <= stewart_leg_count; ++k) {
      goal_(k) = w.ctl.slider_at(f.sliders, k - 1).value / slider_units_per_length;
      w.ctl.set_number(f.start, f.start_index(k - 1), goal_(k));
    }
    platform_joints joints;
    pp(0) = start_pose_.value.position;
    sp(0) = start_pose_.value.posture;
    const nr_outcome out = newton_fk_stewart(static_pose_tolerance, geometry_, goal_, goal_rate_,
                                             goal_acc_, pp(0), sp(0), joints);
    arrays.solver_record().at(0) = out;
    start_pose_.keep_restarting(out, {pp(0), sp(0)});
    store_joints(0, joints);
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, stewart_start_stop, stewart_leg_count, start_, stop_);
    zero_legs_.clear();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    // The run starts from the static pose's solution, whatever start lengths were typed.
    if (i == 0) {
      guess_ = start_pose_;
    }
    for (int k = 1; k <= stewart_leg_count; ++k) {
      const driven_value v = apply_profile(p, start_(k), stop_(k), w.T());
      goal_(k) = v.q, goal_rate_(k) = v.dq, goal_acc_(k) = v.ddq;
    }
    platform_joints joints;
    pose solved;
    const nr_outcome out = solve_from(guess_, solved, [&](pose& q) {
      return newton_fk_stewart(tolerance_, geometry_, goal_, goal_rate_, goal_acc_, q.position,
                               q.posture, joints);
    });
    kin_state position = solved.position, posture = solved.posture;
    arrays.solver_record().at(static_cast<std::size_t>(i)) = out;
    if (i == 0) start_pose_.keep_restarting(out, {position, posture});
    pp(i) = position;
    sp(i) = posture;
    // The legs as the solved pose makes them, with the solved rates.
    stewart_leg_set legs;
    stewart_ik(geometry_, position, posture, legs, joints);
    store_run_step(i, legs, joints);
  }

  void fill_readouts(sim_window& w, int i) override {
    const double values[] = {pp(i).x, pp(i).y, pp(i).z, deg(sp(i).x), deg(sp(i).y), deg(sp(i).z)};
    for (int k = 0; k < 6; ++k) w.ctl.set_number(stewart_readouts, k, values[k]);
  }

  std::optional<solver_start> start_pose() const override { return platform_start(start_pose_); }
  void set_start_pose(const solver_start& s) override { set_platform_start(start_pose_, s); }

 private:
  double tolerance_ = 0;  // on the leg lengths, length units
  vec<6> start_, stop_;
  // The goals handed to the solver; they keep the last step's values between runs.
  vec<6> goal_, goal_rate_, goal_acc_;
  // The running Newton–Raphson guess during a run.
  warm_start<pose> guess_;
  // The start of the static pose and of a run's first step (the opening guess at first).
  warm_start<pose> start_pose_;
};

}  // namespace

const window_decl& form_stewart_jun() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "form_stewart_jun";
    d.title = "stewart_jun";
    controls& c = d.initial;
    declare_stewart_geometry(d, "第１関節");
    d.layout.push_back(readout_table(c, "", {{"許容誤差", tolerance_field, 0, "0.001"}}, false));

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
