// Fuzzes the reading of mechanism files. Whatever the bytes, the reader of their kind returns a
// mechanism or throws mechanism_file_error with "FILE:LINE: …"; an arm it returns has 1 to 7
// joints, a limit and a home per joint, and as many task components as it can control; a hexapod
// has its legs within their range at home; and their windows open.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "mechanisms/serial/arm_file.h"
#include "mechanisms/serial/arm_file_window.h"
#include "mechanisms/stewart/hexapod_window.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kinelab;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::shared_ptr<const arm_file> arm;
  try {
    if (mechanism_kind_of(text, "/nonexistent/fuzz.json") == "hexapod") {
      const auto h =
          std::make_shared<const hexapod_file>(parse_hexapod_file(text, "/nonexistent/fuzz.json"));
      check(0 < h->leg_min && h->leg_min < h->leg_max);
      for (const hexapod_window_kind kind :
           {hexapod_window_kind::forward, hexapod_window_kind::inverse}) {
        std::unique_ptr<sim_window> w = make_hexapod_window(h, kind);
        w->open();
      }
      return 0;
    }
    // A URDF reference is read beside this name: none is there, so it is refused.
    arm = std::make_shared<const arm_file>(parse_arm_file(text, "/nonexistent/fuzz.json"));
  } catch (const arm_file_error& e) {
    check(std::string(e.what()).rfind("/nonexistent/fuzz.json:", 0) == 0);
    return 0;
  }
  const int n = arm->joints();
  check(n >= 1 && n <= max_chain_joints);
  check(arm->limits.size() == static_cast<std::size_t>(n) &&
        arm->home.size() == static_cast<std::size_t>(n));
  check(arm->task.size() == static_cast<std::size_t>(n < 6 ? n : 6));
  for (const arm_window_kind kind : {arm_window_kind::forward, arm_window_kind::inverse}) {
    std::unique_ptr<sim_window> w = make_arm_file_window(arm, kind);
    w->open();
  }
  return 0;
}
