#include "mechanisms/zelko/zelko_kinematics.h"

#include <cmath>

#include "core/angles.h"
#include "core/posture.h"

namespace kinelab {

namespace {

constexpr int joints = 6;

kin_state offset(double x, double y, double z) {
  kin_state h;
  h.x = x, h.y = y, h.z = z;
  return h;
}

// The value, rate or acceleration fields of a kin_state as one triple.
enum class level { value, rate, accel };
void put(kin_state& s, level l, double x, double y, double z) {
  switch (l) {
    case level::value:
      s.x = x, s.y = y, s.z = z;
      break;
    case level::rate:
      s.dx = x, s.dy = y, s.dz = z;
      break;
    case level::accel:
      s.ddx = x, s.ddy = y, s.ddz = z;
      break;
  }
}

// θ into the twists at one level: (α1, β1, γ1), (0, β2, 0), (α3, β3, γ1).
void put_joints(const vec<6>& q, level l, zelko_twists& h) {
  put(h[1], l, q(1), q(2), q(3));
  put(h[2], l, 0, q(4), 0);
  put(h[3], l, q(5), q(6), q(3));
}

vec<6> unit_vector(int j) {
  vec<6> e;
  e(j) = 1;
  return e;
}

// The three evaluations the solver makes: the reached pose, J and H. The fast ones come from
// the twists' partials; the reference ones from zelko_forward and its probes.
struct inverse_evaluations {
  vec<6> (*pose)(const zelko_geometry&, zelko_twists&);
  mat<6> (*jacobian)(const zelko_geometry&, zelko_twists&);
  void (*jacobian_and_quadratic_terms)(const zelko_geometry&, zelko_twists&, mat<6>&,
                                       mat<6, rate_product_count>&);
};

void reference_jacobian_and_quadratic_terms(const zelko_geometry& g, zelko_twists& h, mat<6>& J,
                                            mat<6, rate_product_count>& H) {
  J = zelko_jacobian_reference(g, h);
  H = zelko_quadratic_terms_reference(g, h);
}

vec<6> forward_pose(const zelko_geometry& g, zelko_twists& h) {
  return pose_values(zelko_forward(g, h, kin_state{}));
}

}  // namespace

zelko_geometry default_zelko_geometry() {
  zelko_geometry g;
  g.unit = default_orvak_geometry();
  g.d = default_origin_distance;
  g.Hx1 = 0.06, g.Hz1 = 0.01, g.Hx3 = 0.06, g.Hz3 = -0.01;
  return g;
}

namespace {

// The triples (R, Ṙ, R̈) of the three twists, built once for every point placed at one set of
// twists; [0] is unused, as chain_matrices expects. Clears the α and γ of the middle twist
// first, as zelko_from_knee does.
struct twist_matrices {
  rotation_rates m[4];
};

twist_matrices matrices_of(zelko_twists& h) {
  kin_state& middle = h[2];
  middle.x = middle.dx = middle.ddx = 0;
  middle.z = middle.dz = middle.ddz = 0;
  twist_matrices t;
  for (int k = 1; k <= 3; ++k) t.m[k] = posture_matrices(h[static_cast<std::size_t>(k)]);
  return t;
}

kin_state from_knee(const zelko_geometry& g, const twist_matrices& t, const kin_state& X) {
  // Z = h1 + R2·X in body-1 axes from pp1; then R1·(d·e_z + Z) into the world.
  const kin_state Z = to_parent(offset(g.Hx1, 0, g.Hz1), t.m[2], X);
  return orvak_point(g.d, t.m[1], Z);
}

kin_state from_mid(const zelko_geometry& g, const twist_matrices& t, const kin_state& X) {
  kin_state Y = X;
  Y.x -= g.Hx3;
  Y.z -= g.Hz3;
  return from_knee(g, t, Y);
}

kin_state from_top(const zelko_geometry& g, const twist_matrices& t, const kin_state& X) {
  // d·e_z + R3·X: the end-plate origin sits a column length above pp3 in body-2 axes.
  return from_mid(g, t, to_parent(offset(0, 0, g.d), t.m[3], X));
}

kin_state end_posture(const twist_matrices& t) {
  return posture_from_matrices(chain_matrices(3, t.m));
}

}  // namespace

kin_state zelko_from_knee(const zelko_geometry& g, zelko_twists& h, const kin_state& X) {
  return from_knee(g, matrices_of(h), X);
}

kin_state zelko_from_mid(const zelko_geometry& g, zelko_twists& h, const kin_state& X) {
  return from_mid(g, matrices_of(h), X);
}

kin_state zelko_from_top(const zelko_geometry& g, zelko_twists& h, const kin_state& X) {
  return from_top(g, matrices_of(h), X);
}

pose zelko_forward(const zelko_geometry& g, zelko_twists& h, const kin_state& X) {
  const twist_matrices t = matrices_of(h);
  pose f;
  f.position = from_top(g, t, X);
  f.posture = end_posture(t);
  return f;
}

zelko_placement zelko_place(const zelko_geometry& g, zelko_twists& h) {
  const orvak_geometry& u = g.unit;
  const twist_matrices t = matrices_of(h);
  zelko_placement p;
  p.pp[4] = from_top(g, t, kin_state{});
  p.posture = end_posture(t);
  // The upper unit is the lower one turned half a turn about y: (x, y, z) → (−x, y, −z).
  for (int m = 1; m <= 3; ++m)
    p.base_joint[2][m] = from_top(g, t, offset(-u.Bx(m), u.By(m), -u.Bz(m)));
  p.pp[3] = from_mid(g, t, kin_state{});
  for (int m = 1; m <= 3; ++m)
    p.plat_joint[2][m] = from_mid(g, t, offset(-u.ax(m), u.ay(m), -u.az(m)));
  p.pp[2] = from_knee(g, t, kin_state{});
  p.pp[1] = orvak_point(g.d, t.m[1], kin_state{});
  for (int m = 1; m <= 3; ++m) {
    p.plat_joint[1][m] = orvak_point(g.d, t.m[1], still_point(u.platform_joint(m)));
    p.base_joint[1][m] = still_point(u.base_joint(m));
  }
  p.unit_legs[1] = orvak_inverse(u, g.d, t.m[1]);
  p.unit_legs[2] = orvak_inverse(u, g.d, t.m[3]);
  return p;
}

void zelko_set_rates(const vec<6>& rates, zelko_twists& h) {
  put_joints(rates, level::rate, h);
}

void zelko_set_accels(const vec<6>& accels, zelko_twists& h) {
  put_joints(accels, level::accel, h);
}

void zelko_step(const vec<6>& step, zelko_twists& h) {
  vec<6> q;
  q(1) = h[1].x, q(2) = h[1].y, q(3) = h[1].z;
  q(4) = h[2].y;
  q(5) = h[3].x, q(6) = h[3].y;
  vec_add(joints, q, step, q);
  wrap_angles(joints, q);
  put_joints(q, level::value, h);
}

mat<6> zelko_jacobian_reference(const zelko_geometry& g, zelko_twists& h) {
  // A unit rate of joint j makes the propagated velocity exactly ∂f/∂θ_j.
  mat<6> J;
  for (int j = 1; j <= joints; ++j) {
    zelko_set_rates(unit_vector(j), h);
    const vec<6> c = pose_rates(zelko_forward(g, h, kin_state{}));
    for (int i = 1; i <= joints; ++i) J(i, j) = c(i);
  }
  return J;
}

mat<6, rate_product_count> zelko_quadratic_terms_reference(const zelko_geometry& g,
                                                           zelko_twists& h) {
  // With θ̈ = 0 the output acceleration is the quadratic form θ̇ᵀ·(∂²f/∂θ²)·θ̇: a unit rate of
  // joint j gives ∂²f/∂θ_j², and the rates e_j + e_k give those two plus 2·∂²f/∂θ_j∂θ_k.
  mat<6, rate_product_count> H;
  zelko_set_accels(vec<6>{}, h);
  for (int c = 1; c <= rate_product_count; ++c) {
    int j = 0, k = 0;
    rate_product_pair(c, j, k);
    vec<6> rates = unit_vector(j);
    if (k != j) rates(k) = 1;
    zelko_set_rates(rates, h);
    const vec<6> a = pose_accelerations(zelko_forward(g, h, kin_state{}));
    for (int i = 1; i <= joints; ++i) H(i, c) = (k == j) ? a(i) : a(i) - H(i, j) - H(i, k);
  }
  return H;
}

namespace {

vec<6> joint_values(const zelko_twists& h) {
  vec<6> q;
  q(1) = h[1].x, q(2) = h[1].y, q(3) = h[1].z;
  q(4) = h[2].y;
  q(5) = h[3].x, q(6) = h[3].y;
  return q;
}

// The limb as the driver's problem: the variables are the joint vector θ, the output the
// end-plate pose f = (pp4, posture). Every θ can be taken; only an overflowed one cannot.
struct limb_problem {
  const inverse_evaluations& eval;
  const zelko_geometry& g;
  zelko_twists h;  // θ of the last evaluation

  nr_obstacle evaluate(const vec<6>& q, vec<6>& f) {
    put_joints(q, level::value, h);
    f = eval.pose(g, h);
    return nr_obstacle::none;
  }
  void jacobian(const vec<6>& q, mat<6>& J) {
    put_joints(q, level::value, h);
    J = eval.jacobian(g, h);
  }
  void jacobian_and_quadratic_terms(const vec<6>& q, mat<6>& J, mat<6, rate_product_count>& H) {
    put_joints(q, level::value, h);
    eval.jacobian_and_quadratic_terms(g, h, J, H);
  }
};

// The limb converges when the residual is not above the tolerance; the joints stay in
// (−π, π]; the posture goal is compared wrapped.
constexpr nr_rules limb_rules{false, true, 0b111000u};

nr_outcome solve_inverse(const inverse_evaluations& eval, double tolerance, const zelko_geometry& g,
                         const kin_state& goal_p, const kin_state& goal_s, zelko_twists& h) {
  const pose target{goal_p, goal_s};
  const nr_goal<6> goal{pose_values(target), pose_rates(target), pose_accelerations(target)};
  limb_problem problem{eval, g, h};
  nr_solution<6> sol;
  sol.value = joint_values(h);
  const nr_outcome out =
      newton_solve<6, rate_product_count>(limb_rules, tolerance, problem, goal, sol);
  put_joints(sol.value, level::value, h);
  zelko_set_rates(sol.rate, h);
  zelko_set_accels(sol.accel, h);
  return out;
}

}  // namespace

nr_outcome zelko_inverse(double tolerance, const zelko_geometry& g, const kin_state& goal_p,
                         const kin_state& goal_s, zelko_twists& h) {
  return solve_inverse({zelko_end_pose, zelko_jacobian, zelko_jacobian_and_quadratic_terms},
                       tolerance, g, goal_p, goal_s, h);
}

nr_outcome zelko_inverse_reference(double tolerance, const zelko_geometry& g,
                                   const kin_state& goal_p, const kin_state& goal_s,
                                   zelko_twists& h) {
  return solve_inverse(
      {forward_pose, zelko_jacobian_reference, reference_jacobian_and_quadratic_terms}, tolerance,
      g, goal_p, goal_s, h);
}

}  // namespace kinelab
