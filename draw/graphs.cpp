#include "draw/graphs.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/angles.h"
#include "core/number_text.h"
#include "draw/view.h"

namespace kinelab {

namespace {

// Full scale and half scale, as fractions of the surface height, measured from the time axis.
constexpr double full_scale_fraction = 0.42;
constexpr double half_scale_fraction = 0.21;
// The smallest full scale: a curve that is zero everywhere is drawn along the time axis.
constexpr double smallest_full_scale = 0.0001;

// Value i of a curve, with a missing or non-finite entry read as 0 so that neither the scale
// nor the drawing can pick up NaN.
double sample(const std::vector<double>& curve, int i) {
  if (i < 0 || static_cast<std::size_t>(i) >= curve.size()) return 0;
  const double v = curve[static_cast<std::size_t>(i)];
  return std::isfinite(v) ? v : 0;
}

// The width of a printed label, estimated from its length: no surface here measures text, and
// the labels are numbers. Both surfaces print them at about 3 mm (9 pt on screen, 3 mm in SVG);
// a character is taken as 0.6 of that, a little more than a digit's width, so that the
// estimate errs on the wide side.
constexpr double label_character_mm = 0.6 * 3.2;
// Room kept between two labels, and between a label and the surface's right edge.
constexpr double label_gap_mm = 1;

double label_width(double value) {
  return static_cast<double>(format_number(value).size()) * label_character_mm;
}

// The widest of a curve's four scale labels.
double widest_label(double M) {
  return std::max({label_width(M), label_width(-M), label_width(M / 2), label_width(-M / 2)});
}

// Ticks at ±F and ±F/2 from u_from to u_to, each labelled with the matching fraction of the
// full-scale value M: at the tick's u_to end, or from label_u where that would overlap.
void scale_labels(surface& sf, double u_from, double u_to, double F, double half_F, double M,
                  int colour, double label_u) {
  const struct {
    double w, value;
  } ticks[] = {{F, M}, {-F, -M}, {half_F, M / 2}, {-half_F, -M / 2}};
  for (const auto& t : ticks) {
    graph_line(sf, u_from, t.w, u_to, t.w, colour);
    if (label_u != u_to) graph_move(sf, label_u, t.w);
    sf.Print(t.value);
  }
}

// One pixel of a 96-dpi device (the SVG's pen pixel and the desktop program's logical pixel).
constexpr double pixel_mm = 25.4 / 96;
// Up to this many steps to a pixel column every step is drawn; beyond it a curve is drawn as its
// envelope per column, which draws the same pixels with at most four lines a column.
constexpr double steps_per_column_drawn_in_full = 8;

// The polyline through steps first..last at u = dx·i, w = f·value(i). Where the steps are
// denser than steps_per_column_drawn_in_full to a pixel column, each column is drawn through its
// first step, its lowest and highest step in their order, and its last step: the lines between
// columns are the curve's own, and within a column the envelope covers the same pixels as every
// step would, while what is drawn no longer grows with N. Sparser, every step is drawn.
template <class Value>
void polyline(surface& sf, int first, int last, double dx, double f, int colour, Value value) {
  auto line = [&](int a, int b) {
    graph_line(sf, dx * a, f * value(a), dx * b, f * value(b), colour);
  };
  if (dx * steps_per_column_drawn_in_full >= pixel_mm) {
    for (int i = first; i < last; ++i) line(i, i + 1);
    return;
  }
  auto column_of = [&](int i) { return std::floor(dx * i / pixel_mm); };
  int drawn_to = first;  // the last step the lines have reached
  for (int i = first; i <= last;) {
    const double col = column_of(i);
    int end = i, lowest = i, highest = i;
    double low = value(i), high = low;
    while (end < last && column_of(end + 1) == col) {
      const double v = value(++end);
      if (v < low) low = v, lowest = end;
      if (v > high) high = v, highest = end;
    }
    for (int k : {i, std::min(lowest, highest), std::max(lowest, highest), end}) {
      if (k <= drawn_to) continue;
      line(drawn_to, k);
      drawn_to = k;
    }
    i = end + 1;
  }
}

std::vector<double> column(int N, const std::vector<kin_state>& a, double kin_state::*member) {
  std::vector<double> out(N < 0 ? 0 : static_cast<std::size_t>(N) + 1, 0.0);
  for (std::size_t i = 0; i < out.size() && i < a.size(); ++i) out[i] = a[i].*member;
  return out;
}

void plot_members(surface& sf, int N, const std::vector<kin_state>& a, double kin_state::*v,
                  double kin_state::*dv, double kin_state::*ddv) {
  plot3(sf, N, column(N, a, v), column(N, a, dv), column(N, a, ddv));
}

const std::vector<kin_state>& row(const std::vector<std::vector<kin_state>>& rows, int k) {
  static const std::vector<kin_state> none;
  if (k < 0 || static_cast<std::size_t>(k) >= rows.size()) return none;
  return rows[static_cast<std::size_t>(k)];
}

}  // namespace

void graph_frame(surface& sf) {
  const double W = sf.ScaleWidth(), H = sf.ScaleHeight();
  const double F = full_scale_fraction * H, half_F = half_scale_fraction * H;
  const double span = W - 30;  // u of step N: the axis of B

  // Drawn right to left so that the cursor ends at the left end for the "0" label.
  graph_line(sf, W - 20, 0, -5, 0, 0);
  sf.Print("0");
  graph_line(sf, 0, -H / 2, 0, H / 2, 1);
  graph_line(sf, span, -H / 2, span, H / 2, 2);
  graph_line(sf, W - 20, -H / 2, W - 20, H / 2, 4);
  graph_dot(sf, 0, 0, 1);

  sf.DrawStyle(2);
  for (double w : {F, -F, half_F, -half_F}) graph_line(sf, -8, w, W - 20, w, 0);
  for (double u : {span / 4, span / 2, 3 * span / 4}) graph_line(sf, u, F, u, -F, 0);
  sf.DrawStyle(0);
}

void graph_scale(int N, const std::vector<double>& curve, double& M, double& unit) {
  if (!std::isfinite(M)) M = 0;
  for (int i = 0; i <= N; ++i) {
    const double a = std::fabs(sample(curve, i));
    if (a > M) M = a;
  }
  if (M < smallest_full_scale) {
    M = smallest_full_scale;
    unit = M;
    return;
  }
  // Round M up to a whole multiple of the unit of its leading digit: 0.37 → 0.4, 250 → 300.
  unit = std::pow(10.0, std::floor(log10(M)));
  const double rounded = unit * ceiling(M / unit);
  // Near the largest double (1.7e308 → 2e308) rounding up overflows: the largest value itself
  // is then the full scale, so that the labels stay numbers.
  if (std::isfinite(rounded)) M = rounded;
}

void plot3(surface& sf, int N, const std::vector<double>& A, const std::vector<double>& B,
           const std::vector<double>& C, int pen) {
  sf.Cls();
  graph_frame(sf);
  if (N < 1) return;  // no time step to spread over the axis

  const double W = sf.ScaleWidth(), H = sf.ScaleHeight();
  const double F = full_scale_fraction * H, half_F = half_scale_fraction * H;
  const double dx = (W - 30) / N;

  const struct {
    const std::vector<double>& values;
    int colour;
    double tick_from, tick_to;  // u of the label ticks, drawn toward the label
  } curves[] = {{A, graph_colour[0], 0, -8},
                {B, graph_colour[1], dx * N + 3, dx * N},
                {C, graph_colour[2], dx * N + 13, dx * N + 10}};

  double factor[3], full_scale[3];
  for (int c = 0; c < 3; ++c) {
    if (curves[c].values.empty()) continue;
    double M = 0, unit = 0;
    graph_scale(N, curves[c].values, M, unit);
    full_scale[c] = M;
    factor[c] = F / M;  // millimetres per unit of the curve
  }
  // B's and C's labels stand side by side right of the plot, 10 mm apart, and C's end near the
  // right edge (graph u = W − 10): a label that would run into the next one or past the edge
  // is moved left, as far as it needs.
  double label_u[3] = {curves[0].tick_to, curves[1].tick_to, curves[2].tick_to};
  if (!C.empty())
    label_u[2] = std::min(label_u[2], W - 10 - label_gap_mm - widest_label(full_scale[2]));
  if (!B.empty()) {
    const double room_end = C.empty() ? W - 10 : label_u[2];
    label_u[1] = std::min(label_u[1], room_end - label_gap_mm - widest_label(full_scale[1]));
  }
  for (int c = 0; c < 3; ++c) {
    if (curves[c].values.empty()) continue;
    scale_labels(sf, curves[c].tick_from, curves[c].tick_to, F, half_F, full_scale[c],
                 curves[c].colour, label_u[c]);
  }

  sf.DrawWidth(pen);
  for (int c = 0; c < 3; ++c) {
    if (curves[c].values.empty()) continue;
    const std::vector<double>& values = curves[c].values;
    polyline(sf, 0, N, dx, factor[c], curves[c].colour, [&](int i) { return sample(values, i); });
  }
  sf.DrawWidth(1);
}

void plot_overlay(surface& sf, int N, int which, const std::vector<double>& curve,
                  const std::vector<double>& overlay) {
  if (N < 1 || which < 0 || which > 2) return;
  const double W = sf.ScaleWidth(), H = sf.ScaleHeight();
  const double dx = (W - 30) / N;
  double M = 0, unit = 0;
  graph_scale(N, curve, M, unit);  // the scale plot3 gave the curve
  const double f = full_scale_fraction * H / M;
  auto at = [&](int i, double& v) {
    if (i < 0 || static_cast<std::size_t>(i) >= overlay.size()) return false;
    v = overlay[static_cast<std::size_t>(i)];
    // Off the graph by more than its height: clipped to the edge rather than drawn far away.
    v = std::clamp(v, -M * 2.5, M * 2.5);
    return std::isfinite(v);
  };
  sf.DrawWidth(2);
  sf.DrawStyle(2);
  // Each run of finite entries is a polyline of its own.
  auto value = [&](int i) {
    double v = 0;
    at(i, v);
    return v;
  };
  double v = 0;
  for (int i = 0; i < N;) {
    if (!at(i, v)) {
      ++i;
      continue;
    }
    int end = i;
    while (end < N && at(end + 1, v)) ++end;
    polyline(sf, i, end, dx, f, graph_colour[which], value);
    i = end + 1;
  }
  sf.DrawStyle(0);
  sf.DrawWidth(1);
}

void plot_step_marks(surface& sf, int N, const std::vector<int>& steps, int colour) {
  if (N < 1) return;
  const double W = sf.ScaleWidth(), H = sf.ScaleHeight();
  const double dx = (W - 30) / N;
  for (int i : steps)
    if (i >= 0 && i <= N) graph_line(sf, dx * i, -H / 2, dx * i, -H / 2 + 4, colour);
}

void plot_x(surface& sf, int N, const std::vector<kin_state>& a) {
  plot_members(sf, N, a, &kin_state::x, &kin_state::dx, &kin_state::ddx);
}
void plot_y(surface& sf, int N, const std::vector<kin_state>& a) {
  plot_members(sf, N, a, &kin_state::y, &kin_state::dy, &kin_state::ddy);
}
void plot_z(surface& sf, int N, const std::vector<kin_state>& a) {
  plot_members(sf, N, a, &kin_state::z, &kin_state::dz, &kin_state::ddz);
}

void plot_x2(surface& sf, int N, const std::vector<std::vector<kin_state>>& rows, int k) {
  plot_x(sf, N, row(rows, k));
}
void plot_y2(surface& sf, int N, const std::vector<std::vector<kin_state>>& rows, int k) {
  plot_y(sf, N, row(rows, k));
}
void plot_z2(surface& sf, int N, const std::vector<std::vector<kin_state>>& rows, int k) {
  plot_z(sf, N, row(rows, k));
}

}  // namespace kinelab
