#pragma once
// The atlas as a picture: the slice's reachable cells shaded by log10 of the condition number
// with the colour scale beside it, the singularity locus over them in red, the Run's path in
// blue and the current pose as a ringed cross, axes with their lengths (or degrees).
#include "app/atlas/atlas.h"
#include "draw/surface.h"

namespace kinelab {

// Draws slice k of the grid (0 for a slice atlas) over the whole surface (after Cls), its words
// in `lang` and the captions in the title (作業領域, the window's title) as `translate` puts
// them (as declared without one).
void draw_atlas(surface& s, const atlas_source& source, const atlas_grid& grid, int k = 0,
                ui_language lang = ui_language::english, const caption_translator& translate = {});

// The colour of log10 condition t on a scale from t_lo (yellow, well conditioned) to t_hi
// (dark violet, near a singularity).
rgb condition_colour(double t, double t_lo, double t_hi);

}  // namespace kinelab
