// The 3-D view routines on a recording surface of the reference size (157 × 148 mm), whose
// centre is at (78.5, 74).
#include "draw/view.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "core/angles.h"
#include "core/number_text.h"
#include "core/posture.h"
#include "draw/recording_surface.h"

namespace kinelab {
namespace {

// Coordinates are sums and products of a few terms of size ≤ 100 mm; anything past 1e-9 mm is
// a wrong formula, not rounding.
constexpr double kMmTolerance = 1e-9;
constexpr double kCentreX = 78.5, kCentreY = 74;

struct axes_case {
  const char* name;
  double rot_z_deg;
  // Expected axis ends in centred view coordinates for L = 2, s = 10.
  view_point x_end, y_end, z_end;
};

void PrintTo(const axes_case& c, std::ostream* os) {
  *os << c.name;
}

class DrawAxes : public testing::TestWithParam<axes_case> {};

TEST_P(DrawAxes, DottedAxesFromTheCentreLabelledWithLength) {
  const axes_case& c = GetParam();
  recording_surface sf;
  const mat3 V = rotation_matrix(0, 0, rad(c.rot_z_deg));
  draw_axes(sf, V, 2, 10);
  sf.Line(0, 0, 1, 1, 0);  // shows the pen style draw_axes leaves behind

  const std::vector<draw_op>& ops = sf.ops();
  ASSERT_EQ(ops.size(), 7u);
  const view_point ends[] = {c.x_end, c.y_end, c.z_end};
  const int colours[] = {1, 2, 4};
  for (int a = 0; a < 3; ++a) {
    SCOPED_TRACE("axis " + std::to_string(a));
    const draw_op& line = ops[2 * a];
    const draw_op& label = ops[2 * a + 1];
    ASSERT_EQ(line.what, draw_op::kind::line);
    EXPECT_EQ(line.colour, colours[a]);
    EXPECT_EQ(line.style, 2);
    EXPECT_NEAR(line.x1, kCentreX, kMmTolerance);
    EXPECT_NEAR(line.y1, kCentreY, kMmTolerance);
    EXPECT_NEAR(line.x2, kCentreX + ends[a].u, kMmTolerance);
    EXPECT_NEAR(line.y2, kCentreY - ends[a].w, kMmTolerance);
    ASSERT_EQ(label.what, draw_op::kind::text);
    EXPECT_EQ(label.text, format_number(2));
    EXPECT_DOUBLE_EQ(label.x1, line.x2);
    EXPECT_DOUBLE_EQ(label.y1, line.y2);
  }
  EXPECT_EQ(ops[6].style, 0) << "draw_axes must restore the solid style";
}

// 10·cos 30° and 10·sin 30°, times L·s / 10 = 2.
constexpr double kCos30 = 17.320508075688772, kSin30 = 10;

INSTANTIATE_TEST_SUITE_P(
    Views, DrawAxes,
    testing::Values(
        // x to the right, y up, z seen end-on: its label lands at the centre.
        axes_case{"straight", 0, {20, 0}, {0, 20}, {0, 0}},
        // The serial windows' initial view: x 30° above the horizontal, y 30° left of vertical.
        axes_case{"serial_initial", 30, {kCos30, kSin30}, {-kSin30, kCos30}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DrawChain, BluePolylineWithADotAtEachEnd) {
  struct chain_case {
    const char* name;
    std::vector<kin_state> points;
    // What each op is, and the point indices its ends lie at (a dot uses only `from`).
    std::vector<std::pair<draw_op::kind, std::pair<int, int>>> expected;
  };
  auto at = [](double x, double y, double z) {
    kin_state p;
    p.x = x;
    p.y = y;
    p.z = z;
    return p;
  };
  using K = draw_op::kind;
  const std::vector<chain_case> cases = {
      {"four_points",
       {at(0, 0, 5), at(1, 0, 0), at(1, 2, 0), at(-1, 2, 3)},
       {{K::circle, {0, 0}},
        {K::line, {0, 1}},
        {K::line, {1, 2}},
        {K::circle, {3, 3}},
        {K::line, {2, 3}}}},
      {"single_point", {at(1, 1, 1)}, {{K::circle, {0, 0}}}},
      {"all_equal",
       {at(1, 2, 3), at(1, 2, 3)},
       {{K::circle, {0, 0}}, {K::circle, {1, 1}}, {K::line, {0, 1}}}},
  };
  // Identity view with scale 10: (x, y, z) lands at (78.5 + 10x, 74 − 10y); depth is dropped.
  mat3 V;
  mat_identity(3, V);
  for (const chain_case& c : cases) {
    SCOPED_TRACE(c.name);
    recording_surface sf;
    draw_chain(sf, static_cast<int>(c.points.size()) - 1, c.points, V, 10);
    const std::vector<draw_op>& ops = sf.ops();
    ASSERT_EQ(ops.size(), c.expected.size());
    for (std::size_t k = 0; k < ops.size(); ++k) {
      SCOPED_TRACE("op " + std::to_string(k));
      const auto& [kind, ends] = c.expected[k];
      const kin_state& p = c.points[ends.first];
      const kin_state& q = c.points[ends.second];
      ASSERT_EQ(ops[k].what, kind);
      EXPECT_EQ(ops[k].colour, 1);
      EXPECT_NEAR(ops[k].x1, kCentreX + 10 * p.x, kMmTolerance);
      EXPECT_NEAR(ops[k].y1, kCentreY - 10 * p.y, kMmTolerance);
      if (kind == K::circle) {
        EXPECT_EQ(ops[k].radius, 1);
      } else {
        EXPECT_NEAR(ops[k].x2, kCentreX + 10 * q.x, kMmTolerance);
        EXPECT_NEAR(ops[k].y2, kCentreY - 10 * q.y, kMmTolerance);
      }
    }
  }
}

}  // namespace
}  // namespace kinelab
