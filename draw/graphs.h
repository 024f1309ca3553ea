#pragma once
// Time-history graphs: three curves over steps 0..N, each with its own full scale M, drawn in
// blue, green and red. Full scale F = 0.42·ScaleHeight from the time axis at mid-height.
#include <vector>

#include "core/kin_state.h"
#include "draw/surface.h"

namespace kinelab {

void graph_frame(surface& sf);
// M comes in as the start value and leaves as the rounded full scale; unit its decimal unit.
void graph_scale(int N, const std::vector<double>& curve, double& M, double& unit);
// An empty curve is left out (no line, no scale labels). The curves are drawn with a pen of
// `pen` pixels (2; 1 under an overlay, so that the overlay's dots show on them). Where the steps
// are more than eight to a pixel column (96 dpi), a curve is drawn as its envelope per column
// (first, lowest, highest and last step), so that what is drawn does not grow with N.
void plot3(surface& sf, int N, const std::vector<double>& A, const std::vector<double>& B,
           const std::vector<double>& C, int pen = 2);
// The colours of plot3's curves A, B, C.
inline constexpr int graph_colour[3] = {1, 2, 4};
// A curve drawn dotted with the 2-pixel pen over curve `which` (0..2) of a plot3 graph, at that
// curve's full scale and in its colour; entries that are not finite leave gaps.
void plot_overlay(surface& sf, int N, int which, const std::vector<double>& curve,
                  const std::vector<double>& overlay);
// Short vertical marks at the given steps, along the bottom of a plot3 graph.
void plot_step_marks(surface& sf, int N, const std::vector<int>& steps, int colour);
void plot_x(surface& sf, int N, const std::vector<kin_state>& a);
void plot_y(surface& sf, int N, const std::vector<kin_state>& a);
void plot_z(surface& sf, int N, const std::vector<kin_state>& a);
// The records (k, 0..N) of a two-index array, stored as rows[k][i].
void plot_x2(surface& sf, int N, const std::vector<std::vector<kin_state>>& rows, int k);
void plot_y2(surface& sf, int N, const std::vector<std::vector<kin_state>>& rows, int k);
void plot_z2(surface& sf, int N, const std::vector<std::vector<kin_state>>& rows, int k);

}  // namespace kinelab
