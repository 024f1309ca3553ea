#include "draw/surface.h"

#include <array>
#include <cmath>

#include "core/number_text.h"

namespace kinelab {

rgb palette_colour(int index) {
  // The classic 16-colour display palette: eight dark colours (light grey as "white"), then
  // their bright counterparts.
  static constexpr std::array<rgb, 16> palette{{
      {0, 0, 0},
      {0, 0, 128},
      {0, 128, 0},
      {0, 128, 128},
      {128, 0, 0},
      {128, 0, 128},
      {128, 128, 0},
      {192, 192, 192},
      {128, 128, 128},
      {0, 0, 255},
      {0, 255, 0},
      {0, 255, 255},
      {255, 0, 0},
      {255, 0, 255},
      {255, 255, 0},
      {255, 255, 255},
  }};
  const int i = ((index % 16) + 16) % 16;
  return palette[static_cast<std::size_t>(i)];
}

void surface::Print(double value) {
  // A label of "nan" or "inf" would only repeat a fault made elsewhere; leave the spot empty.
  if (!std::isfinite(value)) return;
  Print(format_number(value));
}

}  // namespace kinelab
