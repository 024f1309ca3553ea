#pragma once
// Centred view coordinates, graph coordinates, the orthographic 3-D projection and the shared
// drawing routines. View (u, w): millimetres from the surface centre, u right, w up:
// screen x = ½·ScaleWidth + u, y = ½·ScaleHeight − w. Graph (u, w): screen x = 10 + u,
// y = ½·ScaleHeight − w. A world point p projects to (s·v₁, s·v₂) with v = V·p.
// Lines and dots are drawn as far as they lie on the surface: a line is cut at its border.
#include <vector>

#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "draw/surface.h"

namespace kinelab {

struct view_point {
  double u = 0, w = 0;
};
view_point project(const mat3& V, double s, double x, double y, double z);

void view_line(surface& sf, double u1, double w1, double u2, double w2, int colour);
void view_dot(surface& sf, double u, double w, int colour);  // circle of radius 1 mm
void graph_line(surface& sf, double u1, double w1, double u2, double w2, int colour);
void graph_dot(surface& sf, double u, double w, int colour);
// Moves the text cursor to graph point (u, w).
void graph_move(surface& sf, double u, double w);

// A frame's x, y and z axes (the columns of rotation_matrix(posture), `length` long) from
// `origin`, in colours 1, 2 and 4, with the current pen.
void draw_frame_axes(surface& sf, const mat3& V, double s, const kin_state& origin,
                     const kin_state& posture, double length);

// Dotted world axes of length L in colours 1, 2, 4, each labelled with L at its end.
void draw_axes(surface& sf, const mat3& V, double L, double s);
// Blue polyline through points 0..n with a dot at each end.
void draw_chain(surface& sf, int n, const std::vector<kin_state>& points, const mat3& V, double s);
void draw_polyline(surface& sf, int n, const std::vector<double>& X, const std::vector<double>& Y,
                   const std::vector<double>& Z, const mat3& V, double s);

}  // namespace kinelab
