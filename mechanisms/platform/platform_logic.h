#pragma once
// The window logic of the six-legged platforms (Stewart, the rail platforms), written once over
// the family's model. Both directions drive the pose q = (x, y, z, α, β, γ) or the six
// actuators from a start/stop table of six rows with a pose slider each.
//
// A family declares its model (stewart_model, rail_model):
//   struct model {
//     using base = ...;      // the family's platform_window_logic, with geometry_ and
//                            // read_geometry(w) (true on the first read, when the window opens)
//     using geometry = ...;
//     using legs = ...;      // the six actuators at a pose with their rates, and those at fault
//     static constexpr const start_stop_fields& table = ...;  // pose or actuator rows
//     static constexpr const char* readouts = ...;  // six readouts: actuators, or the pose
//     static constexpr const char* tolerance_field = ...;  // the forward window's tolerance
//     static constexpr double slider_units_per_length = ...;  // slider steps per length unit,
//     // unless the base says its own (slider_units_per_length(), a hexapod file's)
//     // Whether a static pose with a leg at fault says so in the status line.
//     static constexpr bool notes_static_faults = ...;
//     // legs legs_at(const geometry&, const kin_state& position, const kin_state& posture),
//     // joints joints_at(the same), in closed form, and jacobian(the same, mat<6>& J,
//     // mat<6, 21>& H), ∂actuators/∂q and the second-order table at the values of the pose:
//     static constexpr auto legs_at = ..., joints_at = ..., jacobian = ...;
//     // Optionally jacobian_values(the same, mat<6>& J): J alone, the same numbers, false
//     // where a leg is at fault (the diagnostics and the atlas ask for J at every step or cell).
//     // legs' fields: the actuators' values, rates, accelerations (vec<6>), and the legs at
//     // fault (unsigned, bit k − 1 for leg k).
//     static constexpr auto value = ..., rate = ..., accel = ..., faults = ...;
//   };
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "app/window/pose_fields.h"
#include "app/window/start_stop_fields.h"
#include "core/newton.h"
#include "core/pose.h"
#include "mechanisms/platform/platform_window.h"

namespace kinelab {

// ∂actuators/∂q (6×6) at the pose q = (x, y, z, α, β, γ); none where a leg is at fault (of
// zero length, off its rail) or q is not finite.
template <class Model>
bool platform_jacobian_at(const typename Model::geometry& g, const double* q, jacobian_matrix& J) {
  for (int k = 0; k < 6; ++k)
    if (!std::isfinite(q[k])) return false;
  // The values alone: the Jacobian probes the rates itself.
  const kin_state position{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
  const kin_state posture{q[3], 0, 0, q[4], 0, 0, q[5], 0, 0};
  // A model that forms J without the second-order table says itself where a leg is at fault.
  if constexpr (requires { Model::jacobian_values; }) {
    J = {};
    J.rows = J.cols = platform_legs;
    return Model::jacobian_values(g, position, posture, J.m);
  }
  // A leg at fault has no derivative.
  if (Model::legs_at(g, position, posture).*Model::faults != 0) return false;
  mat<6, 21> H;
  J = {};
  J.rows = J.cols = platform_legs;
  Model::jacobian(g, position, posture, J.m, H);
  return true;
}

// The atlas's maps in closed form: the actuators by legs_at (no assembly where a leg is at
// fault) and the Jacobian by platform_jacobian_at.
template <class Model>
void set_platform_atlas_maps(const typename Model::geometry& g, atlas_mechanism& m) {
  add_identity(m.identity, g);
  m.inverse = [g](const double* q, double* a) {
    const kin_state position{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
    const kin_state posture{q[3], 0, 0, q[4], 0, 0, q[5], 0, 0};
    const typename Model::legs legs = Model::legs_at(g, position, posture);
    for (int k = 1; k <= platform_legs; ++k) a[k - 1] = (legs.*Model::value)(k);
    return legs.*Model::faults ? cell_state::no_assembly : cell_state::reachable;
  };
  m.jacobian = [g](const double* q, jacobian_matrix& J) {
    return platform_jacobian_at<Model>(g, q, J);
  };
}

// Slider steps per length unit: the logic's own where it has them, else the model's.
template <class Model, class Logic>
double slider_units_of(const Logic& l) {
  if constexpr (requires { l.slider_units_per_length(); })
    return l.slider_units_per_length();
  else
    return Model::slider_units_per_length;
}

// Both directions: the Jacobian at a stored step, and the actuators and joints of a step with
// the legs at fault noted.
template <class Model>
class platform_logic : public Model::base {
 public:
  using Model::base::base;

  // At the stored platform pose q = (pp, sp).
  bool jacobian_at(int i, jacobian_matrix& J) const override {
    if (i < 0 || i > this->arrays.N()) return false;
    const kin_state& p = this->pp(i);
    const kin_state& s = this->sp(i);
    const double q[] = {p.x, p.y, p.z, s.x, s.y, s.z};
    return platform_jacobian_at<Model>(this->geometry_, q, J);
  }

 protected:
  using joints = platform_window_logic::joints;
  using legs = typename Model::legs;

  // The actuators and the joints at the pose.
  void inverse(const kin_state& position, const kin_state& posture, legs& l, joints& j) const {
    l = Model::legs_at(this->geometry_, position, posture);
    j = Model::joints_at(this->geometry_, position, posture);
  }
  void store_step(int i, const legs& l, const joints& j) {
    this->store_joints(i, j);
    for (int k = 1; k <= platform_legs; ++k)
      this->actuator(k, i) = {(l.*Model::value)(k), (l.*Model::rate)(k), (l.*Model::accel)(k)};
    this->faults_.note(i, l.*Model::faults);
  }
};

// The inverse window: the pose follows the motion profile from the start pose (set by the
// sliders) to the stop pose, and the actuators follow in closed form.
template <class Model>
class platform_inverse_logic : public platform_logic<Model> {
 public:
  using platform_logic<Model>::platform_logic;

  void read_parameters(sim_window& w) override {
    this->read_geometry(w);
    // The start pose is a slider setting: whatever was typed into the start fields is replaced.
    start_pose_from_sliders(w.ctl, Model::table, slider_units_of<Model>(*this));
  }

  void static_pose(sim_window& w) override {
    // Values only: the rate fields of pp(0) and sp(0) keep what the last run left there, and
    // only the actuators' values are stored.
    kin_state& p = this->pp(0);
    kin_state& s = this->sp(0);
    read_pose_values(w.ctl, Model::table, p, s);
    typename platform_logic<Model>::legs legs;
    platform_window_logic::joints joints;
    this->inverse(p, s, legs, joints);
    this->store_joints(0, joints);
    for (int k = 1; k <= platform_legs; ++k) this->actuator(k, 0).x = (legs.*Model::value)(k);
    static_faults_ = legs.*Model::faults;
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, Model::table, platform_legs, start_, stop_);
    this->faults_.clear();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    // All six pose coordinates follow the one profile: a straight line in (x, y, z, α, β, γ).
    const kin_state position = apply_profile(p, start_, stop_, 1, w.T());
    const kin_state posture = rad(apply_profile(p, start_, stop_, 4, w.T()));
    typename platform_logic<Model>::legs legs;
    platform_window_logic::joints joints;
    this->inverse(position, posture, legs, joints);
    this->pp(i) = position;
    this->sp(i) = posture;
    this->store_step(i, legs, joints);
    if (Model::faults_unreach && legs.*Model::faults) this->arrays.mark_unreached(i);
  }

  void fill_readouts(sim_window& w, int i) override {
    for (int k = 1; k <= platform_legs; ++k)
      w.ctl.set_number(Model::readouts, k - 1, this->actuator(k, i).x);
  }

  // "the static pose is unreachable (leg 4)".
  std::string static_pose_note(ui_language lang) const override {
    if (!Model::notes_static_faults || static_faults_ == 0) return {};
    return message(lang, message_id::static_pose_unreachable,
                   {this->faults_.legs_text(static_faults_, lang)});
  }

 private:
  vec<6> start_, stop_;  // x, y, z in length units, α, β, γ in degrees
  unsigned static_faults_ = 0;
};

// The forward window: the actuators follow the motion profile from their start values to their
// stop values, and the pose is found by Newton–Raphson, each step of a Run starting where the
// step before ended (warm_start). The family gives the goals of the static pose, the solve and
// what a solved step stores.
template <class Model>
class platform_forward_logic : public platform_logic<Model> {
 public:
  template <class... Args>
  explicit platform_forward_logic(Args&&... args)
      : platform_logic<Model>(std::forward<Args>(args)...) {
    this->arrays.keep_solver_record();
  }

  void read_parameters(sim_window& w) override {
    const double tolerance = w.ctl.tolerance(Model::tolerance_field);
    const bool first = this->read_geometry(w);
    tolerance_ = tolerance;
    parameters_read(w, first);
  }

  void static_pose(sim_window& w) override {
    // The goal rates and accelerations keep what the last run's last step left (zero before
    // the first run).
    static_goals(w);
    if (!opening_) opening_ = start_pose_.value;
    platform_window_logic::joints joints;
    pose q = start_pose_.value;
    nr_outcome out = solve(static_pose_tolerance(), q, joints);
    if (out.status != nr_status::converged && start_pose_.solved) {
      // A slider walk can leave the start where this goal is not reached from, though it is
      // from the opening guess, where a fresh window starts.
      pose again = *opening_;
      const nr_outcome second = solve(static_pose_tolerance(), again, joints);
      if (second.status == nr_status::converged) {
        q = again;
        out = second;
      } else {
        q = start_pose_.value;
        out = solve(static_pose_tolerance(), q, joints);
      }
    }
    this->pp(0) = q.position;
    this->sp(0) = q.posture;
    this->arrays.solver_record().at(0) = out;
    start_pose_.keep_restarting(out, q);
    store_static(joints);
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, Model::table, platform_legs, start_, stop_);
    this->faults_.clear();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    // The run starts from the static pose's solution, whatever start values were typed.
    if (i == 0) guess_ = start_pose_;
    for (int k = 1; k <= platform_legs; ++k) {
      const driven_value v = apply_profile(p, start_(k), stop_(k), w.T());
      goal_(k) = v.q, goal_rate_(k) = v.dq, goal_acc_(k) = v.ddq;
    }
    platform_window_logic::joints joints;
    pose solved;
    const nr_outcome out =
        solve_from(guess_, solved, [&](pose& q) { return solve(tolerance_, q, joints); });
    this->arrays.solver_record().at(static_cast<std::size_t>(i)) = out;
    if (i == 0) start_pose_.keep_restarting(out, solved);
    this->pp(i) = solved.position;
    this->sp(i) = solved.posture;
    store_solved(i, joints);
  }

  void fill_readouts(sim_window& w, int i) override {
    const kin_state& p = this->pp(i);
    const kin_state& s = this->sp(i);
    const double values[] = {p.x, p.y, p.z, deg(s.x), deg(s.y), deg(s.z)};
    for (int k = 0; k < 6; ++k) w.ctl.set_number(Model::readouts, k, values[k]);
  }

  std::optional<solver_start> start_pose() const override { return platform_start(start_pose_); }
  void set_start_pose(const solver_start& s) override { set_platform_start(start_pose_, s); }

 protected:
  // After the fields are read: `first` on the read when the window opens.
  virtual void parameters_read(sim_window&, bool /*first*/) {}
  // Sets goal_ for the static pose.
  virtual void static_goals(sim_window& w) = 0;
  virtual double static_pose_tolerance() const { return tolerance_; }
  // Solves for the goals from q into q, with the joints at the solution.
  virtual nr_outcome solve(double tolerance, pose& q, platform_window_logic::joints& joints) = 0;
  // Stores the static pose's joints (pp(0) and sp(0) hold its pose).
  virtual void store_static(const platform_window_logic::joints& joints) = 0;
  // Stores step i of a Run, solved into pp(i) and sp(i), with the joints at the solution.
  virtual void store_solved(int i, const platform_window_logic::joints& joints) = 0;

  double tolerance_ = 0;  // on the actuators, length units
  // The goals handed to the solver; they keep the last step's values between runs.
  vec<6> goal_, goal_rate_, goal_acc_;
  // The start of the static pose and of a run's first step (the opening guess at first).
  warm_start<pose> start_pose_;
  std::optional<pose> opening_;  // the start of the first static pose

 private:
  vec<6> start_, stop_;
  // The running Newton–Raphson guess during a run.
  warm_start<pose> guess_;
};

}  // namespace kinelab
