#pragma once
// The orvak unit: a base, a platform and a rigid centre column of length d between the base
// origin and the platform origin. The platform turns about the base origin with the posture
// s = (α, β, γ) (docs/notation.md); its origin lies at R·(0, 0, d) in the base frame. Three
// legs of variable length join base joint k (base frame) to platform joint k (platform frame).
// Units stack: the base frame of unit i + 1 is the platform frame of unit i.
#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/leg_length.h"
#include "core/posture.h"

namespace kinelab {

// The joints of a unit, shared by every unit of a spine. Platform joint k is
// (ax(k), ay(k), az(k)) in the platform frame, base joint k is (Bx(k), By(k), Bz(k)) in the base
// frame, k = 1..3.
struct orvak_geometry {
  vec3 ax, ay, az;
  vec3 Bx, By, Bz;
  vec3 platform_joint(int k) const;
  vec3 base_joint(int k) const;
};

// The geometry every orvak and zelko window starts with (column length 0.385).
orvak_geometry default_orvak_geometry();
inline constexpr double default_origin_distance = 0.385;

// A point X of the platform frame (with its rates in that frame) in the base frame:
// R·((0, 0, d) + X) with velocity and acceleration by the product rule.
kin_state orvak_point(double d, const kin_state& s, const kin_state& X);
// The same with the posture's triple m = posture_matrices(s) built once for several points.
kin_state orvak_point(double d, const rotation_rates& m, const kin_state& X);

// A point X of the platform frame of unit n in the base frame of unit 1. d[1..n] and s[1..n]
// are read (index 0 is not); s[i] is the posture of unit i relative to unit i − 1.
kin_state orvak_stack_point(int n, const double* d, const kin_state* s, const kin_state& X);
// The same with m[i] = posture_matrices(s[i]).
kin_state orvak_stack_point(int n, const double* d, const rotation_rates* m, const kin_state& X);

// One leg's length l with its rate and acceleration; when a leg counts as having zero length
// (flagged, with zero rates), as core/leg_length.h says. Lengths are taken as √(e·e)
// (leg_norm::sum_of_squares), so a geometry beyond about 1e154 gives an infinite length with
// zero rates.
struct leg_rates {
  double l = 0, dl = 0, ddl = 0;
  bool zero_length = false;
};
// Leg from base joint b (base frame) to platform joint a (platform frame) at the posture whose
// rotation triple is m.
leg_rates orvak_leg(double d, const vec3& a, const vec3& b, const rotation_rates& m);

// The three legs at the posture s: leng.x, .dx, .ddx hold leg 1; .y… leg 2; .z… leg 3.
struct orvak_legs {
  kin_state leng;
  bool zero_length[4] = {};  // [1..3]
  bool any_zero_length() const { return zero_length[1] || zero_length[2] || zero_length[3]; }
};
orvak_legs orvak_inverse(const orvak_geometry& g, double d, const kin_state& s);
// The same with the posture's triple m = posture_matrices(s) already built.
orvak_legs orvak_inverse(const orvak_geometry& g, double d, const rotation_rates& m);

// A point with zero rates.
kin_state still_point(const vec3& p);

}  // namespace kinelab
