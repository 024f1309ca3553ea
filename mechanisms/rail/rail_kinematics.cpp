#include "mechanisms/rail/rail_kinematics.h"

#include <cmath>

#include "core/number_text.h"
#include "core/posture_partials.h"
#include "core/rate_products.h"

namespace kinelab {

namespace {

bool all_finite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace

rail_geometry default_rail_geometry() {
  const auto number = [](const char* text) { return *parse_number(text); };
  const rail_geometry_texts& t = rail_default_texts;
  rail_geometry g;
  g.rod_length = number(t.rod_length);
  for (int k = 1; k <= rail_leg_count; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    g.ax(k) = number(t.ax[i]), g.ay(k) = number(t.ay[i]), g.By(k) = number(t.By[i]);
  }
  return g;
}

double branch_sign(int leg) {
  return (leg == 3 || leg == 4) ? -1.0 : 1.0;
}

rail_slider rail_leg(double sigma, double L, double ax, double ay, double By, const kin_state& P,
                     const rotation_rates& m) {
  const kin_state W = platform_joint(ax, ay, P, m);
  // e: the joint's distance from the rail in y; S: the x distance from joint to slider, from
  // S² = L² − e² − W_z² (the rod spans the rest of L).
  const double e = W.y - By;
  const double S2 = L * L - e * e - W.z * W.z;
  double S = 0, dS = 0, ddS = 0;
  bool reachable = false;
  if (S2 > 0) {
    S = std::sqrt(S2);
    // N = ½·d(e² + W_z²)/dt, so Ṡ = −N/S; M = Ṅ, and S̈ = (Ṡ·N − S·M)/S².
    const double N = W.dy * e + W.dz * W.z;
    const double M = W.ddy * e + W.dy * W.dy + W.dz * W.dz + W.ddz * W.z;
    dS = -N / S;
    ddS = (dS * N - S * M) / (S * S);
    // A rod all but perpendicular to its rail (S of a few ulps) overflows its rates.
    reachable = all_finite({dS, ddS});
    if (!reachable) S = dS = ddS = 0;
  }
  rail_slider out{W.x + sigma * S, W.dx + sigma * dS, W.ddx + sigma * ddS, reachable};
  if (!all_finite({out.bx, out.dbx, out.ddbx})) out = {0, 0, 0, false};  // an overflowed pose
  return out;
}

namespace {
// The six sliders for the platform at `position` turned by the triple m.
rail_sliders sliders_of(const rail_geometry& g, const kin_state& position,
                        const rotation_rates& m) {
  rail_sliders out;
  for (int i = 1; i <= rail_leg_count; ++i) {
    const rail_slider s =
        rail_leg(branch_sign(i), g.rod_length, g.ax(i), g.ay(i), g.By(i), position, m);
    out.bx(i) = s.bx, out.dbx(i) = s.dbx, out.ddbx(i) = s.ddbx;
    if (!s.reachable) out.unreachable |= 1u << (i - 1);
  }
  return out;
}
}  // namespace

rail_sliders rail_inverse(const rail_geometry& g, const kin_state& position,
                          const kin_state& posture) {
  return sliders_of(g, position, posture_matrices(posture));
}

rail_joint_states rail_joints(const rail_geometry& g, const kin_state& position,
                              const kin_state& posture) {
  const rotation_rates m = posture_matrices(posture);
  rail_joint_states joints;
  for (int i = 1; i <= rail_leg_count; ++i)
    joints[static_cast<std::size_t>(i - 1)] = platform_joint(g.ax(i), g.ay(i), position, m);
  return joints;
}

void rail_jacobian_reference(const rail_geometry& g, const kin_state& position,
                             const kin_state& posture, mat<6>& J, mat<6, 21>& H) {
  // With zero pose accelerations b̈x is exactly the quadratic form H·w of the pose rates, so
  // unit rates give J's columns and the squares' columns of H, and a pair of unit rates gives
  // H_k + H_l + H_kl.
  const vec<6> q = pose_values({position, posture});
  auto probe = [&](int k, int l) {
    vec<6> rates;
    rates(k) = 1;
    rates(l) = 1;
    const pose p = pose_at(q, rates);
    return rail_inverse(g, p.position, p.posture);
  };
  for (int k = 1; k <= 6; ++k) {
    const rail_sliders r = probe(k, k);
    for (int i = 1; i <= 6; ++i) J(i, k) = r.dbx(i), H(i, k) = r.ddbx(i);
  }
  int c = 6;
  for (int k = 1; k <= 5; ++k)
    for (int l = k + 1; l <= 6; ++l) {
      const rail_sliders r = probe(k, l);
      ++c;
      for (int i = 1; i <= 6; ++i) H(i, c) = r.ddbx(i) - H(i, k) - H(i, l);
    }
}

namespace {

// Below this the probes' S̈ = (Ṡ·N − S·M)/S² loses S² to underflow; such legs go to the probes.
constexpr double smallest_slider_offset = 1e-150;

// J and H at the values of the pose from the posture's partials; false when a leg is too near
// the edge of its reach for the closed form to give the probes' numbers (then J and H are
// unset). Per leg, W = P + R·a with W_k = ∂W/∂q_k (e_k for the position, R_k·a for the angles)
// and W_kl = R_kl·a (zero unless both are angles); e = W_y − By and S² = L² − e² − W_z², so
//   S·S_k = −N_k,           N_k = W_k,y·e + W_k,z·W_z,
//   S·S_kl = −M_kl − S_k·S_l, M_kl = W_kl,y·e + W_k,y·W_l,y + W_k,z·W_l,z + W_kl,z·W_z,
// and bx = W_x + σ·S. J and the square columns take the operations of the unit-rate probes of
// rail_leg (same numbers); the pair columns, 2·(W_kl,x + σ·S_kl), differ from the probes only in
// rounding. A leg that cannot reach its rail keeps S = 0, as in the probes.
bool closed_form_jacobian(const rail_geometry& g, const kin_state& P, const posture_partials& pp,
                          mat<6>& J, mat<6, 21>& H) {
  const double L = g.rod_length;
  for (int i = 1; i <= rail_leg_count; ++i) {
    const double ax = g.ax(i), ay = g.ay(i), sigma = branch_sign(i);
    auto times_a = [&](const mat3& M, vec3& v) {
      v(1) = M(1, 1) * ax + M(1, 2) * ay;
      v(2) = M(2, 1) * ax + M(2, 2) * ay;
      v(3) = M(3, 1) * ax + M(3, 2) * ay;
    };
    const double Wy = P.y + pp.R(2, 1) * ax + pp.R(2, 2) * ay;
    const double Wz = P.z + pp.R(3, 1) * ax + pp.R(3, 2) * ay;
    vec3 Wk[7];  // [1..6]
    for (int k = 1; k <= 3; ++k) Wk[k](k) = 1;
    for (int k = 1; k <= 3; ++k) times_a(pp.d[k], Wk[k + 3]);
    auto second = [&](int k, int l, vec3& v) {
      if (k > 3 && l > 3)
        times_a(pp.dd(k - 3, l - 3), v);
      else
        v = vec3{};
    };

    const double e = Wy - g.By(i);
    const double S2 = L * L - e * e - Wz * Wz;
    double S = 0;
    if (S2 > 0) {
      S = std::sqrt(S2);
      if (S < smallest_slider_offset) return false;
    }
    double Sk[7] = {};
    for (int k = 1; k <= 6; ++k) {
      if (S > 0) Sk[k] = -(Wk[k](2) * e + Wk[k](3) * Wz) / S;
      J(i, k) = Wk[k](1) + sigma * Sk[k];
    }
    for (int k = 1; k <= 6; ++k) {
      vec3 Wkk;
      second(k, k, Wkk);
      double Skk = 0;
      if (S > 0) {
        const double N = Wk[k](2) * e + Wk[k](3) * Wz;
        const double M = Wkk(2) * e + Wk[k](2) * Wk[k](2) + Wk[k](3) * Wk[k](3) + Wkk(3) * Wz;
        Skk = (Sk[k] * N - S * M) / (S * S);
      }
      H(i, k) = Wkk(1) + sigma * Skk;
    }
    for (int c = 7; c <= rate_product_count; ++c) {
      int k, l;
      rate_product_pair(c, k, l);
      vec3 Wkl;
      second(k, l, Wkl);
      double Skl = 0;
      if (S > 0) {
        const double M = Wkl(2) * e + Wk[k](2) * Wk[l](2) + Wk[k](3) * Wk[l](3) + Wkl(3) * Wz;
        Skl = (-M - Sk[k] * Sk[l]) / S;
      }
      H(i, c) = 2 * (Wkl(1) + sigma * Skl);
    }
  }
  for (int i = 1; i <= 6; ++i) {
    for (int k = 1; k <= 6; ++k)
      if (!std::isfinite(J(i, k))) return false;
    for (int c = 1; c <= rate_product_count; ++c)
      if (!std::isfinite(H(i, c))) return false;
  }
  return true;
}

// The sliders at the values of the pose (zero rates) from the posture's rotation.
rail_sliders sliders_at_rest(const rail_geometry& g, const kin_state& position,
                             const posture_partials& pp) {
  rotation_rates m;
  m.R = pp.R;
  return sliders_of(g, position, m);
}

}  // namespace

void rail_jacobian(const rail_geometry& g, const kin_state& position, const kin_state& posture,
                   mat<6>& J, mat<6, 21>& H) {
  if (!closed_form_jacobian(g, position, posture_partials_of(posture), J, H))
    rail_jacobian_reference(g, position, posture, J, H);
}

bool rail_jacobian_values(const rail_geometry& g, const kin_state& position,
                          const kin_state& posture, mat<6>& J) {
  // R and R_k, the bits closed_form_jacobian takes them with; R_kl only feed H.
  const posture_partials pp = posture_partials_of(posture, 1);
  if (sliders_at_rest(g, position, pp).unreachable != 0) return false;
  // J's rows as closed_form_jacobian forms them, which are the probes' numbers; where it
  // turns to the probes (a leg at the edge of its reach, a value that overflowed), so does
  // this.
  const double L = g.rod_length;
  bool closed_form = true;
  for (int i = 1; i <= rail_leg_count && closed_form; ++i) {
    const double ax = g.ax(i), ay = g.ay(i), sigma = branch_sign(i);
    const double Wy = position.y + pp.R(2, 1) * ax + pp.R(2, 2) * ay;
    const double Wz = position.z + pp.R(3, 1) * ax + pp.R(3, 2) * ay;
    vec3 Wk[7];  // [1..6]
    for (int k = 1; k <= 3; ++k) Wk[k](k) = 1;
    for (int k = 1; k <= 3; ++k) {
      const mat3& M = pp.d[k];
      Wk[k + 3](1) = M(1, 1) * ax + M(1, 2) * ay;
      Wk[k + 3](2) = M(2, 1) * ax + M(2, 2) * ay;
      Wk[k + 3](3) = M(3, 1) * ax + M(3, 2) * ay;
    }
    const double e = Wy - g.By(i);
    const double S2 = L * L - e * e - Wz * Wz;
    double S = 0;
    if (S2 > 0) {
      S = std::sqrt(S2);
      if (S < smallest_slider_offset) closed_form = false;
    }
    for (int k = 1; k <= 6; ++k) {
      const double Sk = S > 0 ? -(Wk[k](2) * e + Wk[k](3) * Wz) / S : 0;
      J(i, k) = Wk[k](1) + sigma * Sk;
      closed_form = closed_form && std::isfinite(J(i, k));
    }
  }
  if (!closed_form) {
    mat<6, 21> H;
    rail_jacobian(g, position, posture, J, H);
  }
  return true;
}

namespace {

// The two evaluations the solver makes at a pose q (values only): the sliders, and J with H.
// The fast one keeps the partials of the last pose whose sliders it gave, for its Jacobian.
struct fast_evaluation {
  const rail_geometry& g;
  vec<6> q_at;
  posture_partials pp;
  pose at(const vec<6>& q) {
    const pose p = pose_at(q);
    bool same = true;
    for (int k = 1; k <= 6; ++k) same = same && q(k) == q_at(k);
    if (!same || !ready) pp = posture_partials_of(p.posture), q_at = q, ready = true;
    return p;
  }
  rail_sliders sliders(const vec<6>& q) { return sliders_at_rest(g, at(q).position, pp); }
  void jacobian(const vec<6>& q, mat<6>& J, mat<6, 21>& H) {
    const pose p = at(q);
    if (!closed_form_jacobian(g, p.position, pp, J, H))
      rail_jacobian_reference(g, p.position, p.posture, J, H);
  }
  bool ready = false;
};

struct reference_evaluation {
  const rail_geometry& g;
  rail_sliders sliders(const vec<6>& q) const {
    const pose p = pose_at(q);
    return rail_inverse(g, p.position, p.posture);
  }
  void jacobian(const vec<6>& q, mat<6>& J, mat<6, 21>& H) const {
    const pose p = pose_at(q);
    rail_jacobian_reference(g, p.position, p.posture, J, H);
  }
};

// The platform as the driver's problem over the pose q = (x, y, z, α, β, γ).
template <class Evaluation>
struct rail_problem {
  Evaluation& evaluation;
  nr_obstacle evaluate(const vec<6>& q, vec<6>& f) {
    const rail_sliders s = evaluation.sliders(q);
    f = s.bx;
    return s.unreachable != 0 ? nr_obstacle::rod_off_rail : nr_obstacle::none;
  }
  void jacobian(const vec<6>& q, mat<6>& J) {
    mat<6, 21> H;
    evaluation.jacobian(q, J, H);
  }
  void jacobian_and_quadratic_terms(const vec<6>& q, mat<6>& J, mat<6, 21>& H) {
    evaluation.jacobian(q, J, H);
  }
};

// The sliders are tested strictly below the tolerance; the posture angles are not wrapped. At
// the mirror-symmetric poses this mechanism keeps returning to, the two legs of a pair have
// equal x, y and z columns, so J's leading minors vanish and rounding leaves a leading pivot of
// 1e-17: only an elimination that searches for its pivots solves J there.
constexpr nr_rules rail_rules{true, false, 0, nr_elimination::partial_pivoting};

template <class Evaluation>
nr_outcome solve_forward(Evaluation& evaluation, const rail_geometry& g, double tolerance,
                         const vec<6>& target_bx, const vec<6>& target_dbx,
                         const vec<6>& target_ddbx, kin_state& position, kin_state& posture,
                         rail_joint_states& joints) {
  rail_problem<Evaluation> problem{evaluation};
  nr_solution<6> sol;
  sol.value = pose_values({position, posture});
  const nr_outcome out = newton_solve<6, 21>(rail_rules, tolerance, problem,
                                             {target_bx, target_dbx, target_ddbx}, sol);
  const pose solved = pose_at(sol.value, sol.rate, sol.accel);
  position = solved.position;
  posture = solved.posture;
  joints = rail_joints(g, position, posture);
  return out;
}

}  // namespace

nr_outcome rail_forward(const rail_geometry& g, double tolerance, const vec<6>& target_bx,
                        const vec<6>& target_dbx, const vec<6>& target_ddbx, kin_state& position,
                        kin_state& posture, rail_joint_states& joints) {
  fast_evaluation evaluation{g, {}, {}};
  return solve_forward(evaluation, g, tolerance, target_bx, target_dbx, target_ddbx, position,
                       posture, joints);
}

nr_outcome rail_forward_reference(const rail_geometry& g, double tolerance, const vec<6>& target_bx,
                                  const vec<6>& target_dbx, const vec<6>& target_ddbx,
                                  kin_state& position, kin_state& posture,
                                  rail_joint_states& joints) {
  reference_evaluation evaluation{g};
  return solve_forward(evaluation, g, tolerance, target_bx, target_dbx, target_ddbx, position,
                       posture, joints);
}

}  // namespace kinelab
