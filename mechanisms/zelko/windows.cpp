#include "mechanisms/zelko/windows.h"

namespace kinelab {

std::vector<window_entry> zelko_windows() {
  return {};
}

}  // namespace kinelab
