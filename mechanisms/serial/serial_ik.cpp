#include "mechanisms/serial/serial_ik.h"

#include <cmath>

#include "core/linear_solver.h"
#include "core/rate_products.h"
#include "mechanisms/serial/serial_frames.h"

namespace kinelab {

namespace {

// The 3R solver drives P (links 1..4); the 6R solver drives P and the tool posture (links 1..7).
template <int N>
constexpr int links_of = N == 3 ? 4 : 7;
// Squares and pairs of N rates: 6 for three joints, 21 for six.
template <int N>
constexpr int products_of = N*(N + 1) / 2;
constexpr int max_corrections = 10;

// The driven coordinates of the arm with their rates and accelerations.
template <int N>
struct pose {
  vec<N> value, rate, accel;
};

template <int N>
pose<N> evaluate(const serial_arm& arm, const link_array& the, const link_array& dthe,
                 const link_array& ddthe) {
  const int n = links_of<N>;
  const kin_state P =
      chain_point(n, arm.hx, arm.hy, arm.hz, arm.alfa, arm.beta, the, dthe, ddthe, kin_state{});
  pose<N> p;
  p.value(1) = P.x, p.value(2) = P.y, p.value(3) = P.z;
  p.rate(1) = P.dx, p.rate(2) = P.dy, p.rate(3) = P.dz;
  p.accel(1) = P.ddx, p.accel(2) = P.ddy, p.accel(3) = P.ddz;
  if constexpr (N == 6) {
    const kin_state S = chain_posture_serial(n, arm.alfa, arm.beta, the, dthe, ddthe);
    p.value(4) = S.x, p.value(5) = S.y, p.value(6) = S.z;
    p.rate(4) = S.dx, p.rate(5) = S.dy, p.rate(6) = S.dz;
    p.accel(4) = S.ddx, p.accel(5) = S.ddy, p.accel(6) = S.ddz;
  }
  return p;
}

// Column i of J is the pose velocity for the unit joint rate e_i.
template <int N>
mat<N> jacobian(const serial_arm& arm, const link_array& the) {
  mat<N> J;
  const link_array no_accel;
  for (int i = 1; i <= N; ++i) {
    link_array rates;
    rates(i) = 1;
    const pose<N> p = evaluate<N>(arm, the, rates, no_accel);
    for (int c = 1; c <= N; ++c) J(c, i) = p.rate(c);
  }
  return J;
}

// With zero joint accelerations the pose acceleration is Σ θ̇ᵢ²·Hᵢ + Σ_{i<j} θ̇ᵢθ̇ⱼ·Hᵢⱼ:
// Hᵢ from the rates eᵢ, Hᵢⱼ from eᵢ + eⱼ less Hᵢ and Hⱼ, pairs in lexicographic order.
template <int N>
mat<N, products_of<N>> quadratic_terms(const serial_arm& arm, const link_array& the) {
  mat<N, products_of<N>> H;
  const link_array no_accel;
  auto accel = [&](int i, int j) {
    link_array rates;
    rates(i) = 1;
    rates(j) = 1;
    return evaluate<N>(arm, the, rates, no_accel).accel;
  };
  for (int i = 1; i <= N; ++i) {
    const vec<N> a = accel(i, i);
    for (int c = 1; c <= N; ++c) H(c, i) = a(c);
  }
  int column = N;
  for (int i = 1; i < N; ++i)
    for (int j = i + 1; j <= N; ++j) {
      const vec<N> a = accel(i, j);
      ++column;
      for (int c = 1; c <= N; ++c) H(c, column) = a(c) - H(c, i) - H(c, j);
    }
  return H;
}

template <int N>
vec<products_of<N>> products(const vec<N>& v) {
  if constexpr (N == 6) {
    return rate_products(v);
  } else {
    vec<products_of<N>> w;
    int k = 0;
    for (int i = 1; i <= N; ++i) w(++k) = v(i) * v(i);
    for (int i = 1; i < N; ++i)
      for (int j = i + 1; j <= N; ++j) w(++k) = v(i) * v(j);
    return w;
  }
}

// Goal − current; the posture differences of the 6R pose are wrapped into (−π, π], so that
// 179° against −179° is −2°, not 358°.
template <int N>
vec<N> residual(const vec<N>& goal, const vec<N>& current) {
  vec<N> r;
  vec_sub(N, goal, current, r);
  if constexpr (N == 6)
    for (int c = 4; c <= 6; ++c) wrap_angle(r(c));
  return r;
}

template <int N>
bool all_finite(const vec<N>& v, int n = N) {
  for (int i = 1; i <= n; ++i)
    if (!std::isfinite(v(i))) return false;
  return true;
}

// The straightforward evaluation: every value, Jacobian column and second-order column from a
// chain evaluation of its own.
template <int N>
class reference_evaluator {
 public:
  explicit reference_evaluator(const serial_arm& arm) : arm_(arm) {}
  vec<N> value(const link_array& the) {
    const link_array zero;
    return evaluate<N>(arm_, the, zero, zero).value;
  }
  mat<N> jacobian_at(const link_array& the) { return jacobian<N>(arm_, the); }
  mat<N, products_of<N>> quadratic_terms_at(const link_array& the) {
    return quadratic_terms<N>(arm_, the);
  }

 private:
  const serial_arm& arm_;
};

// The same quantities from the chain's frames, built once per set of angles: the residual's
// evaluation at the new angles also serves the next correction's Jacobian and, at the
// solution, the second-order table.
template <int N>
class frames_evaluator {
 public:
  explicit frames_evaluator(const serial_arm& arm) : arm_(arm), twists_(twists_of(arm)) {}
  vec<N> value(const link_array& the) {
    const chain_frames& f = at(the);
    vec<N> v;
    v(1) = f.o[f.links](1), v(2) = f.o[f.links](2), v(3) = f.o[f.links](3);
    if constexpr (N == 6) {
      v(4) = f.tool.a, v(5) = f.tool.b, v(6) = f.tool.c;
    }
    return v;
  }
  mat<N> jacobian_at(const link_array& the) {
    mat<6> J6;
    frames_jacobian(at(the), N, J6);
    mat<N> J;
    for (int r = 1; r <= N; ++r)
      for (int c = 1; c <= N; ++c) J(r, c) = J6(r, c);
    return J;
  }
  mat<N, products_of<N>> quadratic_terms_at(const link_array& the) {
    mat<6, 21> H6;
    frames_quadratic_terms(at(the), N, H6);
    mat<N, products_of<N>> H;
    for (int r = 1; r <= N; ++r)
      for (int c = 1; c <= products_of<N>; ++c) H(r, c) = H6(r, c);
    return H;
  }

 private:
  const chain_frames& at(const link_array& the) {
    bool same = built_;
    for (int k = 1; same && k <= arm_.links; ++k) same = frames_.the(k) == the(k);
    if (!same) build_frames(arm_, twists_, the, N == 6, frames_);
    built_ = true;
    return frames_;
  }

  const serial_arm& arm_;
  arm_twists twists_;
  chain_frames frames_;
  bool built_ = false;
};

template <int N, class Evaluator>
nr_outcome newton(double tolerance, Evaluator& ev, const pose<N>& goal, link_array& the,
                  link_array& dthe, link_array& ddthe) {
  nr_outcome out;
  vec_zero(N, dthe);
  vec_zero(N, ddthe);
  vec<N> r = residual(goal.value, ev.value(the));
  if (!all_finite(r)) {
    out.status = nr_status::not_finite;
    out.residual = vec_max_abs(N, r);
    return out;
  }
  mat<N> J;  // the Jacobian of the last correction, evaluated before that correction's update
  bool have_J = false;
  bool ended_early = false;
  for (int k = 1;; ++k) {
    if (vec_max_abs(N, r) <= tolerance) break;
    if (k > max_corrections) break;
    J = ev.jacobian_at(the);
    have_J = true;
    vec<N> delta = r;
    mat<N> X;
    if (solve_linear(N, J, delta, X) == solve_status::error) {
      out.status = nr_status::singular;
      ended_early = true;
      break;
    }
    link_array next = the;
    for (int i = 1; i <= N; ++i) next(i) += delta(i);
    wrap_angles(N, next);
    const vec<N> r_next = residual(goal.value, ev.value(next));
    if (!all_finite(next, N) || !all_finite(r_next)) {
      out.status = nr_status::not_finite;
      ended_early = true;
      break;
    }
    the = next;
    r = r_next;
    ++out.iterations;
  }
  out.residual = vec_max_abs(N, r);
  if (ended_early) return out;
  out.status = out.residual <= tolerance ? nr_status::converged : nr_status::iteration_limit;

  if (!have_J) J = ev.jacobian_at(the);
  mat<N> X;
  vec<N> rates = goal.rate;
  if (solve_linear(N, J, rates, X) == solve_status::error) {
    out.status = nr_status::singular;  // the angles stand, but no rates solve J·θ̇ = v
    return out;
  }
  const mat<N, products_of<N>> H = ev.quadratic_terms_at(the);
  vec<N> q;
  mat_vec_rect(N, products_of<N>, H, products(rates), q);
  vec<N> accels;
  vec_sub(N, goal.accel, q, accels);
  if (solve_linear(N, J, accels, X) == solve_status::error || !all_finite(rates) ||
      !all_finite(accels)) {
    out.status = nr_status::not_finite;
    return out;
  }
  for (int i = 1; i <= N; ++i) dthe(i) = rates(i), ddthe(i) = accels(i);
  return out;
}

template <int N>
void put(pose<N>& p, int first, const kin_state& s) {
  p.value(first) = s.x, p.value(first + 1) = s.y, p.value(first + 2) = s.z;
  p.rate(first) = s.dx, p.rate(first + 1) = s.dy, p.rate(first + 2) = s.dz;
  p.accel(first) = s.ddx, p.accel(first + 1) = s.ddy, p.accel(first + 2) = s.ddz;
}

}  // namespace

mat<3> jacobian_3r(const serial_arm& arm, const link_array& the) {
  return jacobian<3>(arm, the);
}

mat<3, 6> quadratic_terms_3r(const serial_arm& arm, const link_array& the) {
  return quadratic_terms<3>(arm, the);
}

nr_outcome newton_ik_3r(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                        link_array& the, link_array& dthe, link_array& ddthe) {
  pose<3> goal;
  put(goal, 1, goal_p);
  frames_evaluator<3> ev(arm);
  return newton<3>(tolerance, ev, goal, the, dthe, ddthe);
}

nr_outcome newton_ik_3r_reference(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                                  link_array& the, link_array& dthe, link_array& ddthe) {
  pose<3> goal;
  put(goal, 1, goal_p);
  reference_evaluator<3> ev(arm);
  return newton<3>(tolerance, ev, goal, the, dthe, ddthe);
}

mat<6> jacobian_6r(const serial_arm& arm, const link_array& the) {
  return jacobian<6>(arm, the);
}

mat<6, 21> quadratic_terms_6r(const serial_arm& arm, const link_array& the) {
  return quadratic_terms<6>(arm, the);
}

nr_outcome newton_ik_6r(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                        const kin_state& goal_s, link_array& the, link_array& dthe,
                        link_array& ddthe) {
  pose<6> goal;
  put(goal, 1, goal_p);
  put(goal, 4, goal_s);
  frames_evaluator<6> ev(arm);
  return newton<6>(tolerance, ev, goal, the, dthe, ddthe);
}

nr_outcome newton_ik_6r_reference(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                                  const kin_state& goal_s, link_array& the, link_array& dthe,
                                  link_array& ddthe) {
  pose<6> goal;
  put(goal, 1, goal_p);
  put(goal, 4, goal_s);
  reference_evaluator<6> ev(arm);
  return newton<6>(tolerance, ev, goal, the, dthe, ddthe);
}

}  // namespace kinelab
