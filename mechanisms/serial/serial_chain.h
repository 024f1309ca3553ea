#pragma once
// A serial chain of revolute joints. Link i's frame sits at offset h_i = (hx(i), hy(i), hz(i))
// in the frame of link i−1 (link 0 is the base), turned by R_i =
// Rx(alfa(i))·Ry(beta(i))·Rz(the(i)): each joint turns about its own z axis after the fixed twist.
// Arrays are read at 1..n.
#include "core/array_algebra.h"
#include "core/kin_state.h"

namespace kinelab {

inline constexpr int max_links = 7;  // 6 joints and the output point P
using link_array = vec<max_links>;

// An arm's constant geometry: links 1..links, the last of which is the output point P (zero
// twist, zero joint angle). Lengths in the user's unit, twists in radians.
struct serial_arm {
  int links = 0;
  link_array hx, hy, hz, alfa, beta;
};

// `start` given in the frame of link n, returned in the base frame with velocity and
// acceleration: p ← h_i + R_i·p for i = n down to 1.
kin_state chain_point(int n, const link_array& hx, const link_array& hy, const link_array& hz,
                      const link_array& alfa, const link_array& beta, const link_array& the,
                      const link_array& dthe, const link_array& ddthe, const kin_state& start);

// Posture of the frame of link n relative to the base, with rates (R = R_1·…·R_n).
kin_state chain_posture_serial(int n, const link_array& alfa, const link_array& beta,
                               const link_array& the, const link_array& dthe,
                               const link_array& ddthe);

}  // namespace kinelab
