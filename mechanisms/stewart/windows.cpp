#include "mechanisms/stewart/windows.h"

namespace kinelab {

std::vector<window_entry> stewart_windows() {
  return {};
}

}  // namespace kinelab
