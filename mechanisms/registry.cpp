#include "mechanisms/registry.h"

#include "app/sim_window.h"
#include "app/test_windows.h"
#include "mechanisms/serial/serial_forward.h"

namespace kinelab {

namespace {
window_entry simulation(const window_decl& d, std::string menu_item, std::string caption) {
  return {d.name, d.title, std::move(menu_item), std::move(caption), true, [&d] {
            return std::make_unique<sim_window>(d);
          }};
}
}  // namespace

const std::vector<window_entry>& window_registry() {
  static const std::vector<window_entry> entries = {
      simulation(form_3r_jun(), "jun3r", "直列３R順運動学"),
      {"test_zahyou", "zahyou_henkan", "zahyou_t", "座標変換テスト", false, make_test_zahyou},
      {"test_kakudo", "kakudo", "kakudo_t", "角度関数テスト", false, make_test_kakudo},
      {"test_newton", "newton", "newton_lapson_t", "ニュートン・ラプソン法", false,
       make_test_newton},
  };
  return entries;
}

const window_entry* find_window(const std::string& name) {
  for (const auto& e : window_registry())
    if (e.name == name) return &e;
  return nullptr;
}

}  // namespace kinelab
