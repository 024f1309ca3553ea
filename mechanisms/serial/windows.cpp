#include "mechanisms/serial/windows.h"

#include "mechanisms/serial/serial_forward.h"

namespace kinelab {

std::vector<window_entry> serial_windows() {
  return {simulation_entry(form_3r_jun(), "jun3r", "直列３R順運動学")};
}

}  // namespace kinelab
