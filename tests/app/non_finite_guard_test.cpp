// The framework's safety net: whatever a window computes, no value that is not finite reaches
// its arrays, result.dat or the drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "app/result_file.h"
#include "app/sim_window.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

// A window whose kinematics break down at step 3 (an overflow, a division by zero).
class faulty_logic : public window_logic {
 public:
  faulty_logic() : p_(arrays.add("p", array_kind::point)) {}
  void read_parameters(sim_window&) override {}
  void static_pose(sim_window&) override {}
  void trajectory_step(sim_window&, int i, const profile_point& s) override {
    p_[static_cast<std::size_t>(i)] = {};
    p_[static_cast<std::size_t>(i)].x = s.s;
    if (i == 3) {
      p_[3].dx = std::numeric_limits<double>::quiet_NaN();
      p_[3].z = std::numeric_limits<double>::infinity();
    }
  }
  void draw_step(sim_window&, surface&, const view_params&, int) override {}
  const std::vector<kin_state>* output_path() const override { return &p_; }
  void fill_readouts(sim_window&, int) override {}
  void write_header(result_text& out) const override { out.text("i, p(i).dx").end_line(); }
  void write_row(result_text& out, int i) const override {
    out.integer(i).number(p_[static_cast<std::size_t>(i)].dx).end_line();
  }

 private:
  std::vector<kin_state>& p_;
};

TEST(non_finite_guard, values_that_are_not_finite_are_zeroed_and_reported) {
  test::temp_working_dir dir;
  window_decl decl;
  decl.name = "faulty";
  decl.make_logic = [] { return std::make_unique<faulty_logic>(); };
  sim_window w(decl);
  w.open();
  w.run();

  EXPECT_TRUE(w.status_is_error);
  EXPECT_EQ(w.status, "2 values were not finite and were set to 0 (first: p.dx at step 3)");
  const auto& p = w.logic().arrays.find("p")->at;
  EXPECT_EQ(p[3].dx, 0);
  EXPECT_EQ(p[3].z, 0);
  std::ifstream f("result.dat");
  std::stringstream text;
  text << f.rdbuf();
  EXPECT_EQ(text.str().find("N"), std::string::npos) << text.str();  // no NAN, no INF
  EXPECT_EQ(text.str().find("I"), std::string::npos);
  w.tick();
  for (const draw_op& op : w.picture()->ops())
    EXPECT_TRUE(std::isfinite(op.x1) && std::isfinite(op.y1) && std::isfinite(op.x2) &&
                std::isfinite(op.y2));
}

}  // namespace
}  // namespace kinelab
