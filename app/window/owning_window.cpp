#include "app/window/owning_window.h"

namespace kinelab {

namespace {

// The declaration lives as long as the window: a base constructed before the sim_window.
struct decl_holder {
  std::shared_ptr<const window_decl> held;
};
class owning_window : private decl_holder, public sim_window {
 public:
  owning_window(std::shared_ptr<const window_decl> d, const run_settings& s)
      : decl_holder{std::move(d)}, sim_window(*held, s) {}
};

}  // namespace

std::unique_ptr<sim_window> make_owning_window(window_decl d, const run_settings& settings) {
  return std::make_unique<owning_window>(std::make_shared<const window_decl>(std::move(d)),
                                         settings);
}

}  // namespace kinelab
