// Arrays kept in less than a point's record a step read, guard and swap exactly as stored ones:
// a scalar history kept lean (add_scalar, three doubles a step) as one kept in a point's record
// (add with array_kind::scalar, which windows on other branches still use), and arrays placed
// again when read as the same values stored; the CSV of the arrays, field by field.
#include "app/run/trajectory_arrays.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace kinelab {
namespace {

constexpr int N = 6;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A point p and two scalars a and b, with a value that is not finite in b's rate at step 4 and
// in a's value at step 5; `lean` picks the entry the scalars are added with.
trajectory_arrays sample(bool lean) {
  trajectory_arrays t;
  auto& p = t.add("p", array_kind::point);
  if (lean) {
    t.add_scalar("a", "angle of joint 1", "rad");
    t.add_scalar("b");
  } else {
    t.add("a", array_kind::scalar, "angle of joint 1", "rad");
    t.add("b", array_kind::scalar);
  }
  t.resize(N);
  const auto set = [&](const char* name, int i, double v, double r, double a) {
    trajectory_array& s = *t.find(name);
    const auto at = static_cast<std::size_t>(i);
    if (lean)
      s.scalar_at[at] = {v, r, a};
    else
      s.at[at] = {v, r, a};
  };
  for (int i = 0; i <= N; ++i) {
    p[static_cast<std::size_t>(i)] = {0.5 * i, 1, 0, -i / 3.0, 2, 0, 1e-300 * i, 3, 0};
    set("a", i, 0.1 * i, 0.25 + i, -1.0 / (i + 1));
    set("b", i, 1e5 / (i + 1), i == 4 ? kNaN : 7.0 * i, 1e-7 * i);
  }
  set("a", 5, HUGE_VAL, 1, 2);
  return t;
}

TEST(TrajectoryArrays, LeanScalarIsAScalarInEveryRespect) {
  trajectory_arrays lean = sample(true), full = sample(false);
  const trajectory_array& a = *lean.find("a");
  ASSERT_TRUE(a.lean);
  EXPECT_TRUE(a.at.empty());
  EXPECT_EQ(a.size(), std::size_t{N + 1});
  EXPECT_EQ(lean.N(), N);
  EXPECT_EQ(a.state(2).dx, 2.25);
  EXPECT_EQ(a.state(2).y, 0.0);
  EXPECT_EQ(a.get(3, &kin_state::ddx), -0.25);

  // The same CSV, the same replacements and the same message about them.
  EXPECT_EQ(lean.csv(), full.csv());
  const auto r_lean = lean.replace_non_finite(), r_full = full.replace_non_finite();
  EXPECT_EQ(r_lean.count, 2);
  EXPECT_EQ(r_lean.count, r_full.count);
  EXPECT_EQ(r_lean.first_step, 4);
  EXPECT_EQ(r_lean.first_column, "db");
  EXPECT_EQ(r_lean.first_column, r_full.first_column);
  EXPECT_EQ(lean.find("a")->state(5).x, 0.0);
  EXPECT_TRUE(lean.guarded(4) && lean.guarded(5) && !lean.guarded(3));
  const std::string csv = lean.csv();
  EXPECT_EQ(csv, full.csv());
  EXPECT_EQ(csv.substr(0, csv.find('\n')),
            "i,p.x,p.dx,p.ddx,p.y,p.dy,p.ddy,p.z,p.dz,p.ddz,a,da,dda,b,db,ddb,guarded");

  // A step set aside and put back (a static pose over a Run) comes back whole.
  trajectory_arrays::step_values kept = lean.step(2);
  trajectory_arrays::step_values other = lean.step(6);
  lean.swap_step(2, other);
  EXPECT_EQ(lean.find("b")->state(2).x, 1e5 / 7);
  lean.swap_step(2, other);
  EXPECT_EQ(lean.csv(), full.csv());
  EXPECT_EQ(lean.step(2).values.at(1).dx, kept.values.at(1).dx);
  EXPECT_EQ(other.values.at(1).dx, 6.25);

  // A longer Run keeps the steps it has; a shorter one drops the rest.
  lean.resize(2 * N);
  full.resize(2 * N);
  EXPECT_EQ(lean.find("b")->state(3).x, 25000.0);
  EXPECT_EQ(lean.csv(), full.csv());
  lean.resize(1);
  EXPECT_EQ(lean.N(), 1);
  EXPECT_EQ(lean.find("a")->size(), 2u);
}

// Placed arrays q1, q2 computed from a stored point u when read, against the same values stored:
// u.x = 0 at step 3 makes q2 infinite there, u.y not finite at step 5 is replaced by 0 (which
// must not place q1 again from the replaced value).
struct placed_pair {
  static void place(const kin_state& u, kin_state* out) {
    out[0] = {2 * u.x, 2 * u.dx, 0, u.y + 1, 0, 0, 0, 0, u.z};
    out[1] = {1 / u.x, 0, 0, 0, 0, 0, 0, 0, 0};
  }
  static kin_state input(int i) {
    return {i == 3 ? 0.0 : 0.5 + i, 1, 2, i == 5 ? kNaN : -1.0 * i, 0, 0, 1e-3 * i, 0, 0};
  }
};

TEST(TrajectoryArrays, PlacedArraysReadAsStoredOnes) {
  trajectory_arrays placed, stored;
  auto& u = placed.add("u", array_kind::point);
  placed_arrays& g = placed.add_placed_group(
      [&u](std::size_t i, kin_state* out) { placed_pair::place(u[i], out); });
  placed.add_placed(g, "q1");
  auto& v = placed.add("v", array_kind::point);  // a kept array between the placed ones
  placed.add_placed(g, "q2");
  auto& su = stored.add("u", array_kind::point);
  auto& sq1 = stored.add("q1", array_kind::point);
  auto& sv = stored.add("v", array_kind::point);
  auto& sq2 = stored.add("q2", array_kind::point);
  placed.resize(N);
  stored.resize(N);
  EXPECT_EQ(placed.find("q2")->size(), std::size_t{N + 1});
  // Before a Run the steps after 0 hold nothing, as stored ones hold zeros.
  EXPECT_EQ(placed.csv(), stored.csv());

  g.start_run();
  for (int i = 0; i <= N; ++i) {
    const auto at = static_cast<std::size_t>(i);
    u[at] = su[at] = placed_pair::input(i);
    v[at] = sv[at] = {1.0 * i};
    kin_state q[2];
    placed_pair::place(u[at], q);
    sq1[at] = q[0], sq2[at] = q[1];
    if (i == 0) placed_pair::place(u[0], g.step0());
  }
  EXPECT_EQ(placed.find("q1")->state(4).x, 9.0);
  EXPECT_EQ(placed.csv(), stored.csv());
  const auto r = placed.replace_non_finite(), r_stored = stored.replace_non_finite();
  EXPECT_EQ(r.count, r_stored.count);
  EXPECT_EQ(r.first_step, 3);
  EXPECT_EQ(r.first_column, "q2.x");
  EXPECT_EQ(r_stored.first_column, r.first_column);
  EXPECT_EQ(placed.find("q1")->state(5).y, 0.0);
  EXPECT_EQ(placed.csv(), stored.csv());
  EXPECT_TRUE(placed.guarded(3) && placed.guarded(5) && !placed.guarded(4));

  // Step 0 is the window's own: a static pose over the Run sets it aside and puts it back.
  trajectory_arrays::step_values pose = placed.step(0);
  pose.values.at(1).x = 42;
  placed.swap_step(0, pose);
  EXPECT_EQ(placed.find("q1")->state(0).x, 42.0);
  placed.swap_step(0, pose);
  EXPECT_EQ(placed.csv(), stored.csv());
  EXPECT_THROW(placed.swap_step(1, pose), std::logic_error);
}

// The CSV over several blocks of rows, against each field written on its own by std::to_chars:
// fields that hold still (whose text is copied from the row before), 0 against -0 in the same
// column, values that change every row, the solver record and an extra column.
TEST(TrajectoryArrays, CsvFieldsAreTheirShortestTextInEveryRow) {
  constexpr int steps = 1300;
  trajectory_arrays t;
  auto& p = t.add("p", array_kind::point);
  auto& a = t.add_scalar("a");
  t.keep_solver_record();
  t.resize(steps);
  std::vector<double> extra(steps + 1);
  for (int i = 0; i <= steps; ++i) {
    const auto at = static_cast<std::size_t>(i);
    // Runs of 0 and -0 of different lengths, a constant, a value that moves.
    const double zero = (i / 7) % 2 ? -0.0 : 0.0;
    p[at] = {zero,          0.1,  std::sin(i * 0.01), i < 600 ? 1e-300 : -2.5e17, 1.0 / (i + 1), 0,
             (i / 3) * 0.5, zero, 12345.678};
    a[at] = {i * 1e-7, -0.0, 1e22};
    t.solver_record()[at] = {i % 4, i % 5 ? 1e-12 : std::numeric_limits<double>::max(),
                             i % 9 ? nr_status::converged : nr_status::iteration_limit};
    extra[at] = i % 100 ? 3.0 : 1e6 + i;
  }
  const std::string csv = t.csv({{"sigma_min", &extra}});

  std::string expected =
      "i,p.x,p.dx,p.ddx,p.y,p.dy,p.ddy,p.z,p.dz,p.ddz,a,da,dda,nr_iterations,nr_residual,"
      "nr_status,nr_minimum_norm_rates,sigma_min,guarded\n";
  char text[32];
  const auto field = [&](auto v) {
    expected += ',';
    expected.append(text, std::to_chars(text, text + sizeof text, v).ptr);
  };
  for (int i = 0; i <= steps; ++i) {
    const auto at = static_cast<std::size_t>(i);
    expected += std::to_string(i);
    const kin_state& s = p[at];
    for (const double v : {s.x, s.dx, s.ddx, s.y, s.dy, s.ddy, s.z, s.dz, s.ddz}) field(v);
    for (const double v : {a[at].x, a[at].dx, a[at].ddx}) field(v);
    const nr_outcome& r = t.solver_record()[at];
    field(r.iterations);
    field(r.residual);
    field(static_cast<int>(r.status));
    field(0);
    field(extra[at]);
    expected += ",0\n";
  }
  EXPECT_EQ(csv, expected);
}

}  // namespace
}  // namespace kinelab
