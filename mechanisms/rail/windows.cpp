#include "mechanisms/rail/windows.h"

#include "mechanisms/rail/rail_window.h"

namespace kinelab {

std::vector<window_entry> rail_windows() {
  return {simulation_entry(form_drav_gyaku(), "d_gyaku", "逆運動学"),
          simulation_entry(form_drav_jun(), "d_jun", "順運動学（ニュートンラプソン法）"),
          simulation_entry(form_selvo_gyaku(), "sel_gyaku", "逆運動学"),
          simulation_entry(form_selvo_jun(), "sel_jun", "順運動学（ニュートンラプソン法）")};
}

}  // namespace kinelab
