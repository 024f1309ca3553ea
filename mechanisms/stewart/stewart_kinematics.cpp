#include "mechanisms/stewart/stewart_kinematics.h"

#include <cmath>

#include "core/number_text.h"
#include "core/posture_partials.h"
#include "core/rate_products.h"

namespace kinelab {

namespace {

bool finite_vec(const vec<6>& v) {
  for (int i = 1; i <= 6; ++i)
    if (!std::isfinite(v(i))) return false;
  return true;
}

template <int R, int C>
bool finite_mat(const mat<R, C>& M) {
  for (int i = 1; i <= R; ++i)
    for (int j = 1; j <= C; ++j)
      if (!std::isfinite(M(i, j))) return false;
  return true;
}

vec3 point(double x, double y, double z) {
  vec3 p;
  p(1) = x, p(2) = y, p(3) = z;
  return p;
}

vec<6> unit(int k) {
  vec<6> e;
  e(k) = 1;
  return e;
}

}  // namespace

stewart_geometry default_stewart_geometry() {
  const auto number = [](const char* text) { return *parse_number(text); };
  const stewart_geometry_texts& t = stewart_default_texts;
  stewart_geometry g;
  for (int k = 1; k <= stewart_leg_count; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    g.ax(k) = number(t.ax[i]), g.ay(k) = number(t.ay[i]);
    g.Bx(k) = number(t.Bx[i]), g.By(k) = number(t.By[i]);
  }
  return g;
}

leg_length stewart_leg(const vec3& a, const vec3& B, const kin_state& P, const rotation_rates& m) {
  // The platform joint P + R·a with its rates Ṗ + Ṙ·a and P̈ + R̈·a (a and B are fixed in
  // their frames).
  vec3 Ra, dRa, ddRa;
  mat_vec(3, m.R, a, Ra);
  mat_vec(3, m.dR, a, dRa);
  mat_vec(3, m.ddR, a, ddRa);
  const kin_state joint{P.x + Ra(1), P.dx + dRa(1), P.ddx + ddRa(1),
                        P.y + Ra(2), P.dy + dRa(2), P.ddy + ddRa(2),
                        P.z + Ra(3), P.dz + dRa(3), P.ddz + ddRa(3)};
  return leg_between(joint, kin_state{B(1), 0, 0, B(2), 0, 0, B(3), 0, 0});
}

stewart_leg_set stewart_legs(const stewart_geometry& g, const kin_state& position,
                             const kin_state& posture) {
  const rotation_rates m = posture_matrices(posture);
  stewart_leg_set s;
  for (int k = 1; k <= stewart_leg_count; ++k) {
    const leg_length leg = stewart_leg(point(g.ax(k), g.ay(k), g.az(k)),
                                       point(g.Bx(k), g.By(k), g.Bz(k)), position, m);
    s.leg(k) = leg.L, s.dleg(k) = leg.dL, s.ddleg(k) = leg.ddL;
    if (leg.zero_length) s.zero_length |= 1u << (k - 1);
  }
  return s;
}

platform_joints stewart_joints(const stewart_geometry& g, const kin_state& position,
                               const kin_state& posture) {
  const rotation_rates m = posture_matrices(posture);
  platform_joints joints;
  for (int k = 1; k <= stewart_leg_count; ++k)
    joints[static_cast<std::size_t>(k - 1)] =
        g.az(k) == 0 ? platform_joint(g.ax(k), g.ay(k), position, m)
                     : platform_joint(g.ax(k), g.ay(k), g.az(k), position, m);
  return joints;
}

void stewart_jacobian_reference(const stewart_geometry& g, kin_state& position, kin_state& posture,
                                mat<6>& J, mat<6, 21>& H) {
  pose p{position, posture};
  const vec<6> zero;
  set_pose_accelerations(zero, p);
  // With q̈ = 0 the leg acceleration is L̈ = Σ H(·, c)·w_c: a unit rate e_k isolates the square
  // column k, and e_a + e_b leaves H(a, a) + H(b, b) plus the pair column.
  for (int k = 1; k <= 6; ++k) {
    set_pose_rates(unit(k), p);
    const stewart_leg_set s = stewart_legs(g, p.position, p.posture);
    for (int j = 1; j <= stewart_leg_count; ++j) {
      J(j, k) = s.dleg(j);
      H(j, k) = s.ddleg(j);
    }
  }
  for (int c = 7; c <= rate_product_count; ++c) {
    int a, b;
    rate_product_pair(c, a, b);
    vec<6> v = unit(a);
    v(b) = 1;
    set_pose_rates(v, p);
    const stewart_leg_set s = stewart_legs(g, p.position, p.posture);
    for (int j = 1; j <= stewart_leg_count; ++j) H(j, c) = s.ddleg(j) - H(j, a) - H(j, b);
  }
  position = p.position;
  posture = p.posture;
}

namespace {

// The leg lengths, J and H at the values of the pose, from the posture's partials: per leg
// l = P + R·a − B, and with l_k = ∂l/∂q_k (e_k for the position, R_k·a for the angles) and
// l_kl = R_kl·a (zero unless both are angles),
//   L_k = (l·l_k)/L,   L_kk = (l_k·l_k + l·l_kk − L_k²)/L,   2·L_kl = 2·(l_k·l_l + l·l_kl −
//   L_k·L_l)/L.
// J and the square columns take the same operations as the unit-rate probes of stewart_leg, so
// the same numbers; the pair columns differ from the probes only in rounding. A leg of zero
// length (core/leg_length.h) has a zero row, as the probes give it.
void legs_and_jacobian(const stewart_geometry& g, const kin_state& P, const posture_partials& pp,
                       vec<6>& L, mat<6>& J, mat<6, 21>& H) {
  for (int j = 1; j <= stewart_leg_count; ++j) {
    vec3 a;
    const leg_vector leg = stewart_leg_at(g, j, P.x, P.y, P.z, pp.R, a);
    L(j) = leg.L;
    if (leg.zero_length) {
      for (int k = 1; k <= 6; ++k) J(j, k) = 0;
      for (int c = 1; c <= rate_product_count; ++c) H(j, c) = 0;
      continue;
    }
    vec3 lk[7];  // [1..6]
    stewart_leg_partials(pp, a, lk);
    double Lk[7];
    for (int k = 1; k <= 6; ++k) J(j, k) = Lk[k] = leg.rate(lk[k]);
    // The squares (k = m) hold ∂²L/∂q_k², the pairs twice the mixed derivative.
    for (int c = 1; c <= rate_product_count; ++c) {
      int k, m;
      rate_product_pair(c, k, m);
      vec3 lkm;
      if (k > 3) mat_vec(3, pp.dd(k - 3, m - 3), a, lkm);
      const double second = leg.second(lk[k], lk[m], k > 3 ? &lkm : nullptr, Lk[k], Lk[m]);
      H(j, c) = k == m ? second : 2 * second;
    }
  }
}

}  // namespace

void stewart_jacobian(const stewart_geometry& g, const kin_state& position,
                      const kin_state& posture, mat<6>& J, mat<6, 21>& H) {
  vec<6> L;
  legs_and_jacobian(g, position, posture_partials_of(posture), L, J, H);
}

bool stewart_jacobian_values(const stewart_geometry& g, const kin_state& position,
                             const kin_state& posture, mat<6>& J) {
  // R and R_k, the bits legs_and_jacobian takes them with.
  return stewart_jacobian_from_partials(g, position.x, position.y, position.z,
                                        posture_partials_of(posture, 1), J);
}

namespace {

// The legs L(q), J and H at the pose.
using stewart_evaluation = void (*)(const stewart_geometry& g, kin_state& position,
                                    kin_state& posture, vec<6>& L, mat<6>& J, mat<6, 21>& H);

void evaluate_fast(const stewart_geometry& g, kin_state& position, kin_state& posture, vec<6>& L,
                   mat<6>& J, mat<6, 21>& H) {
  legs_and_jacobian(g, position, posture_partials_of(posture), L, J, H);
}

void evaluate_reference(const stewart_geometry& g, kin_state& position, kin_state& posture,
                        vec<6>& L, mat<6>& J, mat<6, 21>& H) {
  L = stewart_legs(g, position, posture).leg;
  stewart_jacobian_reference(g, position, posture, J, H);
}

// What keeps a pose from being taken: a leg length, or one of its derivatives, that overflowed.
nr_obstacle overflow_in(const vec<6>& L, const mat<6>& J, const mat<6, 21>& H) {
  if (!finite_vec(L)) return nr_obstacle::leg_not_finite;
  if (!finite_mat(J) || !finite_mat(H)) return nr_obstacle::leg_rate_not_finite;
  return nr_obstacle::none;
}

// The platform as the driver's problem: legs, J and H come from one evaluation per pose.
struct stewart_problem {
  stewart_evaluation evaluation;
  const stewart_geometry& g;
  vec<6> at, L;
  mat<6> J;
  mat<6, 21> H;
  bool ready = false;
  nr_obstacle overflow = nr_obstacle::none;

  void evaluate_at(const vec<6>& q) {
    bool same = ready;
    for (int k = 1; same && k <= 6; ++k) same = q(k) == at(k);
    if (same) return;
    pose p = pose_at(q);
    evaluation(g, p.position, p.posture, L, J, H);
    overflow = overflow_in(L, J, H);
    at = q;
    ready = true;
  }
  nr_obstacle evaluate(const vec<6>& q, vec<6>& f) {
    evaluate_at(q);
    f = L;
    return overflow;
  }
  void jacobian(const vec<6>& q, mat<6>& J_out) {
    evaluate_at(q);
    J_out = J;
  }
  void jacobian_and_quadratic_terms(const vec<6>& q, mat<6>& J_out, mat<6, 21>& H_out) {
    evaluate_at(q);
    J_out = J;
    H_out = H;
  }
};

// Legs are lengths, tested strictly below the tolerance; the posture angles are not wrapped.
constexpr nr_rules stewart_rules{true, false, 0};

nr_outcome solve_forward(stewart_evaluation evaluation, double tolerance, const stewart_geometry& g,
                         const vec<6>& goal, const vec<6>& goal_rate, const vec<6>& goal_acc,
                         kin_state& position, kin_state& posture, platform_joints& joints) {
  stewart_problem problem{evaluation, g, {}, {}, {}, {}};
  nr_solution<6> sol;
  sol.value = pose_values({position, posture});
  const nr_outcome out =
      newton_solve<6, 21>(stewart_rules, tolerance, problem, {goal, goal_rate, goal_acc}, sol);
  const pose solved = pose_at(sol.value, sol.rate, sol.accel);
  position = solved.position;
  posture = solved.posture;
  joints = stewart_joints(g, position, posture);
  return out;
}

}  // namespace

nr_outcome newton_fk_stewart(double tolerance, const stewart_geometry& g, const vec<6>& goal,
                             const vec<6>& goal_rate, const vec<6>& goal_acc, kin_state& position,
                             kin_state& posture, platform_joints& joints) {
  return solve_forward(evaluate_fast, tolerance, g, goal, goal_rate, goal_acc, position, posture,
                       joints);
}

nr_outcome newton_fk_stewart_reference(double tolerance, const stewart_geometry& g,
                                       const vec<6>& goal, const vec<6>& goal_rate,
                                       const vec<6>& goal_acc, kin_state& position,
                                       kin_state& posture, platform_joints& joints) {
  return solve_forward(evaluate_reference, tolerance, g, goal, goal_rate, goal_acc, position,
                       posture, joints);
}

}  // namespace kinelab
