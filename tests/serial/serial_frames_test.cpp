// The serial chain's fast path (frames built once per set of angles, all origins in one
// outward pass) against the straightforward evaluation it replaces in the solvers and the
// windows: chain_point, chain_posture_serial, jacobian_*, quadratic_terms_* and the reference
// Newton–Raphson solvers, on random arms, poses and rates.
#include "mechanisms/serial/serial_frames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "core/linear_solver.h"
#include "mechanisms/serial/serial_forward.h"
#include "mechanisms/serial/serial_ik.h"
#include "mechanisms/serial/serial_inverse.h"
#include "mechanisms/serial/serial_window.h"
#include "support/fast_path_compare.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

// Both sides compute the same sums of products of order-one terms in different orders, so they
// part by a few ulps of the largest term; 1e-12 of the scale leaves room for the division by
// cos β in the posture rates without hiding a wrong term (which shows at order one).
constexpr double kFastPathRelative = 1e-12;

// A sample case is drawn away from the posture's gimbal lock (|cos β| ≥ kAwayFromGimbal), where
// both sides divide by cos β and their rounding grows as 1/cos β.
constexpr double kAwayFromGimbal = 0.05;

struct chain_case {
  serial_arm arm;
  link_array the, dthe, ddthe;
};

// Offsets in (−1, 1), twists and angles anywhere, rates and accelerations of order one.
chain_case random_case(std::mt19937& rng, int links) {
  std::uniform_real_distribution<double> unit(-1, 1), angle(-pi, pi);
  chain_case c;
  c.arm.links = links;
  for (int k = 1; k <= links; ++k) {
    c.arm.hx(k) = unit(rng), c.arm.hy(k) = unit(rng), c.arm.hz(k) = unit(rng);
    if (k < links) c.arm.alfa(k) = angle(rng), c.arm.beta(k) = angle(rng);
    if (k < links) c.the(k) = angle(rng), c.dthe(k) = 2 * unit(rng), c.ddthe(k) = 2 * unit(rng);
  }
  return c;
}

bool near_gimbal(const chain_case& c) {
  const kin_state s =
      chain_posture_serial(c.arm.links, c.arm.alfa, c.arm.beta, c.the, c.dthe, c.ddthe);
  return std::fabs(std::cos(s.y)) < kAwayFromGimbal;
}

// Every field of two kin_states; the scale is the larger magnitude of value, rate and
// acceleration of the reference, at least 1.
std::string compare(const kin_state& fast, const kin_state& ref, const std::string& where) {
  const double f[] = {fast.x,   fast.dx, fast.ddx, fast.y,  fast.dy,
                      fast.ddy, fast.z,  fast.dz,  fast.ddz};
  const double r[] = {ref.x, ref.dx, ref.ddx, ref.y, ref.dy, ref.ddy, ref.z, ref.dz, ref.ddz};
  const char* names[] = {"x", "dx", "ddx", "y", "dy", "ddy", "z", "dz", "ddz"};
  double scale = 1;
  for (double v : r) scale = std::fmax(scale, std::fabs(v));
  std::ostringstream out;
  out.precision(17);
  for (int k = 0; k < 9; ++k)
    if (!(std::fabs(f[k] - r[k]) <= kFastPathRelative * scale))
      out << where << " " << names[k] << ": fast " << f[k] << ", reference " << r[k] << "\n";
  return out.str();
}

// The Jacobian and second-order tables, to the same 1e-12 of the scale.
template <int R, int C>
std::string compare(const mat<R, C>& fast, const mat<R, C>& ref, int rows, int cols,
                    const std::string& where) {
  return test::compare_fast(fast, ref, rows, cols, where, kFastPathRelative);
}

TEST(serial_frames, all_origins_and_the_posture_match_the_chain_routines) {
  std::mt19937 rng(20261210);
  for (int links : {2, 4, 7}) {
    for (int trial = 0; trial < 200; ++trial) {
      const chain_case c = random_case(rng, links);
      if (near_gimbal(c)) continue;
      const serial_arm& a = c.arm;
      kin_state points[max_links + 1], posture;
      chain_points_all(a, c.the, c.dthe, c.ddthe, points, posture);
      const std::string at = "links " + std::to_string(links) + " trial " + std::to_string(trial);
      for (int n = 1; n <= links; ++n)
        EXPECT_EQ(compare(points[n],
                          chain_point(n, a.hx, a.hy, a.hz, a.alfa, a.beta, c.the, c.dthe, c.ddthe,
                                      kin_state{}),
                          at + " origin " + std::to_string(n)),
                  "");
      EXPECT_EQ(
          compare(posture, chain_posture_serial(links, a.alfa, a.beta, c.the, c.dthe, c.ddthe),
                  at + " posture"),
          "");
    }
  }
}

TEST(serial_frames, jacobians_and_second_order_tables_match_the_probed_ones) {
  std::mt19937 rng(7);
  for (int joints : {3, 6}) {
    const int links = joints + 1;
    for (int trial = 0; trial < 200; ++trial) {
      const chain_case c = random_case(rng, links);
      if (near_gimbal(c)) continue;
      chain_frames f;
      build_frames(c.arm, twists_of(c.arm), c.the, joints == 6, f);
      mat<6> J;
      mat<6, 21> H;
      frames_jacobian(f, joints, J);
      frames_quadratic_terms(f, joints, H);
      const std::string at = std::to_string(joints) + "R trial " + std::to_string(trial);
      if (joints == 3) {
        const mat<3> Jr = jacobian_3r(c.arm, c.the);
        const mat<3, 6> Hr = quadratic_terms_3r(c.arm, c.the);
        mat<3> Jf;
        mat<3, 6> Hf;
        for (int i = 1; i <= 3; ++i) {
          for (int j = 1; j <= 3; ++j) Jf(i, j) = J(i, j);
          for (int j = 1; j <= 6; ++j) Hf(i, j) = H(i, j);
        }
        EXPECT_EQ(compare(Jf, Jr, 3, 3, at + " J"), "");
        EXPECT_EQ(compare(Hf, Hr, 3, 6, at + " H"), "");
      } else {
        EXPECT_EQ(compare(J, jacobian_6r(c.arm, c.the), 6, 6, at + " J"), "");
        EXPECT_EQ(compare(H, quadratic_terms_6r(c.arm, c.the), 6, 21, at + " H"), "");
      }
    }
  }
}

// Angles agree as the evaluations do; rates and accelerations within `rate_tolerance` (see
// kWellConditioned).
std::string compare_solves(const nr_outcome& fo, const nr_outcome& ro, const link_array& f_the,
                           const link_array& r_the, const link_array& f_rates,
                           const link_array& r_rates, const link_array& f_accels,
                           const link_array& r_accels, int joints, double rate_tolerance,
                           const std::string& where) {
  std::ostringstream out;
  out.precision(17);
  if (fo.iterations != ro.iterations || fo.status != ro.status)
    out << where << ": fast " << fo.iterations << " corrections, " << to_string(fo.status)
        << "; reference " << ro.iterations << ", " << to_string(ro.status) << "\n";
  auto check = [&](const char* what, const link_array& f, const link_array& r, double tol) {
    double scale = 1;
    for (int k = 1; k <= joints; ++k) scale = std::fmax(scale, std::fabs(r(k)));
    for (int k = 1; k <= joints; ++k)
      if (!(std::fabs(f(k) - r(k)) <= tol * scale))
        out << where << " " << what << k << ": fast " << f(k) << ", reference " << r(k) << "\n";
  };
  check("the", f_the, r_the, kFastPathRelative);
  check("dthe", f_rates, r_rates, rate_tolerance);
  check("ddthe", f_accels, r_accels, rate_tolerance);
  return out.str();
}

// ‖J‖·‖J⁻¹‖ in the maximum norm.
template <int N>
double condition(const mat<N>& J) {
  mat<N> X;
  vec<N> b;
  if (solve_linear(N, J, b, X) == solve_status::error) return INFINITY;
  double nj = 0, nx = 0;
  for (int i = 1; i <= N; ++i) {
    double sj = 0, sx = 0;
    for (int j = 1; j <= N; ++j) sj += std::fabs(J(i, j)), sx += std::fabs(X(i, j));
    nj = std::fmax(nj, sj), nx = std::fmax(nx, sx);
  }
  return nj * nx;
}

// A solve turns a relative difference ε in its inputs into up to κ·ε in its result (κ the
// condition number of J). The iteration corrects its angles, but the rates are solved with the
// Jacobian of the iterate before the last one, which keeps the differences of the iteration's
// path, and the accelerations add H·w to those rates: rates and accelerations are held to
// κ·kFastPathRelative, the evaluations' agreement carried through one solve. Random arms are
// drawn until J's κ ≤ kWellConditioned, where that bound still says something.
constexpr double kWellConditioned = 100;

// Random goals near a random reachable pose, solved from a start a little away from it, so
// that each solve makes a few corrections; goal rates and accelerations of order one.
TEST(serial_frames, newton_solvers_match_their_references) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int joints : {3, 6}) {
    int compared = 0;
    for (int trial = 0; trial < 400; ++trial) {
      const chain_case c = random_case(rng, joints + 1);
      if (near_gimbal(c)) continue;
      const serial_arm& a = c.arm;
      const double kappa =
          joints == 3 ? condition(jacobian_3r(a, c.the)) : condition(jacobian_6r(a, c.the));
      if (!(kappa <= kWellConditioned)) continue;
      ++compared;
      kin_state gp = chain_point(a.links, a.hx, a.hy, a.hz, a.alfa, a.beta, c.the, c.dthe, c.ddthe,
                                 kin_state{});
      kin_state gs = chain_posture_serial(a.links, a.alfa, a.beta, c.the, c.dthe, c.ddthe);
      link_array start = c.the;
      for (int k = 1; k <= joints; ++k) start(k) += 0.05 * unit(rng);
      link_array ft = start, fr, fa, rt = start, rr, ra;
      const std::string at = std::to_string(joints) + "R trial " + std::to_string(trial);
      const nr_outcome fo = joints == 3 ? newton_ik_3r(1e-9, a, gp, ft, fr, fa)
                                        : newton_ik_6r(1e-9, a, gp, gs, ft, fr, fa);
      const nr_outcome ro = joints == 3 ? newton_ik_3r_reference(1e-9, a, gp, rt, rr, ra)
                                        : newton_ik_6r_reference(1e-9, a, gp, gs, rt, rr, ra);
      EXPECT_EQ(
          compare_solves(fo, ro, ft, rt, fr, rr, fa, ra, joints, kappa * kFastPathRelative, at),
          "");
    }
    EXPECT_GE(compared, 20) << joints << "R: too few well-conditioned samples";
  }
}

// Each serial window's own Run, held against the reference: the forward windows' stored
// origins and posture against chain_point and chain_posture_serial at the stored joint values;
// the inverse windows' stored joint values against the reference solver stepped along the
// stored goals from the same first guess.
TEST(serial_frames, window_runs_match_the_reference_evaluation) {
  test::temp_working_dir dir;
  serial_inverse_layout from_20_degrees = {
      "form_6r_gyaku", "6r_gyaku", 6,  six_axis_link_groups(),  six_axis_link_defaults(), {},
      "Text12",        "変位誤差", 20, six_axis_result_header()};
  from_20_degrees.goal = {{"X", "0.2", {-50, 50, 30, true}, 0.01},
                          {"Y", "0.1", {-50, 50, -30, true}, 0.01},
                          {"Z", "0.6", {0, 100, 50, true}, 0.01},
                          {"α(deg)", "30", {-18, 18, 0, true}, 5, true},
                          {"β(deg)", "-20", {-18, 18, 0, true}, 5, true},
                          {"γ(deg)", "45", {-18, 18, 0, true}, 5, true}};
  const window_decl six_from_20 = serial_inverse_window(from_20_degrees);
  struct {
    const window_decl& decl;
    int joints;
    const char* tolerance_field;  // inverse windows
  } cases[] = {
      {form_3r_jun(), 3, nullptr},    {form_6r_jun(), 6, nullptr}, {form_3r_gyaku(), 3, "Text9"},
      {form_6r_gyaku(), 6, "Text12"}, {six_from_20, 6, "Text12"},
  };
  for (const auto& c : cases) {
    sim_window w(c.decl);
    w.open();
    // The static pose leaves its angles in step 0 until the Run overwrites them.
    link_array static_angles;
    for (int k = 1; k <= c.joints; ++k)
      static_angles(k) = w.logic().arrays.find("the" + std::to_string(k))->state(0).x;
    w.run();
    const trajectory_arrays& arrays = w.logic().arrays;
    const int links = c.joints + 1;
    const serial_arm arm =
        read_link_table(w.ctl, c.joints == 3 ? three_axis_link_groups() : six_axis_link_groups());
    auto joints_at = [&](std::size_t i, link_array& the, link_array& dthe, link_array& ddthe) {
      for (int k = 1; k <= c.joints; ++k) {
        const kin_state j = arrays.find("the" + std::to_string(k))->state(i);
        the(k) = j.x, dthe(k) = j.dx, ddthe(k) = j.ddx;
      }
    };
    const std::size_t steps = arrays.find("p2")->at.size();
    for (std::size_t i = 0; i < steps; ++i) {
      const std::string at = c.decl.name + " step " + std::to_string(i);
      link_array the, dthe, ddthe;
      joints_at(i, the, dthe, ddthe);
      for (int n = 2; n <= links; ++n)
        EXPECT_EQ(compare(arrays.find("p" + std::to_string(n))->at[i],
                          chain_point(n, arm.hx, arm.hy, arm.hz, arm.alfa, arm.beta, the, dthe,
                                      ddthe, kin_state{}),
                          at + " p" + std::to_string(n)),
                  "");
      EXPECT_EQ(compare(arrays.find("s" + std::to_string(links))->at[i],
                        chain_posture_serial(links, arm.alfa, arm.beta, the, dthe, ddthe),
                        at + " posture"),
                "");
      if (!c.tolerance_field) continue;
      // Step i of the Run starts from step i − 1, step 0 from the static pose's angles.
      const double tol = w.ctl.number(c.tolerance_field);
      link_array start, d, dd;
      if (i > 0)
        joints_at(i - 1, start, d, dd);
      else
        start = static_angles;
      link_array rt = start, rr, ra;
      const nr_outcome ro =
          c.joints == 3 ? newton_ik_3r_reference(tol, arm, arrays.find("goal_p")->at[i], rt, rr, ra)
                        : newton_ik_6r_reference(tol, arm, arrays.find("goal_p")->at[i],
                                                 arrays.find("goal_s")->at[i], rt, rr, ra);
      // A singular step leaves zero rates on both sides.
      const double kappa =
          c.joints == 3 ? condition(jacobian_3r(arm, rt)) : condition(jacobian_6r(arm, rt));
      const double rate_tolerance = std::isfinite(kappa) ? kappa * kFastPathRelative : 0;
      EXPECT_EQ(compare_solves(arrays.solver_record()[i], ro, the, rt, dthe, rr, ddthe, ra,
                               c.joints, rate_tolerance, at),
                "");
    }
  }
}

}  // namespace
}  // namespace kinelab
