#include "mechanisms/mechanism_file.h"

#include <filesystem>

#include "mechanisms/stewart/hexapod_window.h"

namespace kinelab {

mechanism_file read_mechanism_file(const std::string& path) {
  const std::string ext = std::filesystem::path(path).extension().string();
  mechanism_file m;
  if (ext == ".urdf" || ext == ".URDF") {
    m.arm = std::make_shared<const arm_file>(read_arm_file(path));
    return m;
  }
  std::string text;
  try {
    text = read_mechanism_bytes(path);
  } catch (const mechanism_file_error& e) {
    throw mechanism_file_error(path + ": " + e.what());
  }
  if (mechanism_kind_of(text, path) == "hexapod")
    m.hexapod = std::make_shared<const hexapod_file>(parse_hexapod_file(text, path));
  else
    m.arm = std::make_shared<const arm_file>(parse_arm_file(text, path));
  return m;
}

std::unique_ptr<sim_window> make_mechanism_window(const mechanism_file& m, arm_window_kind kind,
                                                  const run_settings& settings) {
  if (m.arm) return make_arm_file_window(m.arm, kind, settings);
  return make_hexapod_window(m.hexapod,
                             kind == arm_window_kind::forward ? hexapod_window_kind::forward
                                                              : hexapod_window_kind::inverse,
                             settings);
}

}  // namespace kinelab
