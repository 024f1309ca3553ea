// The five Newton–Raphson solvers at their edges: a start where the Jacobian is singular, a goal
// out of reach, and the window's recovery once the goal is back in reach; and, in every
// Newton–Raphson window's default Run, rates and accelerations that belong to the stored pose.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "core/profiles.h"
#include "mechanisms/rail/rail_kinematics.h"
#include "mechanisms/registry.h"
#include "mechanisms/serial/serial_ik.h"
#include "mechanisms/serial/serial_inverse.h"
#include "mechanisms/serial/serial_window.h"
#include "mechanisms/stewart/stewart_kinematics.h"
#include "mechanisms/zelko/zelko_kinematics.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

constexpr double tolerance = 1e-6;
// J·q̇ against the commanded rates, relative to their peak over the run: the solves are exact
// to rounding, through condition numbers of a few hundred.
constexpr double rate_identity = 1e-9;

template <int N>
bool finite(const vec<N>& v) {
  for (int i = 1; i <= N; ++i)
    if (!std::isfinite(v(i))) return false;
  return true;
}

bool finite(const kin_state& s) {
  for (double v : {s.x, s.dx, s.ddx, s.y, s.dy, s.ddy, s.z, s.dz, s.ddz})
    if (!std::isfinite(v)) return false;
  return true;
}

vec<6> vec6(std::initializer_list<double> values) {
  vec<6> v;
  int i = 0;
  for (double x : values) v(++i) = x;
  return v;
}

// One solve: its outcome, and whether everything it stored is finite.
struct solve {
  nr_outcome outcome;
  bool finite = false;
};

// A solver from a start at a singular Jacobian to a goal in reach, and from a regular start to
// a goal out of reach.
struct solver_case {
  const char* solver;
  std::function<solve()> singular_start;
  std::function<solve()> unreachable_goal;
};

std::vector<solver_case> solver_cases() {
  const serial_arm arm3 = read_link_table(form_3r_gyaku().initial, three_axis_link_groups());
  const serial_arm arm6 = read_link_table(form_6r_gyaku().initial, six_axis_link_groups());
  auto arm = [](const serial_arm& a, int joints, const link_array& start, kin_state P,
                kin_state S) {
    P.dx = 0.2, S.ddz = 0.3;
    return [=] {
      link_array the = start, dthe, ddthe;
      const nr_outcome o = joints == 3 ? newton_ik_3r(tolerance, a, P, the, dthe, ddthe)
                                       : newton_ik_6r(tolerance, a, P, S, the, dthe, ddthe);
      return solve{o, finite(the) && finite(dthe) && finite(ddthe)};
    };
  };
  auto point = [](double x, double y, double z) {
    kin_state p;
    p.x = x, p.y = y, p.z = z;
    return p;
  };
  link_array bent;
  for (int k = 1; k <= 6; ++k) bent(k) = 0.3 * k;

  auto stewart = [](double z, double gamma, double leg) {
    return [=] {
      vec<6> goal;
      for (int k = 1; k <= 5; ++k) goal(k) = 2;
      goal(6) = leg;  // one leg of 9 among legs of 2 is out of reach
      kin_state position, posture;
      position.z = z;
      posture.z = gamma;
      platform_joints joints;
      const nr_outcome o =
          newton_fk_stewart(tolerance, default_stewart_geometry(), goal, vec6({1, 1, 1, 1, 1, 1}),
                            vec<6>{}, position, posture, joints);
      return solve{o, finite(position) && finite(posture)};
    };
  };
  auto rail = [](double z, const vec<6>& target) {
    return [=] {
      kin_state position, posture;
      position.z = z;
      rail_joint_states joints;
      const rail_geometry g = default_rail_geometry();
      const nr_outcome o = rail_forward(g, tolerance, target, vec6({1, 1, 1, 1, 1, 1}), vec<6>{},
                                        position, posture, joints);
      // A pose the mechanism can take: every rod on its rail.
      return solve{o, finite(position) && finite(posture) &&
                          rail_inverse(g, position, posture).unreachable == 0};
    };
  };
  auto limb = [](const zelko_twists& start, double x, double z) {
    return [=] {
      zelko_twists h = start;
      kin_state p, s;
      p.x = x, p.z = z, p.dz = 0.1;
      const nr_outcome o = zelko_inverse(tolerance, default_zelko_geometry(), p, s, h);
      return solve{o, finite(h[1]) && finite(h[2]) && finite(h[3])};
    };
  };
  // The upper unit folded back along the lower one, both turned a quarter turn: the end
  // plate's posture at β = 90°.
  const double quarter = std::acos(0.0);
  zelko_twists folded{};
  folded[1].y = quarter, folded[2].y = 2 * quarter, folded[3].y = quarter;
  zelko_twists bent_limb{};
  bent_limb[2].y = 0.8;

  const vec<6> level = vec6({0.25, 0.35, -0.37, -0.37, 0.35, 0.25});
  const vec<6> apart = vec6({0.9, 1.0, -0.37, -0.37, 0.35, 0.25});
  return {
      // θ = 0: the arm stretched along its first link.
      {"3R arm", arm(arm3, 3, link_array{}, point(1, 0.5, 2), {}),
       arm(arm3, 3, bent, point(40, 40, 40), {})},
      // θ = 0: wrist axes 4 and 6 in line.
      {"6R arm", arm(arm6, 6, link_array{}, point(0.3, -0.3, 0.5), {}),
       arm(arm6, 6, bent, point(5, 5, 5), {})},
      // The platform 2.6 above the base turned a quarter turn about z.
      {"Stewart platform", stewart(2.6, quarter, 2), stewart(1, 0, 9)},
      // The platform in the plane of its rails: every rod level, no slider moves with z.
      {"rail platform", rail(0, level), rail(0.25, apart)},
      {"zelko limb", limb(folded, 0.02, 0.7), limb(bent_limb, 0, 5)},
  };
}

// A window's start pose moved out of reach and back: the static pose fails, then comes back to
// exactly what a fresh window shows, and the default Run after it is the fresh one's.
struct recovery_case {
  const char* window;
  const char* slider;
  int index, out_of_reach;
  std::vector<std::string> solved;  // arrays compared
};

std::vector<std::vector<double>> solved_values(sim_window& w,
                                               const std::vector<std::string>& arrays) {
  std::vector<std::vector<double>> out;
  for (const std::string& name : arrays) {
    const trajectory_array* a = w.logic().arrays.find(name);
    for (std::size_t i = 0; i < a->size(); ++i) {
      const kin_state s = a->state(i);
      out.push_back({s.x, s.dx, s.ddx, s.y, s.dy, s.ddy, s.z, s.dz, s.ddz});
    }
  }
  return out;
}

TEST(newton_solvers, singular_starts_unreachable_goals_and_recoveries) {
  for (const solver_case& c : solver_cases()) {
    SCOPED_TRACE(c.solver);
    // The singular start does not end the solve where it stands: it reaches the goal.
    const solve s = c.singular_start();
    EXPECT_EQ(s.outcome.status, nr_status::converged)
        << to_string(s.outcome.status) << ", residual " << s.outcome.residual;
    EXPECT_LE(s.outcome.residual, tolerance);
    EXPECT_GT(s.outcome.iterations, 0);
    EXPECT_TRUE(s.finite);

    const solve u = c.unreachable_goal();
    EXPECT_NE(u.outcome.status, nr_status::converged);
    EXPECT_TRUE(u.finite);
    EXPECT_TRUE(std::isfinite(u.outcome.residual));
    EXPECT_GT(u.outcome.residual, tolerance);
  }

  test::temp_working_dir dir;
  const recovery_case recoveries[] = {
      {"form_3r_gyaku", "HScroll2", 0, 50, {"the1", "the2", "the3"}},
      {"form_6r_gyaku", "HScroll2", 2, 100, {"the1", "the2", "the3", "the4", "the5", "the6"}},
      {"form_stewart_jun", "HScroll1", 0, 0, {"pp", "sp"}},
      {"form_selvo_jun", "HScroll1", 1, 39, {"pp", "sp"}},
      {"Form_zelko_gyaku", "HScroll1", 2, 10, {"hineri1", "hineri2", "hineri3"}},
  };
  for (const recovery_case& c : recoveries) {
    SCOPED_TRACE(c.window);
    const window_entry* entry = find_window(c.window);
    ASSERT_NE(entry, nullptr);
    // The same window with the slider left where it was: the static pose solved once more,
    // from the solution of the first (zelko's starts again from its bent knee).
    auto fresh_model = entry->make(), moved_model = entry->make();
    sim_window& fresh = dynamic_cast<sim_window&>(*fresh_model);
    sim_window& moved = dynamic_cast<sim_window&>(*moved_model);
    fresh.open();
    fresh.slider_changed(c.slider, c.index);
    moved.open();
    int& value = moved.ctl.slider_at(c.slider, c.index).value;
    const int at_open = value;
    value = c.out_of_reach;
    moved.slider_changed(c.slider, c.index);
    EXPECT_EQ(moved.status.rfind("the static pose did not reach the tolerance", 0), 0u)
        << moved.status;
    value = at_open;
    moved.slider_changed(c.slider, c.index);
    EXPECT_EQ(moved.status, "");
    fresh.run();
    moved.run();
    EXPECT_EQ(moved.status, fresh.status);
    EXPECT_EQ(solved_values(moved, c.solved), solved_values(fresh, c.solved));
  }
}

// J and H of one window at a stored step, with the stored variables, their rates and
// accelerations, and the commanded rates and accelerations.
struct stored_step {
  int n = 0;
  mat<6> J;
  mat<6, 21> H;  // 3R: the first 6 columns in the 3R order
  vec<6> q, dq, ddq, rate, accel;
};

using step_reader = std::function<stored_step(sim_window&, std::size_t)>;

void put(vec<6>& v, int first, const kin_state& s, int level) {
  const double x[] = {s.x, s.dx, s.ddx}, y[] = {s.y, s.dy, s.ddy}, z[] = {s.z, s.dz, s.ddz};
  v(first) = x[level], v(first + 1) = y[level], v(first + 2) = z[level];
}

// q, q̇, q̈ from two records of three variables each (a pose, or twists).
void put_pose(stored_step& s, const kin_state& a, const kin_state& b) {
  put(s.q, 1, a, 0), put(s.q, 4, b, 0);
  put(s.dq, 1, a, 1), put(s.dq, 4, b, 1);
  put(s.ddq, 1, a, 2), put(s.ddq, 4, b, 2);
}

step_reader arm_reader(int joints) {
  return [joints](sim_window& w, std::size_t i) {
    stored_step s;
    s.n = joints;
    const serial_arm arm =
        read_link_table(w.ctl, joints == 3 ? three_axis_link_groups() : six_axis_link_groups());
    link_array the;
    for (int k = 1; k <= joints; ++k) {
      const kin_state t = w.logic().arrays.find("the" + std::to_string(k))->state(i);
      the(k) = t.x, s.q(k) = t.x, s.dq(k) = t.dx, s.ddq(k) = t.ddx;
    }
    const kin_state& gp = w.logic().arrays.find("goal_p")->at[i];
    put(s.rate, 1, gp, 1), put(s.accel, 1, gp, 2);
    if (joints == 3) {
      const mat<3> J = jacobian_3r(arm, the);
      const mat<3, 6> H = quadratic_terms_3r(arm, the);
      for (int r = 1; r <= 3; ++r) {
        for (int c = 1; c <= 3; ++c) s.J(r, c) = J(r, c);
        for (int c = 1; c <= 6; ++c) s.H(r, c) = H(r, c);
      }
    } else {
      const kin_state& gs = w.logic().arrays.find("goal_s")->at[i];
      put(s.rate, 4, gs, 1), put(s.accel, 4, gs, 2);
      s.J = jacobian_6r(arm, the);
      s.H = quadratic_terms_6r(arm, the);
    }
    return s;
  };
}

// The commanded leg rates of form_stewart_jun: the default quintic profile from the start to
// the stop lengths.
stored_step stewart_step(sim_window& w, std::size_t i) {
  stored_step s;
  s.n = 6;
  put_pose(s, w.logic().arrays.find("pp")->at[i], w.logic().arrays.find("sp")->at[i]);
  const profile_point p =
      profile_at(profile_kind::quintic, static_cast<int>(i), w.logic().arrays.N());
  for (int k = 1; k <= 6; ++k) {
    const driven_value v =
        apply_profile(p, w.ctl.number("Text9", k - 1), w.ctl.number("Text10", k - 1), w.T());
    s.rate(k) = v.dq, s.accel(k) = v.ddq;
  }
  kin_state position, posture;
  position.x = s.q(1), position.y = s.q(2), position.z = s.q(3);
  posture.x = s.q(4), posture.y = s.q(5), posture.z = s.q(6);
  stewart_jacobian(default_stewart_geometry(), position, posture, s.J, s.H);
  return s;
}

stored_step rail_step(sim_window& w, std::size_t i) {
  stored_step s;
  s.n = 6;
  put_pose(s, w.logic().arrays.find("pp")->at[i], w.logic().arrays.find("sp")->at[i]);
  for (int k = 1; k <= 6; ++k) {
    const kin_state b = w.logic().arrays.find("bx" + std::to_string(k))->state(i);
    s.rate(k) = b.dx, s.accel(k) = b.ddx;
  }
  kin_state position, posture;
  position.x = s.q(1), position.y = s.q(2), position.z = s.q(3);
  posture.x = s.q(4), posture.y = s.q(5), posture.z = s.q(6);
  rail_jacobian(default_rail_geometry(), position, posture, s.J, s.H);
  return s;
}

stored_step limb_step(sim_window& w, std::size_t i) {
  stored_step s;
  s.n = 6;
  zelko_twists h{};
  for (int k = 1; k <= 3; ++k)
    h[static_cast<std::size_t>(k)] = w.logic().arrays.find("hineri" + std::to_string(k))->at[i];
  const kin_state* t[] = {&h[1], &h[1], &h[1], &h[2], &h[3], &h[3]};
  double kin_state::*v[] = {&kin_state::x, &kin_state::y, &kin_state::z,
                            &kin_state::y, &kin_state::x, &kin_state::y};
  double kin_state::*d[] = {&kin_state::dx, &kin_state::dy, &kin_state::dz,
                            &kin_state::dy, &kin_state::dx, &kin_state::dy};
  double kin_state::*dd[] = {&kin_state::ddx, &kin_state::ddy, &kin_state::ddz,
                             &kin_state::ddy, &kin_state::ddx, &kin_state::ddy};
  for (int k = 0; k < 6; ++k)
    s.q(k + 1) = t[k]->*v[k], s.dq(k + 1) = t[k]->*d[k], s.ddq(k + 1) = t[k]->*dd[k];
  put(s.rate, 1, w.logic().arrays.find("goal_p")->at[i], 1);
  put(s.rate, 4, w.logic().arrays.find("goal_s")->at[i], 1);
  put(s.accel, 1, w.logic().arrays.find("goal_p")->at[i], 2);
  put(s.accel, 4, w.logic().arrays.find("goal_s")->at[i], 2);
  zelko_jacobian_and_quadratic_terms(default_zelko_geometry(), h, s.J, s.H);
  return s;
}

TEST(newton_solvers, default_runs_store_the_rates_of_the_stored_pose) {
  test::temp_working_dir dir;
  const struct {
    const char* window;
    step_reader read;
  } cases[] = {
      {"form_3r_gyaku", arm_reader(3)},   {"form_6r_gyaku", arm_reader(6)},
      {"form_stewart_jun", stewart_step}, {"form_drav_jun", rail_step},
      {"form_selvo_jun", rail_step},      {"Form_zelko_gyaku", limb_step},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window);
    auto model = find_window(c.window)->make();
    sim_window& w = dynamic_cast<sim_window&>(*model);
    w.open();
    w.run();
    const auto& record = w.logic().arrays.solver_record();
    std::vector<stored_step> steps;
    double peak_rate = 0, peak_accel = 0;
    for (std::size_t i = 0; i < record.size(); ++i) {
      steps.push_back(c.read(w, i));
      peak_rate = std::max(peak_rate, vec_max_abs(steps.back().n, steps.back().rate));
      peak_accel = std::max(peak_accel, vec_max_abs(steps.back().n, steps.back().accel));
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
      ASSERT_EQ(record[i].status, nr_status::converged) << "step " << i;
      const stored_step& s = steps[i];
      const int n = s.n, products = n * (n + 1) / 2;
      // Rate products in the order of the table: squares, then pairs.
      vec<21> w2;
      int k = 0;
      for (int a = 1; a <= n; ++a) w2(++k) = s.dq(a) * s.dq(a);
      for (int a = 1; a < n; ++a)
        for (int b = a + 1; b <= n; ++b) w2(++k) = s.dq(a) * s.dq(b);
      vec<6> Jv, Ja, Hw;
      mat_vec(n, s.J, s.dq, Jv);
      mat_vec(n, s.J, s.ddq, Ja);
      mat_vec_rect(n, products, s.H, w2, Hw);
      for (int r = 1; r <= n; ++r) {
        EXPECT_NEAR(Jv(r), s.rate(r), rate_identity * peak_rate) << "step " << i << " row " << r;
        EXPECT_NEAR(Ja(r) + Hw(r), s.accel(r), rate_identity * peak_accel)
            << "step " << i << " row " << r;
      }
    }
  }
}

}  // namespace
}  // namespace kinelab
