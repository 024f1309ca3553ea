#include "mechanisms/stewart/windows.h"

#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

std::vector<window_entry> stewart_windows() {
  return {simulation_entry(form_stewart_gyaku(), "s_gyaku", "逆運動学"),
          simulation_entry(form_stewart_jun(), "s_jun", "順運動学（ニュートンラプソン法）")};
}

}  // namespace kinelab
