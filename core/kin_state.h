#pragma once
// A quantity with its first and second time derivatives: a point (length unit, per second),
// a posture (α, β, γ in radians with rates), or any triple of scalars with rates.

namespace kinelab {

struct kin_state {
  double x = 0, dx = 0, ddx = 0;
  double y = 0, dy = 0, ddy = 0;
  double z = 0, dz = 0, ddz = 0;
};

inline void clear_state(kin_state& s) { s = kin_state{}; }
inline void copy_state(const kin_state& from, kin_state& to) { to = from; }

}  // namespace kinelab
