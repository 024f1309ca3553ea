#include "mechanisms/platform/platform_window.h"

#include "app/io/result_file.h"
#include "core/number_text.h"

namespace kinelab {

control_grid platform_pose_table(controls& c, const start_stop_fields& f, double units_per_length,
                                 const std::array<const char*, platform_legs>& stops,
                                 bool start_texts) {
  constexpr int position_rows = 3;
  const char* captions[] = {"Px", "Py ", "Pz", "α", "β", "γ"};
  const int start_values[] = {0, 0, 15, 0, 0, 0};
  std::vector<start_stop_row> rows;
  for (int k = 0; k < platform_legs; ++k) {
    const bool length = k < position_rows;
    const slider range =
        length ? slider{0, 40, start_values[k], true} : slider{-90, 90, start_values[k], true};
    const double start = length ? start_values[k] / units_per_length : start_values[k];
    rows.push_back(f.row(k, captions[k], start_texts ? format_number(start) : "",
                         stops[static_cast<std::size_t>(k)], range));
  }
  control_grid table = start_stop_table(c, "", {"", "start", "stop"}, rows);
  for (int k = position_rows; k < platform_legs; ++k)
    table.rows[static_cast<std::size_t>(k)].push_back(text_cell("deg"));
  return table;
}

platform_window_logic::platform_window_logic(const std::string& joint, const std::string& actuator,
                                             const std::string& actuator_meaning, leg_fault fault,
                                             std::string result_header,
                                             std::vector<int> result_legs)
    : faults_(fault),
      actuator_name_(actuator),
      result_header_(std::move(result_header)),
      result_legs_(std::move(result_legs)) {
  pp_ = &arrays.add("pp", array_kind::point, "position of the platform origin", "length");
  sp_ = &arrays.add("sp", array_kind::point, "posture of the platform (α, β, γ)", "rad");
  for (std::size_t k = 0; k < joints_.size(); ++k)
    joints_[k] = &arrays.add(joint + std::to_string(k + 1), array_kind::point,
                             "position of platform joint " + std::to_string(k + 1), "length");
  for (std::size_t k = 0; k < actuators_.size(); ++k)
    actuators_[k] = &arrays.add_scalar(actuator + std::to_string(k + 1),
                                       actuator_meaning + " " + std::to_string(k + 1), "length");
}

atlas_mechanism platform_window_logic::atlas_frame() const {
  atlas_mechanism m;
  m.pose = platform_pose_variables("pp", "sp");
  for (int k = 1; k <= platform_legs; ++k)
    m.actuators.push_back({actuator_name_ + std::to_string(k), 'x', false});
  m.output = "pp";
  return m;
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
