#include "app/run/derivative_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "app/window/sim_window.h"
#include "core/angles.h"
#include "mechanisms/registry.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

// f = A·sin(ωt) + c over steps 0..N of a cycle T, with its exact rate and acceleration.
trajectory_array sine_curve(int N, double T, double A, double c) {
  trajectory_array a;
  a.name = "q";
  a.kind = array_kind::scalar;
  const double w = 2 * pi / T;
  for (int i = 0; i <= N; ++i) {
    const double t = T * i / N;
    kin_state s;
    s.x = A * std::sin(w * t) + c, s.dx = A * w * std::cos(w * t),
    s.ddx = -A * w * w * std::sin(w * t);
    a.at.push_back(s);
  }
  return a;
}

TEST(DerivativeCheck, SmallOnCorrectRatesLargeOnDeliberateErrors) {
  const int N = 2000;
  const double T = 2;
  const trajectory_array good = sine_curve(N, T, 0.7, 0.1);
  const quantity_check ok = check_quantity(good, 'x', T);
  EXPECT_LT(ok.rate_mismatch.relative, 1e-5);
  EXPECT_LT(ok.accel_mismatch.relative, 1e-5);
  // On correct rates the mismatch is the differences' own truncation error, which the check
  // estimates. Relative to the scale: (ω·dt)²/3 for the rate, at the ends (one-sided, where
  // the sine's f‴ is largest); (ω·dt)²/6 for the acceleration, inside (the rate's f‴ is zero
  // at the ends).
  const double rate_error = std::pow(2 * pi / N, 2) / 3, accel_error = rate_error / 2;
  EXPECT_NEAR(ok.rate_mismatch.relative, rate_error, 0.01 * rate_error);
  EXPECT_NEAR(ok.rate_mismatch.difference_error, rate_error, 0.01 * rate_error);
  EXPECT_NEAR(ok.accel_mismatch.relative, accel_error, 0.01 * accel_error);
  EXPECT_NEAR(ok.accel_mismatch.difference_error, accel_error, 0.01 * accel_error);

  struct {
    const char* fault;
    double rate_factor, accel_factor;
    int spike_step;  // a single wrong rate there, or −1
    double rate_at_least, accel_at_least;
  } cases[] = {
      {"rates 5% too large", 1.05, 1, -1, 0.04, 0},
      {"acceleration of the wrong sign", 1, -1, -1, 0, 1.9},
      {"one rate wrong by the whole scale", 1, 1, 700, 0.9, 0},
  };
  for (const auto& c : cases) {
    trajectory_array bad = good;
    for (kin_state& s : bad.at) s.dx *= c.rate_factor, s.ddx *= c.accel_factor;
    if (c.spike_step >= 0) bad.at[c.spike_step].dx += 0.7 * 2 * pi / T;
    const quantity_check q = check_quantity(bad, 'x', T);
    EXPECT_GT(q.rate_mismatch.relative, c.rate_at_least) << c.fault;
    EXPECT_GT(q.accel_mismatch.relative, c.accel_at_least) << c.fault;
    EXPECT_LT(q.rate_mismatch.difference_error, 1e-5) << c.fault;
    if (c.spike_step >= 0) {
      EXPECT_EQ(q.rate_mismatch.step, c.spike_step) << c.fault;
    }
  }
}

TEST(DerivativeCheck, AnAngleThatWrapsIsNotAJump) {
  // An angle turning at 3 rad/s from 2.5 rad passes +π and comes back as −π.
  const int N = 1000;
  trajectory_array a;
  a.name = "the1";
  a.kind = array_kind::scalar;
  for (int i = 0; i <= N; ++i) {
    kin_state s;
    s.x = 2.5 + 3.0 * i / N, s.dx = 3;
    wrap_angle(s.x);
    a.at.push_back(s);
  }
  const quantity_check q = check_quantity(a, 'x', 1);
  EXPECT_LT(q.rate_mismatch.relative, 1e-9);
  EXPECT_NEAR(q.rate_difference[500], 3, 1e-9);
}

TEST(DerivativeCheck, WindowOverlayReportsInTheStatusLineAndCliPrintsTheFigure) {
  test::temp_working_dir dir;
  const std::unique_ptr<window_model> model = find_window("form_stewart_gyaku")->make({.N = 2000});
  sim_window& w = dynamic_cast<sim_window&>(*model);
  w.open();
  w.press("run");
  w.press("check_derivatives");
  w.press("next");
  EXPECT_EQ(w.status.rfind("derivative check, ", 0), 0u) << w.status;
  EXPECT_TRUE(w.derivative_check_on());
  w.press("check_derivatives");
  EXPECT_FALSE(w.derivative_check_on());
  EXPECT_EQ(w.status, "");

  const std::string command =
      std::string(KINELAB_CLI_PATH) + " form_stewart_gyaku --N 2000 --check-derivatives 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
  const auto at = output.find("largest: rate ");
  ASSERT_NE(at, std::string::npos) << output;
  // The quantities are named as the window names them, "α(deg)" among them.
  double rate = 1, accel = 1;
  const auto accel_at = output.find(", acceleration ", at);
  ASSERT_NE(accel_at, std::string::npos) << output;
  ASSERT_EQ(std::sscanf(output.c_str() + at, "largest: rate %lf (", &rate), 1) << output;
  ASSERT_EQ(std::sscanf(output.c_str() + accel_at, ", acceleration %lf (", &accel), 1) << output;
  EXPECT_LT(rate, 1e-4) << output;
  EXPECT_LT(accel, 1e-4) << output;
}

}  // namespace
}  // namespace kinelab
