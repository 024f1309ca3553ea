#include "mechanisms/serial/arm_file_window.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/io/result_file.h"
#include "app/text/messages.h"
#include "app/window/decl_builder.h"
#include "app/window/owning_window.h"
#include "app/window/start_stop_fields.h"
#include "core/angles.h"
#include "core/newton.h"
#include "core/number_text.h"
#include "core/pivoted_solve.h"
#include "mechanisms/serial/serial_window.h"

namespace kinelab {

namespace {

constexpr int max_task = 6;
using joint_vec = vec<max_chain_joints>;

// ---- kinematics ----

double component(const kin_state& p, const kin_state& s, task_component c, int order) {
  const kin_state& k = static_cast<int>(c) < 3 ? p : s;
  switch (static_cast<int>(c) % 3) {
    case 0:
      return order == 0 ? k.x : order == 1 ? k.dx : k.ddx;
    case 1:
      return order == 0 ? k.y : order == 1 ? k.dy : k.ddy;
    default:
      return order == 0 ? k.z : order == 1 ? k.dz : k.ddz;
  }
}

joint_motion motion_of(const joint_vec& q, const joint_vec& dq = {}, const joint_vec& ddq = {}) {
  joint_motion m;
  m.q = q, m.dq = dq, m.ddq = ddq;
  return m;
}

bool all_revolute(const joint_chain& c) {
  for (int k = 1; k <= c.joints; ++k)
    if (c.joint[k].kind != joint_kind::revolute) return false;
  return true;
}

unsigned angular_bits(const std::vector<task_component>& task) {
  unsigned bits = 0;
  for (std::size_t r = 0; r < task.size(); ++r)
    if (static_cast<int>(task[r]) >= 3) bits |= 1u << r;
  return bits;
}

// The chain's pose at the values last asked for, kept for the derivatives at the same values:
// the residual at a correction's new values serves the next correction's Jacobian and, at the
// solution, the second-order table, as the built-in arms' frames do.
class pose_cache {
 public:
  explicit pose_cache(const joint_chain& c) : chain_(c) {}
  const chain_pose& at(const joint_vec& q) {
    bool same = built_;
    for (int k = 1; same && k <= chain_.joints; ++k) same = pose_.q(k) == q(k);
    if (!same) build_pose(chain_, q, pose_);
    built_ = true;
    return pose_;
  }

 private:
  const joint_chain& chain_;
  chain_pose pose_;
  bool built_ = false;
};

// Row t + 1 of pose_jacobian's rows for component t.
int pose_row(task_component t) {
  return static_cast<int>(t) + 1;
}

double pose_value(const chain_pose& p, task_component t) {
  switch (t) {
    case task_component::x:
      return p.P(1);
    case task_component::y:
      return p.P(2);
    case task_component::z:
      return p.P(3);
    case task_component::alpha:
      return p.angles.a;
    case task_component::beta:
      return p.angles.b;
    case task_component::gamma:
      return p.angles.c;
  }
  return 0;
}

// The arm as the driver's problem for a square solve: N joints, N task components.
template <int N>
struct square_problem {
  const std::vector<task_component>& task;
  pose_cache& poses;
  const joint_chain& chain;

  static joint_vec joints(const vec<N>& q) {
    joint_vec v;
    for (int k = 1; k <= N; ++k) v(k) = q(k);
    return v;
  }
  nr_obstacle evaluate(const vec<N>& q, vec<N>& f) {
    const chain_pose& p = poses.at(joints(q));
    for (int r = 1; r <= N; ++r) f(r) = pose_value(p, task[static_cast<std::size_t>(r - 1)]);
    return nr_obstacle::none;
  }
  void jacobian(const vec<N>& q, mat<N>& J) {
    mat<6, max_chain_joints> G;
    pose_jacobian(chain, poses.at(joints(q)), G);
    for (int r = 1; r <= N; ++r) {
      const int row = pose_row(task[static_cast<std::size_t>(r - 1)]);
      for (int c = 1; c <= N; ++c) J(r, c) = G(row, c);
    }
  }
  void jacobian_and_quadratic_terms(const vec<N>& q, mat<N>& J, mat<N, rate_products_of<N>>& H) {
    jacobian(q, J);
    mat<6, max_chain_products> G;
    pose_quadratic_terms(chain, poses.at(joints(q)), G);
    for (int r = 1; r <= N; ++r) {
      const int row = pose_row(task[static_cast<std::size_t>(r - 1)]);
      for (int c = 1; c <= rate_products_of<N>; ++c) H(r, c) = G(row, c);
    }
  }
};

template <int N>
nr_outcome solve_square(const arm_file& arm, double tolerance, const task_state& goal, joint_vec& q,
                        joint_vec& dq, joint_vec& ddq) {
  pose_cache poses(arm.chain);
  square_problem<N> problem{arm.task, poses, arm.chain};
  const nr_rules rules{false, all_revolute(arm.chain), angular_bits(arm.task)};
  nr_goal<N> g;
  nr_solution<N> sol;
  for (int k = 1; k <= N; ++k) {
    g.value(k) = goal.value(k), g.rate(k) = goal.rate(k), g.accel(k) = goal.accel(k);
    sol.value(k) = q(k);
  }
  const nr_outcome out = newton_solve<N, rate_products_of<N>>(rules, tolerance, problem, g, sol);
  dq = {}, ddq = {};
  for (int k = 1; k <= N; ++k) q(k) = sol.value(k), dq(k) = sol.rate(k), ddq(k) = sol.accel(k);
  return out;
}

// x with J·x = b of least norm for the 6×n Jacobian of a redundant arm: x = Jᵀ·(J·Jᵀ)⁻¹·b, damped
// where J·Jᵀ is singular to working precision. `singular` says which.
joint_vec minimum_norm(const mat<6, max_chain_joints>& J, int n, const vec<6>& b, bool& singular) {
  mat<6> JJ;
  for (int r = 1; r <= 6; ++r)
    for (int c = 1; c <= 6; ++c) {
      double s = 0;
      for (int k = 1; k <= n; ++k) s += J(r, k) * J(c, k);
      JJ(r, c) = s;
    }
  const lu_factors<6> f = lu_factor(JJ);
  singular = f.singular;
  vec<6> y;
  if (!singular) {
    y = lu_solve(f, b);
  } else {
    double scale = largest_entry(JJ);
    if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
    for (int r = 1; r <= 6; ++r) JJ(r, r) += 1e-6 * scale;
    y = lu_solve(lu_factor(JJ), b);
  }
  joint_vec x;
  for (int k = 1; k <= n; ++k) {
    double s = 0;
    for (int r = 1; r <= 6; ++r) s += J(r, k) * y(r);
    x(k) = s;
  }
  return x;
}

// Seven joints, six components: minimum-norm corrections with a null-space pull of the limited
// joints toward the middle of their limits, then the minimum-norm rates (see the header).
nr_outcome solve_redundant(const arm_file& arm, double tolerance, const task_state& goal,
                           joint_vec& q, joint_vec& dq, joint_vec& ddq) {
  const int n = arm.joints();
  const unsigned angular = angular_bits(arm.task);
  const bool wrap = all_revolute(arm.chain);
  auto residual = [&](const joint_vec& at) {
    const task_state t = task_of(arm.task, chain_motion(arm.chain, motion_of(at)));
    vec<6> r;
    for (int k = 1; k <= 6; ++k) {
      r(k) = goal.value(k) - t.value(k);
      if (angular & (1u << (k - 1))) wrap_angle(r(k));
    }
    return r;
  };
  nr_outcome out;
  vec<6> r = residual(q);
  if (!std::isfinite(vec_max_abs(6, r))) {
    out.status = nr_status::not_finite;
    out.residual = DBL_MAX;
    dq = {}, ddq = {};
    return out;
  }
  mat<6, max_chain_joints> J;
  bool singular = false;
  while (vec_max_abs(6, r) > tolerance && out.iterations < nr_max_corrections) {
    task_jacobian(arm.chain, arm.task, q, J);
    joint_vec step = minimum_norm(J, n, r, singular);
    // (I − J⁺J)·g with g toward the middle of each limited joint, a tenth of the way per step.
    joint_vec g;
    for (int k = 1; k <= n; ++k) {
      const joint_limit& l = arm.limits[static_cast<std::size_t>(k - 1)];
      if (l.limited) g(k) = 0.1 * ((l.lower + l.upper) / 2 - q(k));
    }
    vec<6> Jg;
    for (int i = 1; i <= 6; ++i) {
      double s = 0;
      for (int k = 1; k <= n; ++k) s += J(i, k) * g(k);
      Jg(i) = s;
    }
    bool s2 = false;
    const joint_vec back = minimum_norm(J, n, Jg, s2);
    for (int k = 1; k <= n; ++k) step(k) += g(k) - back(k);
    joint_vec next = q;
    for (int k = 1; k <= n; ++k) next(k) += step(k);
    if (wrap)
      for (int k = 1; k <= n; ++k) wrap_angle(next(k));
    const vec<6> r_next = residual(next);
    if (!std::isfinite(vec_max_abs(6, r_next))) break;
    q = next;
    r = r_next;
    ++out.iterations;
  }
  out.residual = vec_max_abs(6, r);
  task_jacobian(arm.chain, arm.task, q, J);
  dq = minimum_norm(J, n, goal.rate, singular);
  const task_state bias = task_of(arm.task, chain_motion(arm.chain, motion_of(q, dq)));
  vec<6> a;
  for (int k = 1; k <= 6; ++k) a(k) = goal.accel(k) - bias.accel(k);
  ddq = minimum_norm(J, n, a, singular);
  if (out.residual <= tolerance)
    out.status = nr_status::converged;
  else
    out.status = singular ? nr_status::singular : nr_status::iteration_limit;
  out.minimum_norm_rates = singular;
  bool finite = true;
  for (int k = 1; k <= n; ++k) finite = finite && std::isfinite(dq(k)) && std::isfinite(ddq(k));
  if (!finite) dq = {}, ddq = {};
  return out;
}

nr_outcome solve_arm(const arm_file& arm, double tolerance, const task_state& goal, joint_vec& q,
                     joint_vec& dq, joint_vec& ddq) {
  switch (arm.joints()) {
    case 1:
      return solve_square<1>(arm, tolerance, goal, q, dq, ddq);
    case 2:
      return solve_square<2>(arm, tolerance, goal, q, dq, ddq);
    case 3:
      return solve_square<3>(arm, tolerance, goal, q, dq, ddq);
    case 4:
      return solve_square<4>(arm, tolerance, goal, q, dq, ddq);
    case 5:
      return solve_square<5>(arm, tolerance, goal, q, dq, ddq);
    case 6:
      return solve_square<6>(arm, tolerance, goal, q, dq, ddq);
    default:
      return solve_redundant(arm, tolerance, goal, q, dq, ddq);
  }
}

// A square matrix with the task Jacobian's singular values, for the diagnostics and the atlas
// (at most 6×6): the Jacobian itself where it is square, else the triangular factor Rᵀ of
// Jᵀ = Q·R (Householder), since J = Rᵀ·Qᵀ has the singular values of R.
bool diagnostic_jacobian(const joint_chain& c, const std::vector<task_component>& task,
                         const joint_vec& q, jacobian_matrix& out) {
  mat<6, max_chain_joints> J;
  task_jacobian(c, task, q, J);
  const int m = static_cast<int>(task.size()), n = c.joints;
  out = {};
  out.rows = out.cols = m;
  for (int r = 1; r <= m; ++r)
    for (int k = 1; k <= n; ++k)
      if (!std::isfinite(J(r, k))) return false;
  if (n == m) {
    for (int r = 1; r <= m; ++r)
      for (int k = 1; k <= n; ++k) out.m(r, k) = J(r, k);
    return true;
  }
  // A = Jᵀ (n×m), reduced column by column.
  double A[max_chain_joints][max_task] = {};
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < m; ++j) A[i][j] = J(j + 1, i + 1);
  for (int j = 0; j < m; ++j) {
    double norm = 0;
    for (int i = j; i < n; ++i) norm += A[i][j] * A[i][j];
    norm = std::sqrt(norm);
    if (norm == 0) continue;
    const double alpha = A[j][j] > 0 ? -norm : norm;
    double v[max_chain_joints] = {};
    for (int i = j; i < n; ++i) v[i] = A[i][j];
    v[j] -= alpha;
    double vv = 0;
    for (int i = j; i < n; ++i) vv += v[i] * v[i];
    if (vv == 0) continue;
    for (int col = j; col < m; ++col) {
      double s = 0;
      for (int i = j; i < n; ++i) s += v[i] * A[i][col];
      for (int i = j; i < n; ++i) A[i][col] -= 2 * s / vv * v[i];
    }
  }
  for (int r = 0; r < m; ++r)
    for (int col = r; col < m; ++col) out.m(col + 1, r + 1) = A[r][col];
  return true;
}

// ---- declarations ----

double arm_length(const arm_file& a) {
  auto add = [](const vec3& t) { return std::fabs(t(1)) + std::fabs(t(2)) + std::fabs(t(3)); };
  double L = add(a.chain.tool.t);
  for (int k = 1; k <= a.joints(); ++k) {
    L += add(a.chain.joint[k].fixed.t);
    if (a.chain.joint[k].kind == joint_kind::prismatic) {
      L += std::fabs(a.chain.joint[k].offset);
      const joint_limit& l = a.limits[static_cast<std::size_t>(k - 1)];
      if (l.limited) L += std::max(std::fabs(l.lower), std::fabs(l.upper));
    }
  }
  return L > 0 ? L : 1;
}

bool revolute(const arm_file& a, int k) {
  return a.chain.joint[k].kind == joint_kind::revolute;
}
std::string joint_array(const arm_file& a, int k) {
  return (revolute(a, k) ? "the" : "d") + std::to_string(k);
}

joint_vec home_of(const arm_file& a) {
  joint_vec q;
  for (int k = 1; k <= a.joints(); ++k) q(k) = a.home[static_cast<std::size_t>(k - 1)];
  return q;
}

// The joints turned by `degrees` (moved by `fraction` of the range or of the arm's size) within
// their limits.
joint_vec moved_joints(const arm_file& a, joint_vec q, double degrees, double fraction) {
  for (int k = 1; k <= a.joints(); ++k) {
    const joint_limit& l = a.limits[static_cast<std::size_t>(k - 1)];
    q(k) +=
        revolute(a, k) ? rad(degrees) : fraction * (l.limited ? l.upper - l.lower : arm_length(a));
    if (l.limited) q(k) = std::min(q(k), l.upper);
  }
  return q;
}
// A count of slider steps, limited to [lo, hi] before it becomes an int.
int slider_units(double steps, double lo, double hi) {
  return static_cast<int>(std::clamp(steps, lo, hi));
}
// How joint k is shown: degrees or the file's unit, the slider's step and range.
struct joint_scale {
  double step;  // per slider unit, as shown
  int lo, hi;
};
joint_scale joint_scale_of(const arm_file& a, int k) {
  const joint_limit& l = a.limits[static_cast<std::size_t>(k - 1)];
  if (revolute(a, k)) {
    joint_scale s{5, -36, 36};
    if (l.limited) {
      s.lo = slider_units(std::ceil(deg(l.lower) / 5 - 1e-9), -36, 36);
      s.hi = slider_units(std::floor(deg(l.upper) / 5 + 1e-9), -36, 36);
    }
    return s;
  }
  const double span = l.limited ? l.upper - l.lower : arm_length(a);
  joint_scale s{nice_step(span / 40), -20, 20};
  if (l.limited) {
    // A joint far from the base in steps of its small range: the slider keeps to what an int
    // holds.
    s.lo = slider_units(std::ceil(l.lower / s.step - 1e-9), -1e9, 1e9);
    s.hi = slider_units(std::floor(l.upper / s.step + 1e-9), -1e9, 1e9);
  }
  return s;
}
double shown(const arm_file& a, int k, double q) {
  return revolute(a, k) ? deg(q) : q;
}
double internal(const arm_file& a, int k, double v) {
  return revolute(a, k) ? rad(v) : v;
}
int slider_value(double v, double step, int lo, int hi) {
  const double s = std::round(v / step);
  return static_cast<int>(std::min<double>(hi, std::max<double>(lo, s)));
}
// A default text rounded to the slider's step.
std::string rounded(double v, double step) {
  return format_number(std::round(v / step) * step);
}

std::string result_header(const arm_file& a) {
  std::string h = "i";
  for (int k = 1; k <= a.joints(); ++k)
    h += revolute(a, k) ? ", deg(" + joint_array(a, k) + "(i))" : ", " + joint_array(a, k) + "(i)";
  const std::string n = std::to_string(a.joints() + 1);
  for (const char* c : {".x", ".y", ".z"}) h += ", p" + n + "(i)" + c;
  for (const char* c : {".x", ".y", ".z"}) h += ", deg(s" + n + "(i)" + c + ")";
  return h;
}

const char* const task_captions[] = {"X", "Y", "Z", "α", "β", "γ"};

// What both windows keep and show: the joint arrays, the tool point p(n+1) and its posture
// s(n+1), the drawing, the readouts and the result rows.
class arm_logic : public window_logic {
 public:
  explicit arm_logic(std::shared_ptr<const arm_file> arm) : arm_(std::move(arm)) {
    const arm_file& a = *arm_;
    for (int k = 1; k <= a.joints(); ++k) joints_.push_back(&arrays.add_scalar(joint_array(a, k)));
    const std::string n = std::to_string(a.joints() + 1);
    tool_ = &arrays.add("p" + n, array_kind::point);
    posture_ = &arrays.add("s" + n, array_kind::point);
    outside_ = &arrays.add_scalar("outside");
  }

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override {
    const chain_state c = chain_motion(arm_->chain, motion_of(stored(i)));
    std::vector<kin_state> pts;
    for (int k = 1; k <= arm_->joints(); ++k) pts.push_back(c.origin[k]);
    pts.push_back(c.tool);
    draw_serial_arm(s, v, pts, (*posture_)[static_cast<std::size_t>(i)], w.draw_size);
  }
  const std::vector<kin_state>* output_path() const override { return tool_; }
  void fill_readouts(sim_window& w, int i) override {
    show_pose_readouts(w.ctl, (*tool_)[static_cast<std::size_t>(i)],
                       (*posture_)[static_cast<std::size_t>(i)]);
  }
  void write_header(result_text& out) const override {
    out.text(result_header(*arm_));
    out.end_line();
  }
  void write_row(result_text& out, int i) const override {
    const auto at = static_cast<std::size_t>(i);
    out.integer(i);
    for (int k = 1; k <= arm_->joints(); ++k)
      out.number(shown(*arm_, k, (*joints_[static_cast<std::size_t>(k - 1)])[at].x));
    const kin_state& p = (*tool_)[at];
    const kin_state& s = (*posture_)[at];
    out.number(p.x).number(p.y).number(p.z);
    out.number(deg(s.x)).number(deg(s.y)).number(deg(s.z));
    out.end_line();
  }
  std::string run_note(ui_language lang) const override { return limit_note(lang); }
  std::string static_pose_note(ui_language lang) const override { return limit_note(lang); }

  bool jacobian_at(int i, jacobian_matrix& J) const override {
    if (i < 0 || i > arrays.N()) return false;
    const joint_vec q = stored(i);
    for (int k = 1; k <= arm_->joints(); ++k)
      if (!std::isfinite(q(k))) return false;
    return diagnostic_jacobian(arm_->chain, arm_->task, q, J);
  }

  std::optional<atlas_mechanism> atlas() const override {
    atlas_mechanism m;
    m.kind = atlas_kind::sampled;
    for (int k = 1; k <= arm_->joints(); ++k)
      m.pose.push_back({joint_array(*arm_, k), 'x', revolute(*arm_, k)});
    m.actuators = m.pose;
    for (const joint_limit& l : arm_->limits)
      m.declared_limits.push_back({l.limited, l.lower, l.upper});
    m.output = "p" + std::to_string(arm_->joints() + 1);
    const std::shared_ptr<const arm_file> arm = arm_;
    // The chain is the file's, read once: its content names it.
    m.identity = "file " + arm->content_hash + " " + arm->path;
    auto joints = [n = arm->joints()](const double* q) {
      joint_vec v;
      for (int k = 1; k <= n; ++k) v(k) = q[k - 1];
      return v;
    };
    m.forward = [arm, joints](const double* q, double* p) {
      const chain_state s = chain_motion(arm->chain, motion_of(joints(q)));
      p[0] = s.tool.x, p[1] = s.tool.y, p[2] = s.tool.z;
      return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
    };
    m.jacobian = [arm, joints](const double* q, jacobian_matrix& J) {
      return diagnostic_jacobian(arm->chain, arm->task, joints(q), J);
    };
    return m;
  }

 protected:
  const arm_file& arm() const { return *arm_; }
  joint_vec stored(int i) const {
    joint_vec q;
    for (int k = 1; k <= arm_->joints(); ++k)
      q(k) = (*joints_[static_cast<std::size_t>(k - 1)])[static_cast<std::size_t>(i)].x;
    return q;
  }
  // Step i: the joints and, from the chain, the tool point and its posture; a joint outside its
  // limits is marked (the first such joint's number, 0 for none) and the first step noted.
  void store_step(int i, const joint_vec& q, const joint_vec& dq, const joint_vec& ddq) {
    const auto at = static_cast<std::size_t>(i);
    for (int k = 1; k <= arm_->joints(); ++k) {
      (*joints_[static_cast<std::size_t>(k - 1)])[at] = {q(k), dq(k), ddq(k)};
    }
    const chain_state s = chain_motion(arm_->chain, motion_of(q, dq, ddq));
    (*tool_)[at] = s.tool;
    (*posture_)[at] = s.posture;
    int outside = 0;
    for (int k = 1; k <= arm_->joints() && !outside; ++k) {
      const joint_limit& l = arm_->limits[static_cast<std::size_t>(k - 1)];
      if (l.limited && (q(k) < l.lower || q(k) > l.upper)) outside = k;
    }
    (*outside_)[at] = {static_cast<double>(outside), 0, 0};
    if (i == 0) first_outside_ = {};
    if (outside && !first_outside_) first_outside_ = std::pair{outside, i};
  }
  std::string limit_note(ui_language lang) const {
    if (!first_outside_) return {};
    const int k = first_outside_->first;
    return message(lang, message_id::arm_joint_outside_limits,
                   {std::to_string(k), arm_->joint_names[static_cast<std::size_t>(k - 1)],
                    std::to_string(first_outside_->second)});
  }

 private:
  std::shared_ptr<const arm_file> arm_;
  std::vector<std::vector<scalar_state>*> joints_;
  std::vector<kin_state>* tool_ = nullptr;
  std::vector<kin_state>* posture_ = nullptr;
  std::vector<scalar_state>* outside_ = nullptr;
  std::optional<std::pair<int, int>> first_outside_;
};

class forward_logic : public arm_logic {
 public:
  using arm_logic::arm_logic;

  void read_parameters(sim_window& w) override {
    const start_stop_fields& f = serial_start_stop;
    for (int k = 1; k <= arm().joints(); ++k)
      w.ctl.set_number(f.start, f.start_index(k - 1),
                       joint_scale_of(arm(), k).step * w.ctl.slider_at(f.sliders, k - 1).value);
    w.set_draw_size(arm_length(arm()));
  }
  void static_pose(sim_window& w) override {
    joint_vec q;
    const start_stop_fields& f = serial_start_stop;
    for (int k = 1; k <= arm().joints(); ++k)
      q(k) = internal(arm(), k, w.ctl.number(f.start, f.start_index(k - 1)));
    store_step(0, q, {}, {});
  }
  void begin_run(sim_window& w) override {
    joint_vec a, b;
    read_start_stop(w.ctl, serial_start_stop, arm().joints(), a, b);
    for (int k = 1; k <= arm().joints(); ++k)
      start_(k) = internal(arm(), k, a(k)), stop_(k) = internal(arm(), k, b(k));
  }
  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    joint_vec q, dq, ddq;
    for (int k = 1; k <= arm().joints(); ++k) {
      const driven_value v = apply_profile(p, start_(k), stop_(k), w.T());
      q(k) = v.q, dq(k) = v.dq, ddq(k) = v.ddq;
    }
    store_step(i, q, dq, ddq);
  }

 private:
  joint_vec start_, stop_;
};

constexpr const char* tolerance_field = "Text9";

class inverse_logic : public arm_logic {
 public:
  explicit inverse_logic(std::shared_ptr<const arm_file> a) : arm_logic(std::move(a)) {
    goal_p_ = &arrays.add("goal_p", array_kind::point);
    goal_s_ = &arrays.add("goal_s", array_kind::point);
    arrays.keep_solver_record();
  }

  void on_open(sim_window&) override { q_.set(home_of(arm()), false); }

  void read_parameters(sim_window& w) override {
    const double tolerance = w.ctl.tolerance(tolerance_field);
    tolerance_ = tolerance;
    const start_stop_fields& f = serial_start_stop;
    for (int c = 0; c < components(); ++c)
      w.ctl.set_number(f.start, f.start_index(c), w.ctl.slider_at(f.sliders, c).value * step(c));
    w.set_draw_size(arm_length(arm()));
  }
  void static_pose(sim_window& w) override {
    vec<6> value;
    for (int c = 0; c < components(); ++c)
      value(c + 1) =
          to_internal(c, w.ctl.number(serial_start_stop.start, serial_start_stop.start_index(c)));
    set_goal(0, value, {}, {});
    solve(0, false);
  }
  void begin_run(sim_window& w) override {
    vec<6> a, b;
    read_start_stop(w.ctl, serial_start_stop, components(), a, b);
    for (int c = 0; c < components(); ++c)
      start_(c + 1) = to_internal(c, a(c + 1)), stop_(c + 1) = to_internal(c, b(c + 1));
  }
  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    vec<6> v, dv, ddv;
    for (int c = 1; c <= components(); ++c) {
      const driven_value d = apply_profile(p, start_(c), stop_(c), w.T());
      v(c) = d.q, dv(c) = d.dq, ddv(c) = d.ddq;
    }
    set_goal(i, v, dv, ddv);
    solve(i, true);
  }

  std::optional<solver_start> start_pose() const override {
    solver_start s{{}, q_.solved, {}};
    for (int k = 1; k <= arm().joints(); ++k) s.values.push_back(q_.value(k));
    if (q_.behind)
      for (int k = 1; k <= arm().joints(); ++k) s.fallback.push_back(q_.converged(k));
    return s;
  }
  void set_start_pose(const solver_start& s) override {
    joint_vec q;
    for (int k = 1; k <= arm().joints(); ++k) q(k) = s.values.at(static_cast<std::size_t>(k - 1));
    q_.set(q, s.solved);
    if (s.fallback.size() == s.values.size()) {
      for (int k = 1; k <= arm().joints(); ++k)
        q(k) = s.fallback.at(static_cast<std::size_t>(k - 1));
      q_.set_fallback(q);
    }
  }

 private:
  int components() const { return static_cast<int>(arm().task.size()); }
  bool angle(int c) const { return static_cast<int>(arm().task[static_cast<std::size_t>(c)]) >= 3; }
  double step(int c) const { return angle(c) ? 5 : nice_step(arm_length(arm()) / 100); }
  double to_internal(int c, double v) const { return angle(c) ? rad(v) : v; }

  // The goal arrays hold every tracked component in its place (x, y, z; α, β, γ), the others 0.
  void set_goal(int i, const vec<6>& v, const vec<6>& dv, const vec<6>& ddv) {
    const auto at = static_cast<std::size_t>(i);
    kin_state& p = (*goal_p_)[at];
    kin_state& s = (*goal_s_)[at];
    p = {}, s = {};
    for (int c = 0; c < components(); ++c) {
      const int t = static_cast<int>(arm().task[static_cast<std::size_t>(c)]);
      kin_state& k = t < 3 ? p : s;
      double* slot[][3] = {{&k.x, &k.dx, &k.ddx}, {&k.y, &k.dy, &k.ddy}, {&k.z, &k.dz, &k.ddz}};
      *slot[t % 3][0] = v(c + 1), *slot[t % 3][1] = dv(c + 1), *slot[t % 3][2] = ddv(c + 1);
    }
    goal_.value = v, goal_.rate = dv, goal_.accel = ddv;
  }

  void solve(int i, bool in_run) {
    joint_vec q, dq, ddq;
    const auto solve_one = [&](joint_vec& at) {
      return solve_arm(arm(), tolerance_, goal_, at, dq, ddq);
    };
    nr_outcome out;
    if (in_run) {
      out = solve_from(q_, q, solve_one);
    } else {
      q = q_.value;
      out = solve_one(q);
      q_.keep_restarting(out, q);
    }
    arrays.solver_record()[static_cast<std::size_t>(i)] = out;
    store_step(i, q, dq, ddq);
  }

  double tolerance_ = 0.001;
  warm_start<joint_vec> q_;
  task_state goal_;
  vec<6> start_, stop_;
  std::vector<kin_state>* goal_p_ = nullptr;
  std::vector<kin_state>* goal_s_ = nullptr;
};

std::string unit_caption(const std::string& caption, const std::string& unit) {
  return caption + "(" + unit + ")";
}

window_decl arm_decl(const std::shared_ptr<const arm_file>& arm, arm_window_kind kind) {
  const arm_file& a = *arm;
  window_decl d;
  d.name = std::string("mechanism_") + to_string(kind);
  const message_id title = kind == arm_window_kind::forward ? message_id::arm_forward_title
                                                            : message_id::arm_inverse_title;
  d.title = message(ui_language::english, title, {a.name});
  d.shown_title = [name = a.name, title](ui_language lang) { return message(lang, title, {name}); };
  d.mechanism_path = std::filesystem::absolute(a.path).lexically_normal().string();
  d.mechanism_hash = a.content_hash;
  std::vector<start_stop_row> rows;
  if (kind == arm_window_kind::forward) {
    const joint_vec home = home_of(a);
    for (int k = 1; k <= a.joints(); ++k) {
      const joint_scale s = joint_scale_of(a, k);
      const joint_limit& l = a.limits[static_cast<std::size_t>(k - 1)];
      const double h = shown(a, k, home(k));
      // The stop: 30° or a quarter of the range on from home, within the limits.
      double stop =
          revolute(a, k) ? h + 30 : h + (l.limited ? (l.upper - l.lower) / 4 : 10 * s.step);
      if (l.limited) stop = std::min(stop, shown(a, k, l.upper));
      const int v = slider_value(h, s.step, s.lo, s.hi);
      const std::string caption =
          revolute(a, k) ? joint_array(a, k) + "(deg)" : unit_caption(joint_array(a, k), a.unit);
      rows.push_back(serial_start_stop.row(k - 1, caption, format_number(v * s.step),
                                           rounded(stop, s.step), slider{s.lo, s.hi, v, true}));
    }
  } else {
    // Start at the tool pose of the home joints, stop at that of them turned 15° (or
    // moved a tenth of the range) further: both within the arm's reach.
    const joint_vec home = home_of(a), moved = moved_joints(a, home, 15, 0.1);
    const task_state from = task_of(a.task, chain_motion(a.chain, motion_of(home)));
    const task_state to = task_of(a.task, chain_motion(a.chain, motion_of(moved)));
    const double length_step = nice_step(arm_length(a) / 100);
    const int reach = static_cast<int>(std::ceil(1.2 * arm_length(a) / length_step));
    for (std::size_t c = 0; c < a.task.size(); ++c) {
      const int t = static_cast<int>(a.task[c]);
      const bool is_angle = t >= 3;
      const double step = is_angle ? 5 : length_step;
      const int lo = is_angle ? -36 : -reach, hi = is_angle ? 36 : reach;
      const int row = static_cast<int>(c) + 1;
      const int v = slider_value(is_angle ? deg(from.value(row)) : from.value(row), step, lo, hi);
      // An angle's stop is taken the short way round from the start the slider gives.
      double g = to.value(row);
      if (is_angle) {
        double turn = g - rad(v * step);
        wrap_angle(turn);
        g = v * step + deg(turn);
      }
      const std::string caption = is_angle ? std::string(task_captions[t]) + "(deg)"
                                           : unit_caption(task_captions[t], a.unit);
      rows.push_back(serial_start_stop.row(static_cast<int>(c), caption, format_number(v * step),
                                           rounded(g, is_angle ? 0.001 : length_step / 1000),
                                           slider{lo, hi, v, true}));
    }
  }
  d.layout.push_back(start_stop_table(d.initial, "", {"", " start", "stop", ""}, rows));
  if (kind == arm_window_kind::inverse)
    d.layout.push_back(
        readout_table(d.initial, "", {{"許容誤差", tolerance_field, 0, "0.001"}}, false));
  declare_serial_controls(d, a.unit);
  const std::string n = std::to_string(a.joints() + 1);
  add_pose_graphs(d, "p" + n, "s" + n);
  for (int k = 1; k <= a.joints(); ++k) {
    const std::string j = joint_array(a, k), r = revolute(a, k) ? "the" : "d";
    const std::string i = std::to_string(k);
    d.graphs.push_back({r + i + " d" + r + i + " dd" + r + i, j, 'x'});
  }
  if (kind == arm_window_kind::inverse) {
    for (int k = 1; k <= a.joints(); ++k)
      d.solved_variables.push_back({joint_array(a, k), 'x', revolute(a, k)});
    d.branch = solution_branch::arm_configuration;
  }
  d.make_logic = [arm, kind]() -> std::unique_ptr<window_logic> {
    if (kind == arm_window_kind::forward) return std::make_unique<forward_logic>(arm);
    return std::make_unique<inverse_logic>(arm);
  };
  return d;
}

}  // namespace

const char* to_string(arm_window_kind k) {
  return k == arm_window_kind::forward ? "forward" : "inverse";
}

std::optional<arm_window_kind> arm_window_kind_from(const std::string& text) {
  if (text == "forward") return arm_window_kind::forward;
  if (text == "inverse") return arm_window_kind::inverse;
  return std::nullopt;
}

task_state task_of(const std::vector<task_component>& task, const chain_state& s) {
  task_state t;
  for (std::size_t r = 0; r < task.size(); ++r) {
    const int row = static_cast<int>(r) + 1;
    t.value(row) = component(s.tool, s.posture, task[r], 0);
    t.rate(row) = component(s.tool, s.posture, task[r], 1);
    t.accel(row) = component(s.tool, s.posture, task[r], 2);
  }
  return t;
}

void task_jacobian(const joint_chain& c, const std::vector<task_component>& task,
                   const vec<max_chain_joints>& q, mat<6, max_chain_joints>& J) {
  chain_pose p;
  build_pose(c, q, p);
  mat<6, max_chain_joints> G;
  pose_jacobian(c, p, G);
  J = {};
  for (std::size_t r = 0; r < task.size(); ++r)
    for (int k = 1; k <= c.joints; ++k) J(static_cast<int>(r) + 1, k) = G(pose_row(task[r]), k);
}

nr_outcome solve_arm_inverse(const arm_file& arm, double tolerance, const task_state& goal,
                             vec<max_chain_joints>& q, vec<max_chain_joints>& dq,
                             vec<max_chain_joints>& ddq) {
  return solve_arm(arm, tolerance, goal, q, dq, ddq);
}

std::unique_ptr<sim_window> make_arm_file_window(std::shared_ptr<const arm_file> arm,
                                                 arm_window_kind kind,
                                                 const run_settings& settings) {
  return make_owning_window(arm_decl(arm, kind), settings);
}

}  // namespace kinelab
