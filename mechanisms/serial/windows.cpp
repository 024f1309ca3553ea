#include "mechanisms/serial/windows.h"

#include "mechanisms/serial/serial_forward.h"
#include "mechanisms/serial/serial_inverse.h"

namespace kinelab {

std::vector<window_entry> serial_windows() {
  return {simulation_entry(form_3r_jun(), "jun3r", "直列３R順運動学"),
          simulation_entry(form_3r_gyaku(), "gyaku3r", "直列３R逆運動学(ニュートンラプソン法)"),
          simulation_entry(form_6r_jun(), "jun6r", "直列６R順運動学(DENDO VC-6353)"),
          simulation_entry(form_6r_gyaku(), "gyaku6r", "直列６R逆運動学(ニュートンラプソン法)")};
}

}  // namespace kinelab
