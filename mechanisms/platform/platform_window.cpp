#include "mechanisms/platform/platform_window.h"

#include "app/io/result_file.h"

namespace kinelab {

platform_window_logic::platform_window_logic(const std::string& joint, const std::string& actuator,
                                             leg_fault fault, std::string result_header,
                                             std::vector<int> result_legs)
    : faults_(fault),
      result_header_(std::move(result_header)),
      result_legs_(std::move(result_legs)) {
  pp_ = &arrays.add("pp", array_kind::point);
  sp_ = &arrays.add("sp", array_kind::point);
  for (std::size_t k = 0; k < joints_.size(); ++k)
    joints_[k] = &arrays.add(joint + std::to_string(k + 1), array_kind::point);
  for (std::size_t k = 0; k < actuators_.size(); ++k)
    actuators_[k] = &arrays.add(actuator + std::to_string(k + 1), array_kind::scalar);
}

void platform_window_logic::write_header(result_text& out) const {
  out.text(result_header_);
  out.end_line();
}

void platform_window_logic::write_row(result_text& out, int i) const {
  const kin_state& p = pp(i);
  out.integer(i);
  out.number(p.x).number(p.y).number(p.z);
  for (int k : result_legs_) out.number(actuator(k, i).x);
  out.end_line();
}

void platform_window_logic::store_joints(int i, const joints& at) {
  for (std::size_t k = 0; k < at.size(); ++k) (*joints_[k])[static_cast<std::size_t>(i)] = at[k];
}

bool platform_window_logic::size_view_once(sim_window& w, const vec<6>& ax, const vec<6>& ay,
                                           double divisor) {
  if (sized_) return false;
  sized_ = true;
  w.set_width_scale((vec_sum_abs(platform_legs, ax) + vec_sum_abs(platform_legs, ay)) / 2, divisor);
  return true;
}

}  // namespace kinelab
