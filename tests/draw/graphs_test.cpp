// Time-history graphs on a recording surface of the reference size, 157 × 148 mm: the time
// axis lies at screen y = 74, step 0 at x = 10 and step N at x = 10 + 127; full scale
// F = 0.42·148 = 62.16 mm.
#include "draw/graphs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <limits>
#include <numbers>
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

// The thick (curve) or dotted (overlay) lines of one colour, in the order drawn.
std::vector<const draw_op*> lines_of(const recording_surface& sf, int colour, int style) {
  std::vector<const draw_op*> out;
  for (const draw_op& op : sf.ops())
    if (op.what == draw_op::kind::line && op.width == 2 && op.colour == colour && op.style == style)
      out.push_back(&op);
  return out;
}

constexpr double kPixelMm = 25.4 / 96;
constexpr std::size_t kPixelColumns = 481;  // 127 mm of 96-dpi pixels, the last one partly

// The step a line end stands at, and that it stands exactly on that step's sample.
int step_at(double x, double y, double dx, double f, const std::vector<double>& v) {
  const int i = static_cast<int>(std::lround((x - kStep0X) / dx));
  EXPECT_NEAR(x, kStep0X + dx * i, kMmTolerance);
  EXPECT_NEAR(y, kAxisY - f * v[static_cast<std::size_t>(i)], kMmTolerance) << "step " << i;
  return i;
}

// Up to eight steps to a pixel column every step is drawn; denser, each column is drawn as its
// envelope. Either way the curve is one unbroken line from step 0 to step N through samples
// only, and within each pixel column it reaches the column's lowest and highest sample.
TEST(Plot3, DenseCurvesKeepEveryPixelColumnsExtremes) {
  const struct {
    int N;
    bool every_step;
  } cases[] = {{2000, true}, {3800, true}, {3900, false}, {200000, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE("N = " + std::to_string(c.N));
    const auto size = static_cast<std::size_t>(c.N) + 1;
    std::vector<double> A(size), B(size), C(size, 0.0);
    for (std::size_t i = 0; i < size; ++i) {
      A[i] = std::sin(2 * std::numbers::pi * static_cast<double>(i) / c.N);
      B[i] = (i % 2 ? 0.5 : -0.5) * std::cos(7 * std::numbers::pi * static_cast<double>(i) / c.N);
    }
    A[size / 7] += 3, A[size / 2] -= 2;  // one-step spikes
    C[1] = 1, C[size - 2] = -1, C[size / 3] = 0.5;
    recording_surface sf;
    plot3(sf, c.N, A, B, C);

    const double dx = kSpan / c.N;
    const std::vector<double>* curves[] = {&A, &B, &C};
    for (int k = 0; k < 3; ++k) {
      SCOPED_TRACE("curve " + std::to_string(k));
      const std::vector<double>& v = *curves[k];
      double M = 0, unit = 0;
      graph_scale(c.N, v, M, unit);
      const double f = kF / M;
      const auto lines = lines_of(sf, graph_colour[k], 0);
      ASSERT_FALSE(lines.empty());
      if (c.every_step)
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(c.N));
      else
        EXPECT_LE(lines.size(), 4 * kPixelColumns);

      // Lowest and highest drawn y per pixel column, from the line ends.
      std::vector<double> low(kPixelColumns, INFINITY), high(kPixelColumns, -INFINITY);
      auto reach = [&](double x, double y) {
        const int i = step_at(x, y, dx, f, v);
        const auto col = static_cast<std::size_t>(std::floor(dx * i / kPixelMm));
        low[col] = std::min(low[col], y), high[col] = std::max(high[col], y);
        return i;
      };
      EXPECT_EQ(reach(lines.front()->x1, lines.front()->y1), 0);
      for (std::size_t j = 0; j < lines.size(); ++j) {
        if (j > 0) {
          ASSERT_EQ(lines[j]->x1, lines[j - 1]->x2) << "line " << j;
          ASSERT_EQ(lines[j]->y1, lines[j - 1]->y2) << "line " << j;
        }
        reach(lines[j]->x2, lines[j]->y2);
      }
      EXPECT_EQ(step_at(lines.back()->x2, lines.back()->y2, dx, f, v), c.N);

      std::vector<double> want_low(kPixelColumns, INFINITY), want_high(kPixelColumns, -INFINITY);
      for (int i = 0; i <= c.N; ++i) {
        const auto col = static_cast<std::size_t>(std::floor(dx * i / kPixelMm));
        const double y = kAxisY - f * v[static_cast<std::size_t>(i)];
        want_low[col] = std::min(want_low[col], y), want_high[col] = std::max(want_high[col], y);
      }
      for (std::size_t col = 0; col < kPixelColumns; ++col) {
        if (std::isinf(want_low[col])) continue;  // a column without a step (sparse N)
        ASSERT_NEAR(low[col], want_low[col], kMmTolerance) << "column " << col;
        ASSERT_NEAR(high[col], want_high[col], kMmTolerance) << "column " << col;
      }
    }
  }
}

// A dense overlay is drawn as its envelope too, each run of finite entries on its own: no line
// bridges a gap, and every step that has a finite neighbour is covered.
TEST(PlotOverlay, DenseOverlayLeavesItsGapsOpen) {
  const int N = 200000;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> curve(N + 1), overlay(N + 1);
  for (int i = 0; i <= N; ++i) {
    curve[static_cast<std::size_t>(i)] = std::sin(2 * std::numbers::pi * i / N);
    overlay[static_cast<std::size_t>(i)] = curve[static_cast<std::size_t>(i)] + (i % 3) * 1e-3;
  }
  for (int i : {0, 50000, 50001, 50002, 100000, 100002, 150000, N})
    overlay[static_cast<std::size_t>(i)] = nan;
  recording_surface sf;
  plot_overlay(sf, N, 1, curve, overlay);

  double M = 0, unit = 0;
  graph_scale(N, curve, M, unit);
  const double dx = kSpan / N, f = kF / M;
  const auto lines = lines_of(sf, graph_colour[1], 2);
  EXPECT_LE(lines.size(), 4 * kPixelColumns + 8);
  std::vector<char> covered(N + 1, 0);
  for (const draw_op* l : lines) {
    const int a = step_at(l->x1, l->y1, dx, f, overlay), b = step_at(l->x2, l->y2, dx, f, overlay);
    ASSERT_LT(a, b);
    for (int i = a; i <= b; ++i) {
      ASSERT_TRUE(std::isfinite(overlay[static_cast<std::size_t>(i)])) << a << " to " << b;
      covered[static_cast<std::size_t>(i)] = 1;
    }
  }
  for (int i = 0; i <= N; ++i) {
    const auto finite = [&](int k) {
      return k >= 0 && k <= N && std::isfinite(overlay[static_cast<std::size_t>(k)]);
    };
    const bool drawn = finite(i) && (finite(i - 1) || finite(i + 1));
    ASSERT_EQ(covered[static_cast<std::size_t>(i)] != 0, drawn) << "step " << i;
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
