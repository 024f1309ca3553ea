#pragma once
// The atlas as a picture: the slice's reachable cells shaded by log10 of the condition number
// with the colour scale beside it, the singularity locus over them in red, the Run's path in
// blue and the current pose as a ringed cross, axes with their lengths (or degrees).
#include "app/atlas.h"
#include "draw/surface.h"

namespace kinelab {

// Draws slice k of the grid (0 for a slice atlas) over the whole surface (after Cls).
void draw_atlas(surface& s, const atlas_source& source, const atlas_grid& grid, int k = 0);

// The colour of log10 condition t on a scale from t_lo (yellow, well conditioned) to t_hi
// (dark violet, near a singularity).
rgb condition_colour(double t, double t_lo, double t_hi);

}  // namespace kinelab
