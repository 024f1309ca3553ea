// σmin and the condition number of the windows' own Jacobians: what the diagnostics keep per
// step (and the dump and Python read) is singularity_distance_of, and it agrees with the full
// SVD to 1e-10 relative wherever the condition is below 1e6, near-singular Runs included,
// where the SVD itself answers.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/singular_values.h"
#include "mechanisms/registry.h"
#include "mechanisms/serial/serial_forward.h"
#include "support/diagnostics_check.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

struct tally {
  int fast = 0, fallback = 0;
};

// Every step's Jacobian of the window's last Run.
void check_steps(sim_window& w, tally& t) {
  const singularity_history& h = w.singularity();
  for (int i = 0; i <= w.N(); ++i) {
    SCOPED_TRACE(testing::Message() << "step " << i);
    jacobian_matrix J;
    if (!w.logic().jacobian_at(i, J)) continue;
    const singularity_distance d = singularity_distance_of(J);
    EXPECT_EQ(h.sigma_min[static_cast<std::size_t>(i)], d.sigma_min);
    EXPECT_EQ(h.condition[static_cast<std::size_t>(i)], d.condition);
    const singular_value_set sv = singular_values(J);
    ASSERT_GT(sv.count, 0);
    const singularity_distance full = singularity_distance_of(sv);
    if (full.condition > gram_condition_limit * (1 + 1e-9)) {
      EXPECT_EQ(d.sigma_min, full.sigma_min);
      EXPECT_EQ(d.condition, full.condition);
      ++t.fallback;
    } else {
      EXPECT_LE(std::fabs(d.sigma_min - full.sigma_min), 1e-10 * full.sigma_min);
      EXPECT_LE(std::fabs(d.condition - full.condition), 1e-10 * full.condition);
      ++t.fast;
    }
  }
}

TEST(window_singularity, every_windows_jacobians_agree_with_the_full_svd) {
  test::temp_working_dir dir;
  tally t;
  for (const window_entry& e : window_registry()) {
    if (!e.simulation) continue;
    SCOPED_TRACE(e.name);
    std::unique_ptr<window_model> m = e.make();
    auto* w = dynamic_cast<sim_window*>(m.get());
    ASSERT_NE(w, nullptr);
    w->open();
    w->press("run");
    check_steps(*w, t);
  }
  // The six-axis arm with its wrist through 0 (axes 4 and 6 in line) and near it.
  const std::vector<std::string> others = {
      "HScroll2(0)=4", "HScroll2(1)=-6", "HScroll2(2)=16", "HScroll2(3)=6", "HScroll2(5)=5",
      "Text2(1)=60",   "Text2(3)=10",    "Text2(5)=120",   "Text2(7)=-30",  "Text2(11)=80"};
  for (const auto& [start, stop] :
       std::vector<std::pair<std::string, std::string>>{{"0", "0"}, {"-1", "5"}, {"6", "60"}}) {
    SCOPED_TRACE("wrist from " + start + " to " + stop);
    std::vector<std::string> sets = others;
    sets.push_back("HScroll2(4)=" + start);
    sets.push_back("Text2(9)=" + stop);
    check_steps(*test::run_window(form_6r_jun(), sets), t);
  }
  EXPECT_GT(t.fast, 500);
  EXPECT_GT(t.fallback, 50);
}

// A Run that finds the history while it writes result.dat (for a dump after it) leaves the same
// history, result.dat and status as one that does not, in every window.
TEST(window_singularity, found_alongside_the_run_it_is_the_same) {
  test::temp_working_dir dir;
  for (const window_entry& e : window_registry()) {
    if (!e.simulation) continue;
    SCOPED_TRACE(e.name);
    std::unique_ptr<window_model> plain_model = e.make(), alongside_model = e.make();
    auto* plain = dynamic_cast<sim_window*>(plain_model.get());
    auto* alongside = dynamic_cast<sim_window*>(alongside_model.get());
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(alongside, nullptr);
    alongside->singularity_with_run = true;
    for (sim_window* w : {plain, alongside}) {
      w->open();
      w->press("run");
    }
    EXPECT_EQ(alongside->result_file_text(), plain->result_file_text());
    EXPECT_EQ(alongside->status, plain->status);
    const singularity_history& a = alongside->singularity();
    const singularity_history& b = plain->singularity();
    EXPECT_EQ(a.sigma_min, b.sigma_min);
    EXPECT_EQ(a.condition, b.condition);
  }
}

}  // namespace
}  // namespace kinelab
