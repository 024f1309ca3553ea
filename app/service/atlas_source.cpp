// The atlas source of a window: its mechanism at the fields as they stand, the default limits
// from its Run, its current pose and the Run's path.
#include <algorithm>
#include <cmath>

#include "app/atlas/atlas.h"
#include "app/service/window_export.h"
#include "app/window/sim_window.h"

namespace kinelab {

namespace {

double kin_state::*value_field(char component) {
  return component == 'y' ? &kin_state::y : component == 'z' ? &kin_state::z : &kin_state::x;
}

std::string variable_name(const trajectory_arrays& arrays, const solved_variable& v) {
  const trajectory_array* a = arrays.find(v.array);
  return a && a->kind == array_kind::scalar ? v.array : v.array + "." + v.component;
}

// One component's values, step by step (none for an array the window does not have).
std::vector<double> values_of(const trajectory_arrays& arrays, const solved_variable& v) {
  std::vector<double> out;
  if (const trajectory_array* a = arrays.find(v.array)) {
    out.resize(a->size());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = a->get(i, value_field(v.component));
  }
  return out;
}

}  // namespace

atlas_source_result atlas_source_of(sim_window& w) {
  // The Run the defaults follow; it also reads every field.
  if (!w.compute_trajectory()) return {std::nullopt, w.status};
  std::optional<atlas_mechanism> m = w.logic().atlas();
  if (!m) return {std::nullopt, message(w.language, message_id::atlas_not_offered, {w.name()})};
  // The window shows its static pose (a forward window's solved as its fields ask, not as the
  // Run's steps are): the atlas stands there, and keeps what the pose said.
  w.static_pose();
  atlas_source s;
  s.pose_status = w.status;
  s.pose_status_is_error = w.status_is_error;
  const trajectory_arrays& arrays = w.logic().arrays;
  for (const solved_variable& v : m->pose) {
    const std::vector<double> values = values_of(arrays, v);
    s.pose.push_back(values.empty() ? 0 : values.front());
  }
  if (const std::vector<kin_state>* path = w.logic().output_path(); path && !path->empty())
    s.current_point[0] = path->front().x, s.current_point[1] = path->front().y,
    s.current_point[2] = path->front().z;

  const sim_window::run_view run(w);
  s.window = w.name();
  s.title = w.title();
  for (const solved_variable& v : m->actuators) {
    s.actuator_names.push_back(variable_name(arrays, v));
    const graph_decl* g = graph_of(w.decl(), v.array, v.component);
    s.actuator_captions.push_back(g ? quantity_caption(*g) : s.actuator_names.back());
    const std::vector<double> values = values_of(arrays, v);
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    // Only the steps the mechanism reached: the others hold placeholders.
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!arrays.reached(static_cast<int>(i))) continue;
      const double x = values[i];
      lo = std::min(lo, x), hi = std::max(hi, x);
    }
    if (!(lo <= hi)) lo = hi = 0;
    const std::size_t k = s.default_limits.size();
    if (k < m->declared_limits.size() && m->declared_limits[k].given)
      s.default_limits.push_back({m->declared_limits[k].lo, m->declared_limits[k].hi});
    else
      s.default_limits.push_back(widened_limit(lo, hi, v.angle));
  }
  const int N = arrays.N();
  s.pose_path.assign(static_cast<std::size_t>(std::max(N + 1, 0)), {});
  for (const solved_variable& v : m->pose) {
    const std::vector<double> values = values_of(arrays, v);
    for (std::size_t i = 0; i < s.pose_path.size(); ++i)
      s.pose_path[i].push_back(i < values.size() ? values[i] : 0);
  }
  if (const std::vector<kin_state>* path = w.logic().output_path())
    for (const kin_state& p : *path) s.path.push_back({p.x, p.y, p.z});
  describe_controls(w.ctl, s.geometry);
  s.mechanism = std::move(*m);
  return {std::move(s), {}};
}

}  // namespace kinelab
