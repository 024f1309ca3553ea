#include "app/window/pose_fields.h"

#include "core/angles.h"

namespace kinelab {

namespace {
constexpr int position_rows = 3, pose_rows = 6;
}  // namespace

void start_pose_from_sliders(controls& c, const start_stop_fields& table, double units_per_length) {
  for (int k = 0; k < pose_rows; ++k) {
    const int value = c.slider_at(table.sliders, k).value;
    c.set_number(table.start, table.start_index(k),
                 k < position_rows ? value / units_per_length : value);
  }
}

void read_pose_values(const controls& c, const start_stop_fields& table, kin_state& position,
                      kin_state& posture) {
  // Read everything first, so a field that is not a number changes nothing.
  double v[pose_rows];
  for (int k = 0; k < pose_rows; ++k) v[k] = c.number(table.start, table.start_index(k));
  position.x = v[0], position.y = v[1], position.z = v[2];
  posture.x = rad(v[3]), posture.y = rad(v[4]), posture.z = rad(v[5]);
}

}  // namespace kinelab
