#include "draw/view.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/posture.h"

namespace kinelab {

namespace {

// How far a point lies outside the surface [0, W] × [0, H] (0 on it), in the larger direction.
double distance_outside(double W, double H, double x, double y) {
  return std::max({0.0, -x, x - W, -y, y - H});
}

// Cuts the segment down to the part that lies on the surface [0, W] × [0, H] (Liang–Barsky);
// false when no part does. A mechanism far larger than the view, or a value of 1e300, puts
// ends millions of surface widths away, which neither an SVG viewer nor a painter handles
// well. The segment is followed from its end nearer the surface, so that where it meets the
// border the parameter is small and exact even when the other end lies at 1e300; differences
// are taken in long double, so that ends at ±1e308 do not overflow. An end that lies on the
// surface is kept exactly as given; every other end is pinned onto the surface.
bool clip_to_surface(double W, double H, double& x1, double& y1, double& x2, double& y2) {
  const bool from_second = distance_outside(W, H, x2, y2) < distance_outside(W, H, x1, y1);
  if (from_second) std::swap(x1, x2), std::swap(y1, y2);
  using real = long double;
  const real dx = real(x2) - x1, dy = real(y2) - y1;
  const real p[4] = {-dx, dx, -dy, dy};
  const real q[4] = {real(x1), real(W) - x1, real(y1), real(H) - y1};
  real t0 = 0, t1 = 1;
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;  // parallel to this border and beyond it
      continue;
    }
    const real t = q[k] / p[k];
    if (p[k] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  auto on_surface = [](real v, double limit) {
    return static_cast<double>(std::clamp(v, real(0), real(limit)));
  };
  const real x0 = x1, y0 = y1;
  if (distance_outside(W, H, x1, y1) > 0)
    x1 = on_surface(x0 + t0 * dx, W), y1 = on_surface(y0 + t0 * dy, H);
  if (distance_outside(W, H, x2, y2) > 0)
    x2 = on_surface(x0 + t1 * dx, W), y2 = on_surface(y0 + t1 * dy, H);
  if (from_second) std::swap(x1, x2), std::swap(y1, y2);
  return true;
}

// A line in surface coordinates, drawn as far as it lies on the surface. The text cursor ends
// where the visible part ends; for a line wholly off the surface it moves to the nearest
// border point of the line's end, so that a label printed next stays readable on the surface.
void surface_line(surface& sf, double x1, double y1, double x2, double y2, int colour) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
  const double W = sf.ScaleWidth(), H = sf.ScaleHeight();
  if (clip_to_surface(W, H, x1, y1, x2, y2))
    sf.Line(x1, y1, x2, y2, colour);
  else
    sf.MoveTo(std::clamp(x2, 0.0, W), std::clamp(y2, 0.0, H));
}

// A circle wholly off the surface is not drawn.
void surface_circle(surface& sf, double x, double y, double radius, int colour) {
  const double W = sf.ScaleWidth(), H = sf.ScaleHeight();
  if (!(x >= -radius && x <= W + radius && y >= -radius && y <= H + radius)) return;
  sf.Circle(x, y, radius, colour);
}

}  // namespace

view_point project(const mat3& V, double s, double x, double y, double z) {
  vec3 p;
  p(1) = x;
  p(2) = y;
  p(3) = z;
  vec3 v;
  mat_vec(3, V, p, v);
  // Orthographic: the depth v₃ is dropped.
  return {s * v(1), s * v(2)};
}

void view_line(surface& sf, double u1, double w1, double u2, double w2, int colour) {
  const double cx = 0.5 * sf.ScaleWidth(), cy = 0.5 * sf.ScaleHeight();
  surface_line(sf, cx + u1, cy - w1, cx + u2, cy - w2, colour);
}

void view_dot(surface& sf, double u, double w, int colour) {
  surface_circle(sf, 0.5 * sf.ScaleWidth() + u, 0.5 * sf.ScaleHeight() - w, 1, colour);
}

// Graph coordinates: the time axis starts 10 mm from the left edge, at mid-height.
void graph_line(surface& sf, double u1, double w1, double u2, double w2, int colour) {
  const double cy = 0.5 * sf.ScaleHeight();
  surface_line(sf, 10 + u1, cy - w1, 10 + u2, cy - w2, colour);
}

void graph_move(surface& sf, double u, double w) {
  sf.MoveTo(10 + u, 0.5 * sf.ScaleHeight() - w);
}

void graph_dot(surface& sf, double u, double w, int colour) {
  surface_circle(sf, 10 + u, 0.5 * sf.ScaleHeight() - w, 1, colour);
}

void draw_axes(surface& sf, const mat3& V, double L, double s) {
  struct axis {
    double x, y, z;
    int colour;
  };
  static constexpr axis axes[] = {{1, 0, 0, 1}, {0, 1, 0, 2}, {0, 0, 1, 4}};
  sf.DrawStyle(2);
  for (const axis& a : axes) {
    const view_point end = project(V, s, L * a.x, L * a.y, L * a.z);
    view_line(sf, 0, 0, end.u, end.w, a.colour);
    sf.Print(L);  // at the line's end, where the cursor now stands
  }
  sf.DrawStyle(0);
}

void draw_chain(surface& sf, int n, const std::vector<kin_state>& points, const mat3& V, double s) {
  n = std::min(n, static_cast<int>(points.size()) - 1);
  if (n < 0) return;
  std::vector<double> X(static_cast<std::size_t>(n) + 1), Y(X.size()), Z(X.size());
  for (int i = 0; i <= n; ++i) {
    const kin_state& p = points[static_cast<std::size_t>(i)];
    X[static_cast<std::size_t>(i)] = p.x;
    Y[static_cast<std::size_t>(i)] = p.y;
    Z[static_cast<std::size_t>(i)] = p.z;
  }
  draw_polyline(sf, n, X, Y, Z, V, s);
}

void draw_polyline(surface& sf, int n, const std::vector<double>& X, const std::vector<double>& Y,
                   const std::vector<double>& Z, const mat3& V, double s) {
  // A caller's n beyond its arrays is cut back to the points that exist.
  const auto shortest = std::min({X.size(), Y.size(), Z.size()});
  n = std::min(n, static_cast<int>(shortest) - 1);
  if (n > 0) sf.reserve(static_cast<std::size_t>(n) + 2);  // the lines and the two end dots
  view_point previous;
  for (int i = 0; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const view_point p = project(V, s, X[k], Y[k], Z[k]);
    if (i == 0 || i == n) view_dot(sf, p.u, p.w, 1);
    if (i != 0) view_line(sf, previous.u, previous.w, p.u, p.w, 1);
    previous = p;
  }
}

void draw_frame_axes(surface& sf, const mat3& V, double s, const kin_state& origin,
                     const kin_state& posture, double length) {
  const mat3 R = rotation_matrix(posture.x, posture.y, posture.z);
  const view_point o = project(V, s, origin.x, origin.y, origin.z);
  const int axis_colour[] = {0, 1, 2, 4};
  for (int c = 1; c <= 3; ++c) {
    const view_point e = project(V, s, origin.x + length * R(1, c), origin.y + length * R(2, c),
                                 origin.z + length * R(3, c));
    view_line(sf, o.u, o.w, e.u, e.w, axis_colour[c]);
  }
}

}  // namespace kinelab
