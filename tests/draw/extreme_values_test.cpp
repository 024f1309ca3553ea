// Graphs and the 3-D view fed with values from 1e-300 to the largest double: every element
// lies on the surface (157 × 148 mm), every coordinate is finite, and every label is a number
// a person can read back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/array_algebra.h"
#include "core/number_text.h"
#include "core/posture.h"
#include "draw/graphs.h"
#include "draw/recording_surface.h"
#include "draw/svg_surface.h"
#include "draw/view.h"

namespace kinelab {
namespace {

constexpr double largest = std::numeric_limits<double>::max();
constexpr double W = default_surface_width_mm, H = default_surface_height_mm;
// format_number prints at most 15 significant digits, a sign, a point and "E+308".
constexpr std::size_t longest_number_label = 22;
// Clipped ends are pinned onto the border; rounding may leave them this far off it.
constexpr double kBorderTolerance = 1e-9;

bool on_surface(double x, double y, double margin = 0) {
  return x >= -margin - kBorderTolerance && x <= W + margin + kBorderTolerance &&
         y >= -margin - kBorderTolerance && y <= H + margin + kBorderTolerance;
}

// The first element that is off the surface, not finite or labelled with something other than
// a readable number; empty when there is none.
std::string first_problem(const recording_surface& sf) {
  for (std::size_t k = 0; k < sf.ops().size(); ++k) {
    const draw_op& op = sf.ops()[k];
    const std::string at = "op " + std::to_string(k) + " at (" + format_number(op.x1) + ", " +
                           format_number(op.y1) + ")";
    switch (op.what) {
      case draw_op::kind::line:
        if (!on_surface(op.x1, op.y1) || !on_surface(op.x2, op.y2))
          return at + " to (" + format_number(op.x2) + ", " + format_number(op.y2) + ")";
        break;
      case draw_op::kind::circle:
        if (!on_surface(op.x1, op.y1, op.radius)) return at + ": circle";
        break;
      case draw_op::kind::text:
        if (!on_surface(op.x1, op.y1)) return at + ": label " + op.text;
        if (op.text != "0" && (!parse_number(op.text) || op.text.size() > longest_number_label))
          return at + ": unreadable label \"" + op.text + "\"";
        break;
      case draw_op::kind::rect:
        if (!on_surface(op.x1, op.y1) || !on_surface(op.x1 + op.x2, op.y1 + op.y2))
          return at + ": rectangle";
        break;
    }
  }
  svg_surface svg(W, H);
  sf.replay(svg);
  const std::string doc = svg.document();
  for (const char* word : {"nan", "inf", "NAN", "INF"})
    if (doc.find(word) != std::string::npos) return std::string("SVG holds ") + word;
  return "";
}

TEST(ExtremeValues, GraphScaleStaysFiniteAndRounded) {
  const struct {
    const char* name;
    std::vector<double> curve;
    double M;
  } cases[] = {
      {"1e300", {0, 1e300, -3e299}, 1e300},
      {"largest double: rounding up would overflow", {largest, -largest}, largest},
      {"1.5e308 rounds to 2e308 = inf", {1.5e308}, 1.5e308},
      {"1e-300 below the smallest full scale", {1e-300, -1e-300}, 0.0001},
      {"denormal", {4.9e-324}, 0.0001},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    double M = 0, unit = 0;
    graph_scale(static_cast<int>(c.curve.size()) - 1, c.curve, M, unit);
    EXPECT_TRUE(std::isfinite(M) && std::isfinite(unit) && unit > 0);
    EXPECT_NEAR(M, c.M, 1e-12 * c.M);
  }
}

TEST(ExtremeValues, GraphsDrawOnTheSurfaceWithReadableLabels) {
  const std::vector<double> huge = {0, 1e300, -1e300, 5e299}, largest_both = {largest, -largest, 0},
                            tiny = {1e-300, -1e-300, 0}, mixed = {1e-300, largest, -1e300, 0};
  const struct {
    const char* name;
    const std::vector<double>&A, &B, &C;
  } cases[] = {
      {"huge", huge, huge, huge},
      {"largest double", largest_both, largest_both, largest_both},
      {"tiny", tiny, tiny, tiny},
      {"mixed per curve", huge, tiny, mixed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    recording_surface sf;
    const int N = static_cast<int>(c.A.size()) - 1;
    plot3(sf, N, c.A, c.B, c.C);
    EXPECT_EQ(first_problem(sf), "");
    int labels = 0;
    for (const draw_op& op : sf.ops()) labels += op.what == draw_op::kind::text;
    EXPECT_EQ(labels, 1 + 3 * 4) << "the 0 of the time axis and four ticks per curve";
  }
}

TEST(ExtremeValues, ViewClipsLinesToTheSurface) {
  mat3 V;
  mat_identity(3, V);
  const double s = 10;  // mm per unit: the reference view of a mechanism about 7 units across
  auto point = [](double x, double y, double z) {
    kin_state p;
    p.x = x, p.y = y, p.z = z;
    return p;
  };
  // From the centre to 1e300 along x: the visible part runs to the right border at mid-height.
  {
    recording_surface sf;
    draw_chain(sf, 1, {point(0, 0, 0), point(1e300, 0, 0)}, V, s);
    EXPECT_EQ(first_problem(sf), "");
    ASSERT_EQ(sf.ops().size(), 2u) << "the start dot and the clipped line; the far dot is gone";
    const draw_op& line = sf.ops()[1];
    EXPECT_EQ(line.what, draw_op::kind::line);
    EXPECT_DOUBLE_EQ(line.x1, W / 2);
    EXPECT_DOUBLE_EQ(line.y1, H / 2);
    EXPECT_NEAR(line.x2, W, kBorderTolerance);
    EXPECT_NEAR(line.y2, H / 2, kBorderTolerance);
  }
  // Across the whole surface between ends at ±1.5e308 mm (their difference overflows a double),
  // then two segments that pass beside the surface entirely.
  {
    recording_surface sf;
    const double far = 1.5e307;
    draw_chain(
        sf, 3,
        {point(-far, -far, 0), point(far, far, 0), point(1e300, 1e300, 0), point(1e300, -1e300, 0)},
        V, s);
    EXPECT_EQ(first_problem(sf), "");
    int lines = 0;
    for (const draw_op& op : sf.ops()) lines += op.what == draw_op::kind::line;
    EXPECT_EQ(lines, 1) << "only the diagonal crosses the surface";
  }
}

// Segments given in surface millimetres through view_line (screen x = 78.5 + u, y = 74 − w).
TEST(ExtremeValues, SegmentsWithAFarEndAreCutWhereTheyMeetTheSurface) {
  auto screen_line = [](recording_surface& sf, double x1, double y1, double x2, double y2) {
    view_line(sf, x1 - W / 2, H / 2 - y1, x2 - W / 2, H / 2 - y2, 1);
  };
  // Wholly beyond the top-left corner, heading away from it: nothing is drawn. (Followed from
  // the far end, the parameter where it crossed the borders rounded to 1, and a line from the
  // corner to (−28548, −20901) was drawn.)
  {
    recording_surface sf;
    screen_line(sf, -1e300, -0.7e300, -28548.2416614286, -20901.210011363);
    screen_line(sf, -28548.2416614286, -20901.210011363, -1e300, -0.7e300);
    for (const draw_op& op : sf.ops()) EXPECT_NE(op.what, draw_op::kind::line);
    EXPECT_EQ(first_problem(sf), "");
  }
  // Along mid-height from 1e300 mm to the left: the visible part runs from the left border to
  // the end on the surface, which is kept exactly, in the direction given.
  {
    recording_surface sf;
    screen_line(sf, -1e300, H / 2, 100, H / 2);
    ASSERT_EQ(sf.ops().size(), 1u);
    const draw_op& line = sf.ops()[0];
    EXPECT_NEAR(line.x1, 0, kBorderTolerance);
    EXPECT_NEAR(line.y1, H / 2, kBorderTolerance);
    EXPECT_EQ(line.x2, 100);
    EXPECT_EQ(line.y2, H / 2);
  }
}

TEST(ExtremeValues, AxesOfAnyLengthAreLabelledOnTheSurface) {
  const mat3 V = rotation_matrix(-1.0, 0.3, 0.5);
  for (const double L : {1e300, 1e-300, largest, 4.9e-324}) {
    SCOPED_TRACE(format_number(L));
    // The windows' scale for a mechanism of size L: half the shorter side per L.
    const double scale = std::min(W, H) / (2 * L);
    recording_surface sf;
    draw_axes(sf, V, L, std::isfinite(scale) ? scale : std::min(W, H) / 2);
    EXPECT_EQ(first_problem(sf), "");
    for (const draw_op& op : sf.ops())
      if (op.what == draw_op::kind::text) {
        EXPECT_EQ(op.text, format_number(L));
      }
  }
  // A view scale far too large for the axes: each runs off the surface, and its label stands
  // where the axis leaves it.
  recording_surface sf;
  draw_axes(sf, V, 1, 1e300);
  EXPECT_EQ(first_problem(sf), "");
}

}  // namespace
}  // namespace kinelab
