#include "mechanisms/orvak/orvak_unit.h"

namespace kinelab {

namespace {
vec3 make_vec(double x, double y, double z) {
  vec3 v;
  v(1) = x, v(2) = y, v(3) = z;
  return v;
}
}  // namespace

vec3 orvak_geometry::platform_joint(int k) const {
  return make_vec(ax(k), ay(k), az(k));
}
vec3 orvak_geometry::base_joint(int k) const {
  return make_vec(Bx(k), By(k), Bz(k));
}

orvak_geometry default_orvak_geometry() {
  // An isosceles triangle of joints on both sides; each platform joint stands straight above
  // its base joint at zero posture, so every leg is 0.385 − 0.06 + 0.014 = 0.339 long there.
  orvak_geometry g;
  const double x[4] = {0, 0.06, -0.06, 0}, y[4] = {0, -0.035, -0.035, 0.07};
  for (int k = 1; k <= 3; ++k) {
    g.ax(k) = g.Bx(k) = x[k];
    g.ay(k) = g.By(k) = y[k];
    g.az(k) = -0.06;
    g.Bz(k) = -0.014;
  }
  return g;
}

kin_state still_point(const vec3& p) {
  kin_state s;
  s.x = p(1), s.y = p(2), s.z = p(3);
  return s;
}

kin_state orvak_point(double d, const rotation_rates& m, const kin_state& X) {
  // The column runs along the platform's own z axis, so its offset is added before rotating.
  kin_state h;
  h.z = d;
  return to_parent_shifted(h, m, X);
}

kin_state orvak_point(double d, const kin_state& s, const kin_state& X) {
  return orvak_point(d, posture_matrices(s), X);
}

kin_state orvak_stack_point(int n, const double* d, const rotation_rates* m, const kin_state& X) {
  // From the top unit down: each step expresses the point in the frame of the unit below, and
  // the product rule of to_parent_shifted adds that unit's relative rates.
  kin_state Y = X;
  for (int i = n; i >= 1; --i) Y = orvak_point(d[i], m[i], Y);
  return Y;
}

kin_state orvak_stack_point(int n, const double* d, const kin_state* s, const kin_state& X) {
  kin_state Y = X;
  for (int i = n; i >= 1; --i) Y = orvak_point(d[i], s[i], Y);
  return Y;
}

leg_rates orvak_leg(double d, const vec3& a, const vec3& b, const rotation_rates& m) {
  // w: the platform joint measured from the base origin, in platform axes; it is constant, so
  // only the rotation moves the joint R·w.
  vec3 w = a;
  w(3) += d;
  vec3 Rw, dRw, ddRw;
  mat_vec(3, m.R, w, Rw);
  mat_vec(3, m.dR, w, dRw);
  mat_vec(3, m.ddR, w, ddRw);
  const leg_length leg =
      leg_between(kin_state{Rw(1), dRw(1), ddRw(1), Rw(2), dRw(2), ddRw(2), Rw(3), dRw(3), ddRw(3)},
                  still_point(b), leg_norm::sum_of_squares);
  return {leg.L, leg.dL, leg.ddL, leg.zero_length};
}

orvak_legs orvak_inverse(const orvak_geometry& g, double d, const kin_state& s) {
  return orvak_inverse(g, d, posture_matrices(s));
}

orvak_legs orvak_inverse(const orvak_geometry& g, double d, const rotation_rates& m) {
  orvak_legs out;
  double kin_state::*fields[4][3] = {{},
                                     {&kin_state::x, &kin_state::dx, &kin_state::ddx},
                                     {&kin_state::y, &kin_state::dy, &kin_state::ddy},
                                     {&kin_state::z, &kin_state::dz, &kin_state::ddz}};
  for (int k = 1; k <= 3; ++k) {
    const leg_rates r = orvak_leg(d, g.platform_joint(k), g.base_joint(k), m);
    out.leng.*fields[k][0] = r.l;
    out.leng.*fields[k][1] = r.dl;
    out.leng.*fields[k][2] = r.ddl;
    out.zero_length[k] = r.zero_length;
  }
  return out;
}

}  // namespace kinelab
