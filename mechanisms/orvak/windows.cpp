#include "mechanisms/orvak/windows.h"

namespace kinelab {

std::vector<window_entry> orvak_windows() {
  return {};
}

}  // namespace kinelab
