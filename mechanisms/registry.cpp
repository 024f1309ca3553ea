#include "mechanisms/registry.h"

#include "mechanisms/orvak/windows.h"
#include "mechanisms/rail/windows.h"
#include "mechanisms/serial/windows.h"
#include "mechanisms/stewart/windows.h"
#include "mechanisms/test_windows/test_windows.h"
#include "mechanisms/zelko/windows.h"

namespace kinelab {

const std::vector<window_entry>& window_registry() {
  static const std::vector<window_entry> entries = [] {
    std::vector<window_entry> all;
    for (auto family :
         {serial_windows, stewart_windows, rail_windows, orvak_windows, zelko_windows})
      for (auto& e : family()) all.push_back(std::move(e));
    all.push_back(
        {"test_zahyou", "zahyou_henkan", "zahyou_t", "座標変換テスト", false, make_test_zahyou});
    all.push_back({"test_kakudo", "kakudo", "kakudo_t", "角度関数テスト", false, make_test_kakudo});
    all.push_back({"test_newton", "newton", "newton_lapson_t", "ニュートン・ラプソン法", false,
                   make_test_newton});
    return all;
  }();
  return entries;
}

const window_entry* find_window(const std::string& name) {
  for (const auto& e : window_registry())
    if (e.name == name) return &e;
  return nullptr;
}

}  // namespace kinelab
