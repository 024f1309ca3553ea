// Time-history graphs on a recording surface of the reference size, 157 × 148 mm: the time
// axis lies at screen y = 74, step 0 at x = 10 and step N at x = 10 + 127; full scale
// F = 0.42·148 = 62.16 mm.
#include "draw/graphs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/number_text.h"
#include "draw/recording_surface.h"

namespace kinelab {
namespace {

constexpr double kMmTolerance = 1e-9;  // a few roundings of values ≤ 200 mm
// Scales are products of a power of ten and a whole number: equal to a few ulps.
constexpr double kScaleRelTolerance = 1e-12;
constexpr double kAxisY = 74, kStep0X = 10, kSpan = 127, kF = 62.16;

std::vector<const draw_op*> ops_of(const recording_surface& sf, draw_op::kind kind) {
  std::vector<const draw_op*> out;
  for (const draw_op& op : sf.ops())
    if (op.what == kind) out.push_back(&op);
  return out;
}

TEST(GraphScale, RoundsUpToTheLeadingDigitsUnit) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* name;
    std::vector<double> curve;
    double start, M, unit;
  } cases[] = {
      {"0.37", {0.1, 0.37, -0.2}, 0, 0.4, 0.1},
      {"exactly 2", {2, 1}, 0, 2, 1},
      {"3.2", {3.2}, 0, 4, 1},
      {"250", {-100, 250}, 0, 300, 100},
      {"0.5", {0.5}, 0, 0.5, 0.1},
      {"negative only", {-1, -3}, 0, 3, 1},
      {"all zero", {0, 0, 0}, 0, 0.0001, 0.0001},
      {"start value above the curve", {0.37}, 5, 5, 1},
      {"non-finite entries read as 0", {nan, 0.37, -INFINITY}, 0, 0.4, 0.1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    double M = c.start, unit = -1;
    graph_scale(static_cast<int>(c.curve.size()) - 1, c.curve, M, unit);
    EXPECT_NEAR(M, c.M, kScaleRelTolerance * c.M);
    EXPECT_NEAR(unit, c.unit, kScaleRelTolerance * c.unit);
  }
}

TEST(Plot3, LabelsEachCurveWithItsOwnScale) {
  constexpr double kB = kStep0X + kSpan + 10 - 1 - 7 * 1.92;
  recording_surface sf;
  const std::vector<double> A = {0, 0.37, -0.1}, B = {0, 0, 0}, C = {250, -20, 0};
  plot3(sf, 2, A, B, C);

  const struct {
    double x, w;
    std::string text;
  } expected[] = {
      {kStep0X - 5, 0, "0"},  // the time axis' own label, at its left end
      {kStep0X - 8, kF, "0.4"},
      {kStep0X - 8, -kF, "-0.4"},
      {kStep0X - 8, kF / 2, "0.2"},
      {kStep0X - 8, -kF / 2, "-0.2"},
      // B's widest labels, "-0.0001" and "-5E-05", would run into C's: B's move left to end 1 mm
      // before C's, at an estimated 1.92 mm a character.
      {kB, kF, format_number(0.0001)},
      {kB, -kF, format_number(-0.0001)},
      {kB, kF / 2, format_number(0.00005)},
      {kB, -kF / 2, format_number(-0.00005)},
      {kStep0X + kSpan + 10, kF, "300"},
      {kStep0X + kSpan + 10, -kF, "-300"},
      {kStep0X + kSpan + 10, kF / 2, "150"},
      {kStep0X + kSpan + 10, -kF / 2, "-150"},
  };
  const auto labels = ops_of(sf, draw_op::kind::text);
  ASSERT_EQ(labels.size(), std::size(expected));
  for (std::size_t k = 0; k < labels.size(); ++k) {
    SCOPED_TRACE("label " + std::to_string(k));
    EXPECT_EQ(labels[k]->text, expected[k].text);
    EXPECT_NEAR(labels[k]->x1, expected[k].x, kMmTolerance);
    EXPECT_NEAR(labels[k]->y1, kAxisY - expected[k].w, kMmTolerance);
  }
}

// Scale labels at every magnitude never run into each other nor past the surface's right edge,
// measured at the width a digit has in the program's 9-point font (0.55 em of 3.175 mm).
TEST(Plot3, ScaleLabelsNeverOverlapNorPassTheEdge) {
  constexpr double digit_mm = 0.55 * 3.175;
  for (double b : {0.0, 0.37, 2.0, -0.00037, 123456.0, 1e-9, 3e15})
    for (double c : {0.0, 0.37, -250.0, 1e-7, 7e20}) {
      SCOPED_TRACE("B " + format_number(b) + ", C " + format_number(c));
      recording_surface sf;
      plot3(sf, 2, {1, 0.5, 0}, {0, b, b}, {c, 0, c});
      const auto labels = ops_of(sf, draw_op::kind::text);
      for (const draw_op* l : labels) {
        const double end = l->x1 + digit_mm * static_cast<double>(l->text.size());
        EXPECT_LE(end, sf.ScaleWidth()) << l->text;
        for (const draw_op* m : labels)
          if (m != l && m->y1 == l->y1 && m->x1 > l->x1) {
            EXPECT_LE(end, m->x1) << l->text << " runs into " << m->text;
          }
      }
    }
}

TEST(Plot3, CurvesInTheirOwnPassesAtTheirOwnScale) {
  recording_surface sf;
  const int N = 2;
  const std::vector<double> A = {0, 0.37, -0.1}, B = {0, 0, 0}, C = {250, -20, 0};
  plot3(sf, N, A, B, C);
  sf.Line(0, 0, 1, 1, 0);  // shows the pen width plot3 leaves behind

  std::vector<const draw_op*> curve_lines;
  for (const draw_op& op : sf.ops())
    if (op.what == draw_op::kind::line && op.width == 2) curve_lines.push_back(&op);
  ASSERT_EQ(curve_lines.size(), 3u * N);

  const std::vector<double>* curves[] = {&A, &B, &C};
  const double full_scale[] = {0.4, 0.0001, 300};
  const int colours[] = {1, 2, 4};
  const double dx = kSpan / N;
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < N; ++i) {
      SCOPED_TRACE("curve " + std::to_string(c) + " segment " + std::to_string(i));
      const draw_op& seg = *curve_lines[static_cast<std::size_t>(c * N + i)];
      const double f = kF / full_scale[c];
      EXPECT_EQ(seg.colour, colours[c]);
      EXPECT_NEAR(seg.x1, kStep0X + dx * i, kMmTolerance);
      EXPECT_NEAR(seg.y1, kAxisY - f * (*curves[c])[i], kMmTolerance);
      EXPECT_NEAR(seg.x2, kStep0X + dx * (i + 1), kMmTolerance);
      EXPECT_NEAR(seg.y2, kAxisY - f * (*curves[c])[i + 1], kMmTolerance);
    }
  // 0.37 of a 0.4 full scale, stated outright.
  EXPECT_NEAR(curve_lines[0]->y2, kAxisY - 0.37 / 0.4 * kF, kMmTolerance);
  EXPECT_EQ(sf.ops().back().width, 1) << "plot3 must restore the thin pen";
}

TEST(Plot3, DegenerateInputsDrawNoNonFiniteCoordinates) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* name;
    int N;
    std::vector<double> A;
    std::size_t curve_lines;
  } cases[] = {
      {"no time step: only the frame", 0, {1}, 0},
      {"non-finite values drawn as 0", 2, {nan, INFINITY, 1}, 6},
      {"curve shorter than N + 1", 3, {1}, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    recording_surface sf;
    plot3(sf, c.N, c.A, c.A, c.A);
    std::size_t thick = 0;
    for (const draw_op& op : sf.ops()) {
      ASSERT_TRUE(std::isfinite(op.x1) && std::isfinite(op.y1) && std::isfinite(op.x2) &&
                  std::isfinite(op.y2));
      if (op.what == draw_op::kind::line && op.width == 2) ++thick;
    }
    EXPECT_EQ(thick, c.curve_lines);
  }
}

// Each plot_* routine takes value, rate and acceleration of one coordinate, in that order; the
// two-index forms read row k only. The chosen triple gives full scales 0.4, 4 and 300; any other
// member or row holds 7777, whose scale 8000 would show in the labels.
TEST(PlotKinState, PicksTheCoordinateTripleAndRow) {
  using plot1 = std::function<void(surface&, int, const std::vector<kin_state>&)>;
  using plot2 = std::function<void(surface&, int, const std::vector<std::vector<kin_state>>&, int)>;
  const struct {
    const char* name;
    double kin_state::*v;
    double kin_state::*dv;
    double kin_state::*ddv;
    plot1 one;
    plot2 two;
  } cases[] = {
      {"x", &kin_state::x, &kin_state::dx, &kin_state::ddx, plot_x, plot_x2},
      {"y", &kin_state::y, &kin_state::dy, &kin_state::ddy, plot_y, plot_y2},
      {"z", &kin_state::z, &kin_state::dz, &kin_state::ddz, plot_z, plot_z2},
  };
  const int N = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    kin_state filler{7777, 7777, 7777, 7777, 7777, 7777, 7777, 7777, 7777};
    std::vector<kin_state> chosen(N + 1, filler);
    chosen[1].*c.v = 0.37;
    chosen[1].*c.dv = 3.2;
    chosen[1].*c.ddv = 250;
    chosen[0].*c.v = chosen[0].*c.dv = chosen[0].*c.ddv = 0;
    const std::vector<std::vector<kin_state>> rows = {std::vector<kin_state>(N + 1, filler),
                                                      chosen};
    for (int form = 1; form <= 2; ++form) {
      SCOPED_TRACE(form == 1 ? "one-index" : "two-index, row 1");
      recording_surface sf;
      if (form == 1)
        c.one(sf, N, chosen);
      else
        c.two(sf, N, rows, 1);
      const auto labels = ops_of(sf, draw_op::kind::text);
      ASSERT_EQ(labels.size(), 13u);
      EXPECT_EQ(labels[1]->text, "0.4");
      EXPECT_EQ(labels[5]->text, "4");
      EXPECT_EQ(labels[9]->text, "300");
    }
  }
}

}  // namespace
}  // namespace kinelab
