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
// halved until it can. Where these full steps fall short of the goal, the solve starts again
// with the steps that would raise the residual damped (Levenberg–Marquardt) and keeps the
// better ending. The variables returned are always ones the mechanism can take, so they are a
// sound start for the next solve whatever this one did.
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
  iteration_limit = 1,  // residual still above the tolerance after ten corrections, or where no
                        // correction, full or damped, lowers it
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
  int damped_steps = 0;  // corrections damped because the full step raised the residual
  int halvings = 0;      // halvings of corrections the mechanism could not take
};

inline constexpr int nr_max_corrections = 10;

// Whether the values and rates a solve stored may be shown as the mechanism's: a converged
// solve, or one that made all its corrections and stands short of the tolerance, with the rates
// of where it stands.
inline bool is_usable(nr_status s) {
  return s == nr_status::converged || s == nr_status::iteration_limit;
}

// How a regular Jacobian is solved: by solve_linear, the Gauss–Jordan elimination whose numbers
// the arm, Stewart and limb windows have always given, or by LU with partial pivoting, which the
// rail platform needs at its mirror-symmetric poses (see pivoted_solve.h). Both are exact to
// rounding away from singularities; a singular Jacobian is told by the LU in either case.
enum class nr_elimination { cyclic_rows, partial_pivoting };

// Where the windows' solves differ.
struct nr_rules {
  // Converged when the largest residual component is strictly below the tolerance (or exactly
  // 0, so that a tolerance of 0 asks for an exact solution); otherwise when it is not above it.
  bool strict = false;
  // The variables are angles, wrapped into (−π, π] after every correction.
  bool wrap_variables = false;
  // The goal components that are angles (bit k − 1 for component k): goal − value is wrapped
  // into (−π, π], so that 179° against −179° is −2°, not 358°.
  unsigned angular_goal = 0;
  nr_elimination elimination = nr_elimination::cyclic_rows;
  int max_corrections = nr_max_corrections;
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
// A full step that raises the residual is replaced by damped steps, the damping raised tenfold
// from correction_damping until the residual falls, at most this often (to 10⁵ of the largest
// entry, a step shorter than the residual by about that factor).
inline constexpr int max_damping_raises = 8;

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

// Solves f(q) = goal from the values q holds, at most rules.max_corrections corrections, then the
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
  auto meets = [&](double e) { return rules.strict ? e < tolerance || e == 0 : e <= tolerance; };

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
  // The longest part t·step (t = 1, ½, ¼, …) the mechanism can take, with its residual.
  auto take = [&](const vec<N>& step, vec<N>& next, vec<N>& r_next, nr_obstacle& why) {
    why = nr_obstacle::none;
    double t = 1;
    for (int h = 0; h <= detail::max_halvings; ++h, t /= 2) {
      if (h > 0) ++out.halvings;
      for (int k = 1; k <= N; ++k) next(k) = q(k) + t * step(k);
      if (rules.wrap_variables) wrap_angles(N, next);
      if (!all_finite(next)) continue;
      why = problem.evaluate(next, f);
      if (why != nr_obstacle::none) continue;
      r_next = detail::goal_residual(rules, goal.value, f);
      if (all_finite(r_next)) return true;
    }
    return false;
  };
  // Corrections from q until the residual meets the tolerance, the corrections run out or none
  // can be made. Plain Newton takes every full step; `monotone` damps a full step that would
  // raise the residual into shorter ones, turned toward the steepest descent, until one lowers
  // it (Levenberg–Marquardt), and stops where none does.
  auto iterate = [&](bool monotone) {
    while (!meets(vec_max_abs(N, r)) && out.iterations < rules.max_corrections) {
      problem.jacobian(q, J);
      detail::solve_kind kind;
      const vec<N> step =
          detail::solve_or_damp(rules.elimination, J, r, detail::correction_damping, kind);
      damped = kind == detail::solve_kind::damped;
      if (!all_finite(step)) {  // overflowed: no shorter step of it is finite either
        stopped = true;
        return;
      }
      // A damped step of zero: the residual lies wholly outside J's range, no correction helps.
      if (damped && vec_max_abs(N, step) == 0) return;
      nr_obstacle why;
      vec<N> next, r_next;
      if (!take(step, next, r_next, why)) {
        stopped = true;
        out.reason = why;
        return;
      }
      const double e = vec_max_abs(N, r);
      if (monotone && vec_max_abs(N, r_next) > e) {
        double scale = largest_entry(J);
        if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
        double lambda = detail::correction_damping * scale;
        bool lowered = false;
        for (int raise = 0; raise < detail::max_damping_raises && !lowered; ++raise, lambda *= 10) {
          const vec<N> d = damped_least_squares(J, r, lambda);
          if (!all_finite(d) || vec_max_abs(N, d) == 0) break;
          lowered = take(d, next, r_next, why) && vec_max_abs(N, r_next) < e;
        }
        if (!lowered) return;
        ++out.damped_steps;
      }
      q = next;
      r = r_next;
      ++out.iterations;
    }
  };

  // Plain Newton first: where it converges its numbers are the ones the windows have always
  // given. Where it does not, the solve starts again from the same values, monotone, and keeps
  // whichever of the two ends nearer the goal.
  const vec<N> start = q, r_start = r;
  iterate(false);
  bool retried = false;
  if (!meets(vec_max_abs(N, r))) {
    const vec<N> plain_q = q, plain_r = r;
    const nr_outcome plain_out = out;
    const bool plain_stopped = stopped, plain_damped = damped;
    q = start;
    r = r_start;
    out = nr_outcome{};
    out.halvings = plain_out.halvings;
    stopped = damped = false;
    iterate(true);
    retried = true;
    const bool plain_nearer = !plain_stopped && vec_max_abs(N, plain_r) <= vec_max_abs(N, r);
    if (plain_nearer) {
      const int halvings = out.halvings, damped_steps = out.damped_steps;
      q = plain_q;
      r = plain_r;
      out = plain_out;
      out.halvings = halvings;
      out.damped_steps = damped_steps;
      stopped = plain_stopped;
      damped = plain_damped;
    }
  }
  out.residual = vec_max_abs(N, r);

  // The derivatives at the final values; after refused halvings or a second attempt the problem
  // last saw another q.
  if (stopped || retried) problem.evaluate(q, f);
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
  if (!is_usable(out.status) || overflowed) {
    sol.rate = vec<N>{};
    sol.accel = vec<N>{};
  } else {
    out.minimum_norm_rates = singular;
  }
  if (out.status != nr_status::unreachable) out.reason = nr_obstacle::none;
  return out;
}

// The start of the next solve: where the last one ended. Every solve returns values the
// mechanism can take, and a solve short of its goal has moved toward it, so the next goal, a
// step further on, is nearer from there than from a solution some steps behind. Where that
// start fails as well, solve_from tries the last converged solution too: a failed solve may
// have ended on a fold or a ridge that strands its successors. A solve that could not take its
// own start (a geometry changed under it) leaves nothing to go on from: then the last converged
// solution, and before any, the values the start held.
template <class Variables>
struct warm_start {
  Variables value{};
  Variables converged{};
  bool solved = false;  // `converged` holds a solution that converged
  bool behind = false;  // `value` is a failed solve's end and `converged` another start

  void keep(const nr_outcome& o, const Variables& v) {
    if (o.status == nr_status::converged) {
      converged = v;
      solved = true;
    }
    behind = false;
    if (took_its_start(o)) {
      value = v;
      behind = solved && o.status != nr_status::converged;
    } else if (solved) {
      value = converged;
    }
  }

  // For solves that stand each on its own, such as the static poses a slider walk makes: a
  // failed one leaves the start at the last converged solution (where there is one), so that
  // moving back to a reachable goal gives what a fresh window gives.
  void keep_restarting(const nr_outcome& o, const Variables& v) {
    const bool converged_now = o.status == nr_status::converged;
    if (converged_now) converged = v;
    if (converged_now || !solved) {
      if (took_its_start(o)) value = v;
    } else {
      value = converged;
    }
    solved = solved || converged_now;
    behind = false;
  }

  // A start given from outside (a study, the pose the window showed).
  void set(const Variables& v, bool was_solved) {
    value = v;
    solved = was_solved;
    behind = false;
    if (was_solved) converged = v;
  }
  // With set: the last converged solution behind a start that is a failed solve's end.
  void set_fallback(const Variables& v) {
    converged = v;
    solved = true;
    behind = true;
  }

  // Whether the values a solve returned are ones the mechanism took: all but a start refused.
  static bool took_its_start(const nr_outcome& o) {
    return o.iterations > 0 ||
           (o.status != nr_status::unreachable && o.status != nr_status::not_finite);
  }
};

// One solve of a sequence: `solve(v)` solves from v into v (with whatever else it fills). From
// the warm start's value first; where that fails and the last converged solution is another
// start, from there as well, keeping the solve that converged or else the one nearer the goal
// (solved once more where it was the first, so that all it filled is its own).
template <class Variables, class Solve>
nr_outcome solve_from(warm_start<Variables>& ws, Variables& v, Solve&& solve) {
  v = ws.value;
  nr_outcome out = solve(v);
  if (out.status != nr_status::converged && ws.behind) {
    Variables second = ws.converged;
    const nr_outcome again = solve(second);
    if (again.status == nr_status::converged || again.residual < out.residual) {
      v = second;
      out = again;
    } else {
      v = ws.value;
      out = solve(v);
    }
  }
  ws.keep(out, v);
  return out;
}

}  // namespace kinelab
