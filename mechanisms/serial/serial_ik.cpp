#include "mechanisms/serial/serial_ik.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "core/pose.h"
#include "mechanisms/serial/serial_frames.h"

namespace kinelab {

namespace {

// The 3R solver drives P (links 1..4); the 6R solver drives P and the tool posture (links 1..7).
template <int N>
constexpr int links_of = N == 3 ? 4 : 7;
// Squares and pairs of N rates: 6 for three joints, 21 for six.
template <int N>
constexpr int products_of = rate_products_of<N>;

// The driven coordinates of the arm with their rates and accelerations.
template <int N>
struct arm_coordinates {
  vec<N> value, rate, accel;
};

// A state as coordinates first..first + 2.
template <int N>
void put(arm_coordinates<N>& p, int first, const kin_state& s) {
  put_values(s, first, p.value);
  put_rates(s, first, p.rate);
  put_accelerations(s, first, p.accel);
}

template <int N>
arm_coordinates<N> evaluate(const serial_arm& arm, const link_array& the, const link_array& dthe,
                            const link_array& ddthe) {
  const int n = links_of<N>;
  const kin_state P =
      chain_point(n, arm.hx, arm.hy, arm.hz, arm.alfa, arm.beta, the, dthe, ddthe, kin_state{});
  arm_coordinates<N> p;
  put(p, 1, P);
  if constexpr (N == 6) put(p, 4, chain_posture_serial(n, arm.alfa, arm.beta, the, dthe, ddthe));
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
    const arm_coordinates<N> p = evaluate<N>(arm, the, rates, no_accel);
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
  frames_evaluator(const serial_arm& arm, const arm_twists& twists) : arm_(arm), twists_(twists) {}
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
  const arm_twists& twists_;
  chain_frames frames_;
  bool built_ = false;
};

// The arm as the driver's problem: the variables are the joint angles 1..N, the output the
// driven coordinates. Every set of angles can be taken; only an overflowed one cannot.
template <int N, class Evaluator>
struct arm_problem {
  Evaluator& ev;
  link_array the;  // the angles of the last evaluation, links beyond N as passed in

  void set(const vec<N>& q) {
    for (int i = 1; i <= N; ++i) the(i) = q(i);
  }
  nr_obstacle evaluate(const vec<N>& q, vec<N>& f) {
    set(q);
    f = ev.value(the);
    return nr_obstacle::none;
  }
  void jacobian(const vec<N>& q, mat<N>& J) {
    set(q);
    J = ev.jacobian_at(the);
  }
  void jacobian_and_quadratic_terms(const vec<N>& q, mat<N>& J, mat<N, products_of<N>>& H) {
    set(q);
    J = ev.jacobian_at(the);
    H = ev.quadratic_terms_at(the);
  }
};

// The arms converge when the residual is not above the tolerance; the joint angles stay in
// (−π, π]; the 6R posture goal is compared wrapped.
template <int N>
constexpr nr_rules arm_rules{false, true, N == 6 ? 0b111000u : 0u};

// The goal: P, then for the 6R solver the tool posture s.
template <int N, class Evaluator>
nr_outcome newton(double tolerance, Evaluator& ev, const kin_state& goal_p, const kin_state& goal_s,
                  link_array& the, link_array& dthe, link_array& ddthe) {
  arm_coordinates<N> goal;
  put(goal, 1, goal_p);
  if constexpr (N == 6) put(goal, 4, goal_s);
  arm_problem<N, Evaluator> problem{ev, the};
  nr_solution<N> sol;
  for (int i = 1; i <= N; ++i) sol.value(i) = the(i);
  const nr_outcome out = newton_solve<N, products_of<N>>(
      arm_rules<N>, tolerance, problem, nr_goal<N>{goal.value, goal.rate, goal.accel}, sol);
  for (int i = 1; i <= N; ++i)
    the(i) = sol.value(i), dthe(i) = sol.rate(i), ddthe(i) = sol.accel(i);
  return out;
}

}  // namespace

const arm_twists& serial_ik_solver::twists_for(const serial_arm& arm) {
  auto same = [&] {
    if (!formed_ || twists_.links != arm.links) return false;
    for (int k = 1; k <= arm.links; ++k)
      if (std::bit_cast<std::uint64_t>(twists_.alfa(k)) !=
              std::bit_cast<std::uint64_t>(arm.alfa(k)) ||
          std::bit_cast<std::uint64_t>(twists_.beta(k)) !=
              std::bit_cast<std::uint64_t>(arm.beta(k)))
        return false;
    return true;
  };
  if (!same()) {
    twists_ = twists_of(arm);
    formed_ = true;
  }
  return twists_;
}

nr_outcome serial_ik_solver::solve_3r(double tolerance, const serial_arm& arm,
                                      const kin_state& goal_p, link_array& the, link_array& dthe,
                                      link_array& ddthe) {
  frames_evaluator<3> ev(arm, twists_for(arm));
  return newton<3>(tolerance, ev, goal_p, {}, the, dthe, ddthe);
}

nr_outcome serial_ik_solver::solve_6r(double tolerance, const serial_arm& arm,
                                      const kin_state& goal_p, const kin_state& goal_s,
                                      link_array& the, link_array& dthe, link_array& ddthe) {
  frames_evaluator<6> ev(arm, twists_for(arm));
  return newton<6>(tolerance, ev, goal_p, goal_s, the, dthe, ddthe);
}

mat<3> jacobian_3r(const serial_arm& arm, const link_array& the) {
  return jacobian<3>(arm, the);
}

mat<3, 6> quadratic_terms_3r(const serial_arm& arm, const link_array& the) {
  return quadratic_terms<3>(arm, the);
}

nr_outcome newton_ik_3r(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                        link_array& the, link_array& dthe, link_array& ddthe) {
  return serial_ik_solver().solve_3r(tolerance, arm, goal_p, the, dthe, ddthe);
}

nr_outcome newton_ik_3r_reference(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                                  link_array& the, link_array& dthe, link_array& ddthe) {
  reference_evaluator<3> ev(arm);
  return newton<3>(tolerance, ev, goal_p, {}, the, dthe, ddthe);
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
  return serial_ik_solver().solve_6r(tolerance, arm, goal_p, goal_s, the, dthe, ddthe);
}

nr_outcome newton_ik_6r_reference(double tolerance, const serial_arm& arm, const kin_state& goal_p,
                                  const kin_state& goal_s, link_array& the, link_array& dthe,
                                  link_array& ddthe) {
  reference_evaluator<6> ev(arm);
  return newton<6>(tolerance, ev, goal_p, goal_s, the, dthe, ddthe);
}

}  // namespace kinelab
