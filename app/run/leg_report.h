#pragma once
// The status note about the legs a mechanism's kinematics could not evaluate at some steps of
// a Run: one wording for every window.
#include <string>
#include <vector>

#include "app/text/messages.h"

namespace kinelab {

enum class leg_fault {
  zero_length,  // platform joint on its base joint: rate and acceleration undefined, stored as 0
  unreachable,  // a rod that cannot reach its rail
};

// Legs are bits of an unsigned: bit k − 1 for the k-th name (leg k unless named otherwise).
class leg_fault_log {
 public:
  explicit leg_fault_log(leg_fault kind, std::vector<std::string> leg_names = {});

  void clear() { per_step_.clear(); }
  // The legs at fault at step `step` (added to any noted there before). Every step of a Run is
  // noted, those without a fault too, so the log knows how many steps the Run had.
  void note(int step, unsigned legs);
  // "zero length at 12 of 51 steps (legs 2, 5; first: step 30), rate and acceleration shown
  // as 0", "unreachable at 16 of 51 steps (leg 3; first: step 35)"; empty when no leg was.
  std::string text(ui_language lang = ui_language::english) const;
  // "leg 4", "legs 1, 2": the legs named as text() names them.
  std::string legs_text(unsigned legs, ui_language lang = ui_language::english) const;

 private:
  leg_fault kind_;
  std::vector<std::string> names_;
  std::vector<unsigned> per_step_;
};

}  // namespace kinelab
