// Fuzzes the reading of study files (a .kinelab document or an export's comment header) and
// their opening into a window. Whatever the bytes, parse_study returns a study or throws
// study_error; opening either sets the window up or throws study_error and leaves the window's
// setup exactly as it was.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "app/window/sim_window.h"
#include "mechanisms/registry.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kinelab;
  const std::string text(reinterpret_cast<const char*>(data), size);
  study s;
  try {
    s = parse_study(text, "fuzz.kinelab");
  } catch (const study_error&) {
    return 0;
  }
  const window_entry* entry = find_window(s.window);
  if (!entry || !entry->simulation) return 0;
  std::unique_ptr<window_model> model = entry->make();
  auto& w = dynamic_cast<sim_window&>(*model);
  w.open();
  const std::string before = study_document(w);
  try {
    open_study(s, w);
  } catch (const study_error&) {
    check(study_document(w) == before);
  }
  return 0;
}
