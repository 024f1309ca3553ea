#include "mechanisms/rail/windows.h"

namespace kinelab {

std::vector<window_entry> rail_windows() {
  return {};
}

}  // namespace kinelab
