#include "app/service/window_service.h"

#include "app/text/messages.h"

namespace kinelab {

sim_window* simulation_of(window_model& w) {
  return dynamic_cast<sim_window*>(&w);
}

const sim_window* simulation_of(const window_model& w) {
  return dynamic_cast<const sim_window*>(&w);
}

bool run_into(sim_window& w, const std::optional<std::string>& result_path, std::string& error,
              ui_language lang, int* error_number) {
  error.clear();
  if (!w.compute_trajectory()) return false;
  if (!result_path) return true;
  const sim_window::result_saved saved = w.save_result(*result_path, lang);
  if (!saved.error.empty())
    error = message(lang, message_id::file_not_written, {*result_path, saved.error});
  if (error_number) *error_number = saved.error_number;
  return true;
}

std::unique_ptr<sim_window> reopened(const sim_window& w) {
  auto fresh = std::make_unique<sim_window>(w.decl(), w.settings);
  fresh->language = w.language;
  fresh->translate_caption = w.translate_caption;
  fresh->name_controls_in_status = w.name_controls_in_status;
  fresh->open();
  return fresh;
}

bool last_run_unconverged(const window_model& w) {
  const sim_window* sim = simulation_of(w);
  const run_record* last = sim ? sim->last_run() : nullptr;
  return last && last->unconverged > 0;
}

}  // namespace kinelab
