// A scalar history kept lean (add_scalar, three doubles a step) reads, writes, guards and swaps
// exactly as one kept in a point's record (add with array_kind::scalar), which windows on other
// branches still use.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/run/trajectory_arrays.h"

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

}  // namespace
}  // namespace kinelab
