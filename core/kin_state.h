#pragma once
// A quantity with its first and second time derivatives: a point (length unit, per second),
// a posture (α, β, γ in radians with rates), or any triple of scalars with rates.

#include "core/angles.h"

namespace kinelab {

struct kin_state {
  double x = 0, dx = 0, ddx = 0;
  double y = 0, dy = 0, ddy = 0;
  double z = 0, dz = 0, ddz = 0;
};

// A scalar history's record: value, rate and acceleration, named as a kin_state's x fields.
struct scalar_state {
  double x = 0, dx = 0, ddx = 0;
};

inline void clear_state(kin_state& s) {
  s = kin_state{};
}
inline void copy_state(const kin_state& from, kin_state& to) {
  to = from;
}

// A posture given in degrees (values, rates and accelerations) in radians, each by rad().
inline kin_state rad(const kin_state& d) {
  return {rad(d.x),   rad(d.dx), rad(d.ddx), rad(d.y),  rad(d.dy),
          rad(d.ddy), rad(d.z),  rad(d.dz),  rad(d.ddz)};
}

}  // namespace kinelab
