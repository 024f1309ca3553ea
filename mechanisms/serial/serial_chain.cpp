#include "mechanisms/serial/serial_chain.h"

#include "core/posture.h"

namespace kinelab {

namespace {

// Link i's frame relative to link i−1: the fixed twist (α_i, β_i) and the moving joint angle θ_i
// as the yaw, which alone carries rates.
kin_state link_posture(int i, const link_array& alfa, const link_array& beta, const link_array& the,
                       const link_array& dthe, const link_array& ddthe) {
  kin_state s;
  s.x = alfa(i);
  s.y = beta(i);
  s.z = the(i);
  s.dz = dthe(i);
  s.ddz = ddthe(i);
  return s;
}

}  // namespace

kin_state chain_point(int n, const link_array& hx, const link_array& hy, const link_array& hz,
                      const link_array& alfa, const link_array& beta, const link_array& the,
                      const link_array& dthe, const link_array& ddthe, const kin_state& start) {
  // Outermost link first: p is expressed in the frame of link i−1 after step i.
  kin_state p = start;
  for (int i = n; i >= 1; --i) {
    kin_state offset;
    offset.x = hx(i);
    offset.y = hy(i);
    offset.z = hz(i);
    p = to_parent(offset, link_posture(i, alfa, beta, the, dthe, ddthe), p);
  }
  return p;
}

kin_state chain_posture_serial(int n, const link_array& alfa, const link_array& beta,
                               const link_array& the, const link_array& dthe,
                               const link_array& ddthe) {
  kin_state postures[max_links + 1];
  for (int i = 1; i <= n; ++i) postures[i] = link_posture(i, alfa, beta, the, dthe, ddthe);
  return chain_posture(n, postures);
}

}  // namespace kinelab
