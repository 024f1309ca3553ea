// The framework's safety net: whatever a window computes, no value that is not finite reaches
// its arrays, result.dat or the drawing, and no zero stands in a file for a value never
// computed.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "app/io/result_file.h"
#include "app/service/window_export.h"
#include "app/window/sim_window.h"
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

// The zeros serve the drawing only: the Run keeps the previous result.dat and says so, and the
// dump marks the rows whose values were replaced.
TEST(non_finite_guard, values_that_are_not_finite_are_drawn_as_zero_and_never_written) {
  test::temp_working_dir dir;
  std::ofstream("result.dat", std::ios::binary) << "GOOD OLD RESULT\r\n";
  window_decl decl;
  decl.name = "faulty";
  decl.make_logic = [] { return std::make_unique<faulty_logic>(); };
  sim_window w(decl);
  w.open();
  w.run();

  EXPECT_TRUE(w.status_is_error);
  EXPECT_EQ(w.status, "result.dat kept: the Run overflowed at step 3 (p.dx); 2 values drawn as 0");
  const auto& p = w.logic().arrays.find("p")->at;
  EXPECT_EQ(p[3].dx, 0);
  EXPECT_EQ(p[3].z, 0);
  std::ifstream f("result.dat", std::ios::binary);
  std::stringstream text;
  text << f.rdbuf();
  EXPECT_EQ(text.str(), "GOOD OLD RESULT\r\n");

  const std::string csv = window_csv(w);
  std::stringstream rows(csv);
  std::string line;
  while (std::getline(rows, line) && line.rfind("i,", 0) != 0) {
  }
  ASSERT_EQ(line.substr(line.rfind(',') + 1), "guarded");
  int step = 0;
  while (std::getline(rows, line)) {
    EXPECT_EQ(line.substr(line.rfind(',') + 1), step == 3 ? "1" : "0") << "step " << step;
    ++step;
  }
  EXPECT_EQ(step, w.N() + 1);

  EXPECT_TRUE(w.timer_enabled());  // the animation still runs over what was computed
  w.tick();
  for (const draw_op& op : w.picture()->ops())
    EXPECT_TRUE(std::isfinite(op.x1) && std::isfinite(op.y1) && std::isfinite(op.x2) &&
                std::isfinite(op.y2));
}

}  // namespace
}  // namespace kinelab
