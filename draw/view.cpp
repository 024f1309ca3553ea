#include "draw/view.h"

#include <algorithm>
#include <cstddef>

namespace kinelab {

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
  sf.Line(cx + u1, cy - w1, cx + u2, cy - w2, colour);
}

void view_dot(surface& sf, double u, double w, int colour) {
  sf.Circle(0.5 * sf.ScaleWidth() + u, 0.5 * sf.ScaleHeight() - w, 1, colour);
}

// Graph coordinates: the time axis starts 10 mm from the left edge, at mid-height.
void graph_line(surface& sf, double u1, double w1, double u2, double w2, int colour) {
  const double cy = 0.5 * sf.ScaleHeight();
  sf.Line(10 + u1, cy - w1, 10 + u2, cy - w2, colour);
}

void graph_dot(surface& sf, double u, double w, int colour) {
  sf.Circle(10 + u, 0.5 * sf.ScaleHeight() - w, 1, colour);
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
  view_point previous;
  for (int i = 0; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const view_point p = project(V, s, X[k], Y[k], Z[k]);
    if (i == 0 || i == n) view_dot(sf, p.u, p.w, 1);
    if (i != 0) view_line(sf, previous.u, previous.w, p.u, p.w, 1);
    previous = p;
  }
}

}  // namespace kinelab
