#pragma once
// The Newton–Raphson solve every iterative window makes, and its honest outcome. The windows
// keep going whatever the outcome (the next step starts from the last values), but every step
// records how its solve ended, so that a failed solve never looks like one that succeeded.
//
// One driver serves the serial arms, the Stewart and rail platforms and the zelko limb; where
// they differ the difference is data (nr_rules), and the mechanism supplies its values and
// derivatives (the problem). A correction is a full Newton step, solved with partial pivoting;
// at a Jacobian singular to working precision it is a damped least-squares step instead, and
// where the mechanism cannot take the corrected variables (a rod off its rail) the step is
// halved until it can. The variables returned are always ones the mechanism can take, so they
// are a sound start for the next solve whatever this one did.
#include <cfloat>
#include <cmath>

#include "core/array_algebra.h"
#include "core/linear_solver.h"
#include "core/pivoted_solve.h"
#include "core/rate_products.h"

namespace kinelab {

// The numbers are written to the CSV dumps: keep them.
enum class nr_status {
  converged = 0,        // the final residual meets the tolerance test
  iteration_limit = 1,  // ten corrections made, residual still above the tolerance
  singular = 2,         // not converged, and the Jacobian at the last values is singular
  not_finite = 3,       // the residual at the start overflowed (or no shorter step was finite)
  unreachable = 4,      // the mechanism cannot take the start or any shortened correction
};

inline const char* to_string(nr_status s) {
  switch (s) {
    case nr_status::converged:
      return "converged";
    case nr_status::iteration_limit:
      return "iteration limit";
    case nr_status::singular:
      return "singular Jacobian";
    case nr_status::not_finite:
      return "not finite";
    case nr_status::unreachable:
      return "unreachable";
  }
  return "?";
}

// What the mechanism cannot take at an iterate, for an unreachable outcome. The front ends word
// it in the user's language; to_string is its English name, for scripts.
enum class nr_obstacle { none, rod_off_rail, leg_not_finite, leg_rate_not_finite };

inline const char* to_string(nr_obstacle o) {
  switch (o) {
    case nr_obstacle::none:
      return "";
    case nr_obstacle::rod_off_rail:
      return "a rod off its rail";
    case nr_obstacle::leg_not_finite:
      return "a leg not finite";
    case nr_obstacle::leg_rate_not_finite:
      return "a leg rate not finite";
  }
  return "?";
}

struct nr_outcome {
  int iterations = 0;   // corrections made
  double residual = 0;  // largest absolute residual component at the end; the largest double
                        // when it was not finite
  nr_status status = nr_status::converged;
  nr_obstacle reason = nr_obstacle::none;  // what the mechanism could not take (unreachable)
  // The Jacobian at the final values is singular: the rates and accelerations stored are the
  // finite minimum-norm (damped) solutions, not exact ones.
  bool minimum_norm_rates = false;
};

inline constexpr int nr_max_corrections = 10;

// How a regular Jacobian is solved: by solve_linear, the Gauss–Jordan elimination whose numbers
// the arm, Stewart and limb windows have always given, or by LU with partial pivoting, which the
// rail platform needs at its mirror-symmetric poses (see pivoted_solve.h). Both are exact to
// rounding away from singularities; a singular Jacobian is told by the LU in either case.
enum class nr_elimination { cyclic_rows, partial_pivoting };

// Where the windows' solves differ.
struct nr_rules {
  // Converged when the largest residual component is strictly below the tolerance; otherwise
  // when it is not above it.
  bool strict = false;
  // The variables are angles, wrapped into (−π, π] after every correction.
  bool wrap_variables = false;
  // The goal components that are angles (bit k − 1 for component k): goal − value is wrapped
  // into (−π, π], so that 179° against −179° is −2°, not 358°.
  unsigned angular_goal = 0;
  nr_elimination elimination = nr_elimination::cyclic_rows;
};

// The goal of a solve: the driven values with the rates and accelerations demanded of them.
template <int N>
struct nr_goal {
  vec<N> value, rate, accel;
};

// The variables a solve returns, with the rates and accelerations solved at them.
template <int N>
struct nr_solution {
  vec<N> value, rate, accel;
};

// Squares and pairs of N rates: the columns of an N-variable second-order table.
template <int N>
inline constexpr int rate_products_of = N*(N + 1) / 2;

template <int N>
vec<rate_products_of<N>> rate_products_n(const vec<N>& v) {
  if constexpr (N == 6) {
    return rate_products(v);
  } else {
    vec<rate_products_of<N>> w;
    int k = 0;
    for (int i = 1; i <= N; ++i) w(++k) = v(i) * v(i);
    for (int i = 1; i < N; ++i)
      for (int j = i + 1; j <= N; ++j) w(++k) = v(i) * v(j);
    return w;
  }
}

namespace detail {

// A damped correction weighs the smallest directions down by this part of the Jacobian's
// largest entry (Levenberg–Marquardt); the minimum-norm rates use the square root of the
// double's precision, which leaves the well-determined rates as they are to about 8 digits.
inline constexpr double correction_damping = 1e-3;
inline const double rate_damping = std::sqrt(DBL_EPSILON);
// A correction the mechanism cannot take is halved at most this often (to a 2⁻³⁰ part).
inline constexpr int max_halvings = 30;

template <int N>
bool all_finite(const vec<N>& v) {
  for (int i = 1; i <= N; ++i)
    if (!std::isfinite(v(i))) return false;
  return true;
}

template <int N>
vec<N> goal_residual(const nr_rules& rules, const vec<N>& goal, const vec<N>& f) {
  vec<N> r;
  for (int k = 1; k <= N; ++k) {
    r(k) = goal(k) - f(k);
    if (rules.angular_goal & (1u << (k - 1))) wrap_angle(r(k));
  }
  return r;
}

enum class solve_kind { exact, damped, overflowed };

// ‖A‖∞·‖X‖∞ with X = A⁻¹: the condition number solve_linear's inverse gives for free.
template <int N>
double condition_of(const mat<N>& A, const mat<N>& X) {
  double a = 0, x = 0;
  for (int i = 1; i <= N; ++i) {
    double ra = 0, rx = 0;
    for (int j = 1; j <= N; ++j) ra += std::fabs(A(i, j)), rx += std::fabs(X(i, j));
    // Comparisons, not std::fmax: this runs at every correction, and a NaN here is caught by
    // the caller's finiteness test of the solution.
    if (ra > a) a = ra;
    if (rx > x) x = rx;
  }
  return a * x;
}

// x with J·x = b: exact where J is regular, the damped least-squares solution where it is
// singular to working precision. An exact solution that overflowed is reported as such, with
// the damped one.
template <int N>
vec<N> solve_or_damp(nr_elimination how, const mat<N>& J, const vec<N>& b, double damping,
                     solve_kind& kind) {
  kind = solve_kind::damped;
  if (how == nr_elimination::cyclic_rows) {
    // solve_linear's inverse tells a singular J (condition beyond 1/singular_pivot_ratio).
    vec<N> x = b;
    mat<N> X;
    if (solve_linear(N, J, x, X) == solve_status::ok && all_finite(x) &&
        condition_of(J, X) < 1 / singular_pivot_ratio) {
      kind = solve_kind::exact;
      return x;
    }
  } else if (const lu_factors<N> f = lu_factor(J); !f.singular) {
    const vec<N> x = lu_solve(f, b);
    if (all_finite(x)) {
      kind = solve_kind::exact;
      return x;
    }
    kind = solve_kind::overflowed;
  }
  double scale = largest_entry(J);
  if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
  return damped_least_squares(J, b, damping * scale);
}

}  // namespace detail

// Solves f(q) = goal from the values q holds, at most nr_max_corrections corrections, then the
// rates q̇ from J·q̇ = ḟ* and the accelerations from J·q̈ = f̈* − H·rate_products(q̇), with J and
// H of the final q: the rates stored beside a pose are the rates of that pose, not of the one
// before the last correction.
//
// The problem supplies, for the variables it is given:
//   nr_obstacle evaluate(const vec<N>& q, vec<N>& f)  — the output f(q); none when the
//       mechanism can take q, else what it cannot do (a rod off its rail);
//   void jacobian(const vec<N>& q, mat<N>& J);
//   void jacobian_and_quadratic_terms(const vec<N>& q, mat<N>& J, mat<N, P>& H).
// Both derivative calls come after an evaluate of the same q that the mechanism could take.
//
// The values returned are the last iterate the mechanism could take; a start it cannot take
// comes back unchanged (status unreachable, or not_finite for an overflow). The rates of a solve
// that converged or made its ten corrections are solved at the values returned (minimum-norm,
// and said so, where J is singular there); every other outcome keeps zero rates.
template <int N, int P, class Problem>
nr_outcome newton_solve(const nr_rules& rules, double tolerance, Problem& problem,
                        const nr_goal<N>& goal, nr_solution<N>& sol) {
  using detail::all_finite;
  nr_outcome out;
  vec<N>& q = sol.value;
  sol.rate = vec<N>{};
  sol.accel = vec<N>{};
  auto meets = [&](double e) { return rules.strict ? e < tolerance : e <= tolerance; };

  vec<N> f;
  out.reason = problem.evaluate(q, f);
  vec<N> r = detail::goal_residual(rules, goal.value, f);
  if (out.reason != nr_obstacle::none || !all_finite(r)) {
    out.status = out.reason != nr_obstacle::none ? nr_status::unreachable : nr_status::not_finite;
    out.residual = DBL_MAX;
    return out;
  }

  bool stopped = false, damped = false;
  mat<N> J;
  while (!meets(vec_max_abs(N, r)) && out.iterations < nr_max_corrections) {
    problem.jacobian(q, J);
    detail::solve_kind kind;
    const vec<N> step =
        detail::solve_or_damp(rules.elimination, J, r, detail::correction_damping, kind);
    damped = kind == detail::solve_kind::damped;
    if (!all_finite(step)) {  // overflowed: no shorter step of it is finite either
      stopped = true;
      break;
    }
    // A damped step of zero: the residual lies wholly outside J's range, no correction helps.
    if (damped && vec_max_abs(N, step) == 0) break;
    // The full step where the mechanism can take it, else the longest of its halves it can.
    double t = 1;
    nr_obstacle why = nr_obstacle::none;
    bool taken = false;
    vec<N> next, r_next;
    for (int h = 0; h <= detail::max_halvings && !taken; ++h, t /= 2) {
      for (int k = 1; k <= N; ++k) next(k) = q(k) + t * step(k);
      if (rules.wrap_variables) wrap_angles(N, next);
      if (!all_finite(next)) continue;
      why = problem.evaluate(next, f);
      if (why != nr_obstacle::none) continue;
      r_next = detail::goal_residual(rules, goal.value, f);
      taken = all_finite(r_next);
    }
    if (!taken) {
      stopped = true;
      out.reason = why;
      break;
    }
    q = next;
    r = r_next;
    ++out.iterations;
  }
  out.residual = vec_max_abs(N, r);

  // The derivatives at the final values; after refused halvings the problem last saw another q.
  if (stopped) problem.evaluate(q, f);
  mat<N, P> H;
  problem.jacobian_and_quadratic_terms(q, J, H);
  // Both solves with one LU of J (they need not follow solve_linear: no result file holds rates).
  const lu_factors<N> lu = lu_factor(J);
  const bool singular = lu.singular;
  double scale = singular ? largest_entry(J) : 1;
  if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
  auto solve = [&](const vec<N>& b) {
    return singular ? damped_least_squares(J, b, detail::rate_damping * scale) : lu_solve(lu, b);
  };
  sol.rate = solve(goal.rate);
  vec<P> w = rate_products_n(sol.rate);
  vec<N> Hw, a;
  mat_vec_rect(N, P, H, w, Hw);
  vec_sub(N, goal.accel, Hw, a);
  sol.accel = solve(a);
  // Rates whose motion overflows: its second-order part H·w, or the solves themselves.
  const bool overflowed = !all_finite(Hw) || !all_finite(sol.rate) || !all_finite(sol.accel);

  if (meets(out.residual))
    out.status = nr_status::converged;
  else if (stopped)
    out.status = out.reason != nr_obstacle::none ? nr_status::unreachable : nr_status::not_finite;
  else if (singular || damped)
    out.status = nr_status::singular;
  else
    out.status = nr_status::iteration_limit;
  // A solve that ended short of its goal at a singularity, or at a start or a step it could not
  // take, keeps zero rates: a goal out of reach there would ask for rates beyond any bound. One
  // that converged, or made its ten corrections, has the rates of the pose it stands at: exact,
  // or minimum-norm at a singular J.
  const bool usable =
      out.status == nr_status::converged || out.status == nr_status::iteration_limit;
  if (!usable || overflowed) {
    sol.rate = vec<N>{};
    sol.accel = vec<N>{};
  } else {
    out.minimum_norm_rates = singular;
  }
  if (out.status != nr_status::unreachable) out.reason = nr_obstacle::none;
  return out;
}

// The start of the next solve. A solve that did not converge ends wherever its corrections left
// it, which the window shows with the record that says so; once a solve has converged, the
// next one starts from the last solution that did instead, so that a goal out of reach cannot
// strand the solves after it in another assembly mode or on the edge of the reach: moving back
// to a reachable goal recovers at once. Before any solve has converged, the next one goes on
// from where the last one got to.
template <class Variables>
struct warm_start {
  Variables value{};
  bool solved = false;  // value is a solution that converged

  void keep(const nr_outcome& o, const Variables& v) {
    const bool converged = o.status == nr_status::converged;
    if (converged || !solved) value = v;
    solved = solved || converged;
  }
};

}  // namespace kinelab
