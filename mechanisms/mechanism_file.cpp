#include "mechanisms/mechanism_file.h"

#include <filesystem>

#include "mechanisms/stewart/hexapod_window.h"

namespace kinelab {

mechanism_file read_mechanism_file(const std::string& path, ui_language lang) {
  const std::string ext = std::filesystem::path(path).extension().string();
  if (ext == ".urdf" || ext == ".URDF") {
    mechanism_file m;
    m.arm = std::make_shared<const arm_file>(read_arm_file(path, lang));
    return m;
  }
  return parse_mechanism_file(read_mechanism_text(path, lang), path, lang);
}

mechanism_file parse_mechanism_file(const std::string& text, const std::string& path,
                                    ui_language lang) {
  mechanism_file m;
  if (mechanism_kind_of(text, path, lang) == "hexapod")
    m.hexapod = std::make_shared<const hexapod_file>(parse_hexapod_file(text, path, lang));
  else
    m.arm = std::make_shared<const arm_file>(parse_arm_file(text, path, lang));
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
