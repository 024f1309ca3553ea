#include "mechanisms/zelko/windows.h"

#include "mechanisms/zelko/zelko_forms.h"

namespace kinelab {

std::vector<window_entry> zelko_windows() {
  return {simulation_entry(Form_zelko_jun(), "zel_jun", "順運動学"),
          simulation_entry(Form_zelko_gyaku(), "zel_gyaku", "逆運動学（ニュートンラプソン法）")};
}

}  // namespace kinelab
