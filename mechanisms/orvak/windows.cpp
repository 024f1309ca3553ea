#include "mechanisms/orvak/windows.h"

#include "mechanisms/orvak/orvak_forms.h"

namespace kinelab {

std::vector<window_entry> orvak_windows() {
  return {simulation_entry(form_orvak1_gyaku(), "orv1_gyaku", "ユニット内逆運動学"),
          simulation_entry(Form_orvak4_jun(), "orv4_jun", "４段順運動学")};
}

}  // namespace kinelab
