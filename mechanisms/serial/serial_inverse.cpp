#include "mechanisms/serial/serial_inverse.h"

#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "core/number_text.h"
#include "mechanisms/serial/serial_ik.h"
#include "mechanisms/serial/serial_window.h"

namespace kinelab {

namespace {

class serial_inverse_logic : public serial_logic {
 public:
  explicit serial_inverse_logic(const serial_inverse_layout& layout)
      : serial_logic(layout.joints, layout.link_groups, layout.result_header), layout_(layout) {
    goal_p_ =
        &arrays.add("goal_p", array_kind::point, "demanded position of the point P", "length");
    if (six_axis())
      goal_s_ = &arrays.add("goal_s", array_kind::point,
                            "demanded posture of the point P's frame (α, β, γ)", "rad");
    arrays.keep_solver_record();
  }

  void on_open(sim_window&) override {
    for (int k = 1; k <= layout_.joints; ++k) the_.value(k) = rad(layout_.initial_angle_deg);
  }

  void read_parameters(sim_window& w) override {
    const double tolerance = w.ctl.tolerance(layout_.tolerance_group);
    read_arm(w);
    tolerance_ = tolerance;
    const start_stop_fields& f = serial_start_stop;
    for (int c = 0; c < coordinates(); ++c)
      w.ctl.set_number(f.start, f.start_index(c),
                       w.ctl.slider_at(f.sliders, c).value * goal(c).slider_factor);
  }

  // Step 0 moves to the start pose; the goal's rate fields keep the last run's values.
  void static_pose(sim_window& w) override {
    kin_state& p = (*goal_p_)[0];
    p.x = start_value(w, 0), p.y = start_value(w, 1), p.z = start_value(w, 2);
    if (six_axis()) {
      kin_state& s = (*goal_s_)[0];
      s.x = start_value(w, 3), s.y = start_value(w, 4), s.z = start_value(w, 5);
    }
    solve(0, false);
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, serial_start_stop, coordinates(), start_, stop_, first_angle_row());
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    const auto at = static_cast<std::size_t>(i);
    for (int c = 0; c < coordinates(); ++c) {
      const driven_value v = apply_profile(p, start_(c + 1), stop_(c + 1), w.T());
      kin_state& g = c < 3 ? (*goal_p_)[at] : (*goal_s_)[at];
      double kin_state::*value[] = {&kin_state::x, &kin_state::y, &kin_state::z};
      double kin_state::*rate[] = {&kin_state::dx, &kin_state::dy, &kin_state::dz};
      double kin_state::*accel[] = {&kin_state::ddx, &kin_state::ddy, &kin_state::ddz};
      g.*value[c % 3] = v.q, g.*rate[c % 3] = v.dq, g.*accel[c % 3] = v.ddq;
    }
    solve(i, true);
  }

  std::optional<solver_start> start_pose() const override {
    solver_start s{{}, the_.solved, {}};
    for (int k = 1; k <= layout_.joints; ++k) s.values.push_back(the_.value(k));
    if (the_.behind)
      for (int k = 1; k <= layout_.joints; ++k) s.fallback.push_back(the_.converged(k));
    return s;
  }
  void set_start_pose(const solver_start& s) override {
    link_array the;
    for (int k = 1; k <= layout_.joints; ++k) the(k) = s.values.at(static_cast<std::size_t>(k - 1));
    the_.set(the, s.solved);
    if (s.fallback.size() == s.values.size()) {
      for (int k = 1; k <= layout_.joints; ++k)
        the(k) = s.fallback.at(static_cast<std::size_t>(k - 1));
      the_.set_fallback(the);
    }
  }

 private:
  bool six_axis() const { return layout_.joints == 6; }
  int coordinates() const { return static_cast<int>(layout_.goal.size()); }
  const goal_coordinate& goal(int c) const { return layout_.goal[static_cast<std::size_t>(c)]; }
  double internal(int c, double field) const { return goal(c).angle ? rad(field) : field; }
  double start_value(sim_window& w, int c) const {
    return internal(c, w.ctl.number(serial_start_stop.start, serial_start_stop.start_index(c)));
  }
  // The angle coordinates follow the position ones.
  int first_angle_row() const {
    for (int c = 0; c < coordinates(); ++c)
      if (goal(c).angle) return c + 1;
    return no_angle_rows;
  }

  // Newton–Raphson from the angles held now, then the chain at the solution.
  // A Run's steps go on from where the last one ended; a static pose stands on its own.
  void solve(int i, bool in_run) {
    const auto at = static_cast<std::size_t>(i);
    link_array the, dthe, ddthe;
    const auto solve_one = [&](link_array& q) {
      return six_axis() ? solver_.solve_6r(tolerance_, arm_, (*goal_p_)[at], (*goal_s_)[at], q,
                                           dthe, ddthe)
                        : solver_.solve_3r(tolerance_, arm_, (*goal_p_)[at], q, dthe, ddthe);
    };
    nr_outcome out;
    if (in_run) {
      out = solve_from(the_, the, solve_one);
    } else {
      the = the_.value;
      out = solve_one(the);
      the_.keep_restarting(out, the);
    }
    arrays.solver_record()[at] = out;
    store_step(i, the, dthe, ddthe);
  }

  const serial_inverse_layout& layout_;
  double tolerance_ = 0.001;
  warm_start<link_array> the_;  // the start of the next solve
  serial_ik_solver solver_;     // keeps the arm's twists from solve to solve
  link_array start_, stop_;     // goal coordinates, internal units
  std::vector<kin_state>* goal_p_ = nullptr;
  std::vector<kin_state>* goal_s_ = nullptr;
};

}  // namespace

window_decl serial_inverse_window(const serial_inverse_layout& layout) {
  std::vector<start_stop_row> rows;
  for (std::size_t k = 0; k < layout.goal.size(); ++k) {
    const goal_coordinate& g = layout.goal[k];
    const int i = static_cast<int>(k);
    rows.push_back(serial_start_stop.row(i, g.caption,
                                         format_number(g.pose_slider.value * g.slider_factor),
                                         g.stop_default, g.pose_slider));
  }
  window_decl d = serial_decl(layout.name, layout.title, layout.joints, layout.link_groups,
                              layout.link_defaults, rows);
  // The tolerance field stands below the start/stop table.
  d.layout.insert(
      d.layout.begin() + 2,
      readout_table(d.initial, "", {{layout.tolerance_caption, layout.tolerance_group, 0, "0.001"}},
                    false));
  for (int k = 1; k <= layout.joints; ++k)
    d.solved_variables.push_back({"the" + std::to_string(k), 'x', true});
  d.branch = solution_branch::arm_configuration;
  d.make_logic = [&layout] { return std::make_unique<serial_inverse_logic>(layout); };
  return d;
}

const window_decl& form_3r_gyaku() {
  static const serial_inverse_layout layout{"form_3r_gyaku",
                                            "3r_gyaku",
                                            3,
                                            three_axis_link_groups(),
                                            three_axis_link_defaults(),
                                            {{"X", "2.5", {0, 50, 0, true}, 0.1},
                                             {"Y", "0", {0, 50, 25, true}, 0.1},
                                             {"Z", "3", {0, 50, 30, true}, 0.1}},
                                            "Text9",
                                            "許容誤差",
                                            45,
                                            three_axis_result_header()};
  static const window_decl decl = serial_inverse_window(layout);
  return decl;
}

const window_decl& form_6r_gyaku() {
  static const serial_inverse_layout layout{"form_6r_gyaku",
                                            "6r_gyaku",
                                            6,
                                            six_axis_link_groups(),
                                            six_axis_link_defaults(),
                                            {{"X", "0", {-50, 50, 30, true}, 0.01},
                                             {"Y", "0", {-50, 50, -30, true}, 0.01},
                                             {"Z", "0.6", {0, 100, 50, true}, 0.01},
                                             {"α(deg)", "0", {-18, 18, 0, true}, 5, true},
                                             {"β(deg)", "0", {-18, 18, 0, true}, 5, true},
                                             {"γ(deg)", "0", {-18, 18, 0, true}, 5, true}},
                                            "Text12",
                                            "変位誤差",
                                            0,
                                            six_axis_result_header()};
  static const window_decl decl = serial_inverse_window(layout);
  return decl;
}

}  // namespace kinelab
