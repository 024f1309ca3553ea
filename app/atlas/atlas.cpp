#include "app/atlas/atlas.h"

#include <tbb/blocked_range.h>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/angles.h"

namespace kinelab {

namespace {

// Samples drawn first to find the extent of a sampled mechanism's output point.
constexpr long long extent_samples = 20000;
constexpr long long default_samples = 2'000'000;
// A sampled slice is a slab at least this part of the output's extent thick, so that enough
// samples land in it.
constexpr double least_slab_fraction = 1.0 / 25;
constexpr double posture_scan_half_width_deg = 180;

// The pose (or output point) indices of grid axes u, v, w.
struct plane_axes {
  int u, v, w;
};
plane_axes axes_of(atlas_plane p) {
  switch (p) {
    case atlas_plane::xz:
      return {0, 2, 1};
    case atlas_plane::yz:
      return {1, 2, 0};
    default:
      return {0, 1, 2};
  }
}

// Where the grid axes sit in a platform's pose vector, and how a grid coordinate becomes a
// pose value (degrees to radians for a posture atlas).
struct pose_map {
  int index[3];
  double to_pose;
};
pose_map pose_map_of(const atlas_mechanism& m, atlas_mode mode, atlas_plane plane) {
  const plane_axes a = axes_of(plane);
  const int base = mode == atlas_mode::posture && m.position_free() ? 3 : 0;
  const double scale = mode == atlas_mode::posture ? pi / 180 : 1;
  return {{base + a.u, base + a.v, base + a.w}, scale};
}

bool within(const std::vector<atlas_limit>& limits, const double* a) {
  for (std::size_t k = 0; k < limits.size(); ++k)
    if (!(a[k] >= limits[k].lo && a[k] <= limits[k].hi)) return false;
  return true;
}

// σmin and the condition number as the diagnostics take them; false when J has no singular
// values (not formed, or holding a value that is not finite).
bool distance_of(const jacobian_matrix& J, double& sigma_min, double& condition) {
  double sigma_max = 0;
  if (!extreme_singular_values(J, sigma_max, sigma_min)) return false;
  const singularity_distance d = singularity_distance_of(sigma_max, sigma_min);
  sigma_min = d.sigma_min;
  condition = d.condition;
  return true;
}

// One platform cell up to its Jacobian J: pose q (the source's pose with the three grid
// coordinates put in). reachable: J is formed and waits for its singular values.
cell_state platform_cell_jacobian(const atlas_mechanism& m, const std::vector<atlas_limit>& limits,
                                  const double* q, double* a, jacobian_matrix& J) {
  const cell_state s = m.inverse(q, a);
  if (s != cell_state::reachable) return s;
  if (!within(limits, a)) return cell_state::outside_limits;
  if (!m.jacobian(q, J)) return cell_state::no_jacobian;
  return cell_state::reachable;
}

// One platform cell.
cell_state platform_cell(const atlas_mechanism& m, const std::vector<atlas_limit>& limits,
                         const double* q, double* a, double& sigma_min, double& condition) {
  jacobian_matrix J;
  const cell_state s = platform_cell_jacobian(m, limits, q, a, J);
  if (s != cell_state::reachable) return s;
  if (!distance_of(J, sigma_min, condition)) return cell_state::no_jacobian;
  return cell_state::reachable;
}

// The cells of a grid whose Jacobians are formed, their singular values found two at a time
// (as cheap as one), each settled as platform_cell settles it.
class platform_cells {
 public:
  explicit platform_cells(atlas_grid& g) : g_(g) {}
  jacobian_matrix& next_jacobian() { return J_[held_]; }
  // Cell c, whose Jacobian is next_jacobian(), is reachable as far as its actuators go.
  void add(std::size_t c) {
    index_[held_++] = c;
    if (held_ < 2) return;
    extreme_values v[2];
    extreme_singular_values(J_[0], J_[1], v[0], v[1]);
    for (int k = 0; k < 2; ++k) settle(index_[k], v[k]);
    held_ = 0;
  }
  // The cell left over, alone.
  void flush() {
    if (held_ == 0) return;
    extreme_values v;
    v.found = extreme_singular_values(J_[0], v.sigma_max, v.sigma_min);
    settle(index_[0], v);
    held_ = 0;
  }

 private:
  void settle(std::size_t c, const extreme_values& v) {
    if (!v.found) {
      g_.state[c] = cell_state::no_jacobian;
      g_.sigma_min[c] = g_.condition[c] = 0;
      return;
    }
    const singularity_distance d = singularity_distance_of(v.sigma_max, v.sigma_min);
    g_.state[c] = cell_state::reachable;
    g_.sigma_min[c] = d.sigma_min;
    g_.condition[c] = d.condition;
  }

  atlas_grid& g_;
  jacobian_matrix J_[2];
  std::size_t index_[2] = {};
  int held_ = 0;
};

// "1 cell", "14 cells".
std::string cell_count_text(long long n, ui_language lang) {
  return message(lang, n == 1 ? message_id::atlas_count_cell : message_id::atlas_count_cells,
                 {std::to_string(n)});
}

std::string number_text(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", v);
  return text;
}

atlas_grid empty_grid(const atlas_source& src, const atlas_request& r) {
  atlas_grid g;
  g.kind = src.mechanism.kind;
  g.mode = r.mode;
  g.plane = r.plane;
  return g;
}

void size_cells(atlas_grid& g) {
  const auto n = static_cast<std::size_t>(g.cell_count());
  g.state.assign(n,
                 g.kind == atlas_kind::sampled ? cell_state::not_sampled : cell_state::no_assembly);
  g.sigma_min.assign(n, 0.0);
  g.condition.assign(n, 0.0);
  g.singular.assign(n, 0);
}

// Every cell of a platform grid, rows in parallel.
void fill_platform(const atlas_source& src, const std::vector<atlas_limit>& limits, atlas_grid& g,
                   cancellation* cancel) {
  size_cells(g);
  const pose_map pm = pose_map_of(src.mechanism, g.mode, g.plane);
  const std::size_t rows = static_cast<std::size_t>(g.nv) * static_cast<std::size_t>(g.nw);
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, rows), [&](const auto& range) {
    std::vector<double> q(src.pose), a(src.mechanism.actuators.size());
    platform_cells cells(g);
    for (std::size_t row = range.begin(); row != range.end(); ++row) {
      if (cancel && cancel->requested()) return;
      const int j = static_cast<int>(row % static_cast<std::size_t>(g.nv));
      const int k = static_cast<int>(row / static_cast<std::size_t>(g.nv));
      q[static_cast<std::size_t>(pm.index[1])] = g.v_at(j) * pm.to_pose;
      q[static_cast<std::size_t>(pm.index[2])] = g.w_at(k) * pm.to_pose;
      for (int i = 0; i < g.nu; ++i) {
        q[static_cast<std::size_t>(pm.index[0])] = g.u_at(i) * pm.to_pose;
        const std::size_t c = g.index(i, j, k);
        const cell_state s = platform_cell_jacobian(src.mechanism, limits, q.data(), a.data(),
                                                    cells.next_jacobian());
        if (s == cell_state::reachable) {
          cells.add(c);
        } else {
          g.state[c] = s;
          g.sigma_min[c] = g.condition[c] = 0;
        }
      }
    }
    cells.flush();
  });
}

// [c − h, c + h] and its cells along one axis.
void set_axis(double& origin, double& size, int& count, atlas_range r, int n) {
  count = n;
  origin = r.lo;
  size = (r.hi - r.lo) / n;
}

// The square that holds both ranges, about their middles (so that cells are square).
void square_up(atlas_range& a, atlas_range& b) {
  const double half = std::max(a.hi - a.lo, b.hi - b.lo) / 2;
  const double ca = (a.lo + a.hi) / 2, cb = (b.lo + b.hi) / 2;
  a = {ca - half, ca + half};
  b = {cb - half, cb + half};
}

// The grid's cells over the ranges, the request's own extents taking precedence; a slice's
// single layer along w is the caller's to place.
void lay_out(atlas_grid& g, const atlas_request& r, atlas_range range[3]) {
  if (r.u_range) range[0] = *r.u_range;
  if (r.v_range) range[1] = *r.v_range;
  if (r.depth > 1 && r.w_range) range[2] = *r.w_range;
  set_axis(g.u0, g.du, g.nu, range[0], r.cells);
  set_axis(g.v0, g.dv, g.nv, range[1], r.cells);
  if (r.depth > 1)
    set_axis(g.w0, g.dw, g.nw, range[2], r.depth);
  else
    g.nw = 1;
}

double current_coordinate(const atlas_source& src, atlas_mode mode, atlas_plane plane, int axis) {
  const plane_axes a = axes_of(plane);
  const int d = axis == 0 ? a.u : axis == 1 ? a.v : a.w;
  if (src.mechanism.kind == atlas_kind::sampled) return src.current_point[d];
  const pose_map pm = pose_map_of(src.mechanism, mode, plane);
  return src.pose[static_cast<std::size_t>(pm.index[axis])] / pm.to_pose;
}

// The half width of the region a platform's reachable cells are looked for in: twice the
// largest actuator limit for a position atlas, half a turn for a posture atlas.
double scan_half_width(const atlas_mechanism& m, atlas_mode mode,
                       const std::vector<atlas_limit>& limits) {
  if (mode == atlas_mode::posture) return posture_scan_half_width_deg;
  double largest = 0;
  for (std::size_t k = 0; k < limits.size(); ++k)
    if (!m.actuators[k].angle)
      largest = std::max({largest, std::fabs(limits[k].lo), std::fabs(limits[k].hi)});
  return largest > 0 && std::isfinite(largest) ? 2 * largest : 1;
}

// Where a platform can go, looked for before its grid is laid out. A scan of the whole range
// the limits allow (half as many cells per side as the grid), a descent from every local least of
// the limits' violation there (islands narrower than a scan cell), then the outline of every region
// found, traced in cells finer than the grid's (thin parts). The whole costs at most as many cells
// as the atlas itself.
class platform_fit {
 public:
  platform_fit(const atlas_source& src, const atlas_request& r,
               const std::vector<atlas_limit>& limits, const atlas_range range[3], double w)
      : m_(src.mechanism),
        limits_(limits),
        pm_(pose_map_of(src.mechanism, r.mode, r.plane)),
        q0_(src.pose),
        dims_(r.depth > 1 ? 3 : 2),
        w_(w) {
    for (int d = 0; d < 3; ++d) range_[d] = range[d];
    budget_ = static_cast<long long>(r.cells) * r.cells * (dims_ == 3 ? r.depth : 1);
    cells_[0] = cells_[1] = r.cells;
    cells_[2] = r.depth;
  }

  // The bounds of everything reachable that was found, one cell wider; false when nothing is.
  bool find(atlas_range out[3]) {
    scan();
    descend();
    if (found_.empty()) return false;
    const bool traced = trace();
    for (int d = 0; d < dims_; ++d) {
      const double margin = traced ? 2 * step_[d] : scan_step_[d];
      out[d] = {HUGE_VAL, -HUGE_VAL};
      for (const point& p : found_)
        out[d] = {std::min(out[d].lo, p.x[d]), std::max(out[d].hi, p.x[d])};
      out[d] = {std::max(out[d].lo - margin, range_[d].lo),
                std::min(out[d].hi + margin, range_[d].hi)};
    }
    return true;
  }

 private:
  struct point {
    double x[3];
  };
  struct probe {
    cell_state state = cell_state::no_assembly;
    double violation = HUGE_VAL;  // how far the actuators lie beyond their limits, in ranges
  };

  probe evaluate(const double* x) {
    // Buffers per thread: the trace evaluates cells one by one.
    thread_local std::vector<double> q, a;
    q = q0_;
    a.resize(m_.actuators.size());
    for (int d = 0; d < 3; ++d)
      q[static_cast<std::size_t>(pm_.index[d])] = (d < dims_ ? x[d] : w_) * pm_.to_pose;
    probe p;
    if (m_.inverse(q.data(), a.data()) != cell_state::reachable) return p;
    p.violation = 0;
    for (std::size_t k = 0; k < limits_.size(); ++k) {
      const double width = std::max(limits_[k].hi - limits_[k].lo, 1e-300);
      p.violation += std::max({0.0, limits_[k].lo - a[k], a[k] - limits_[k].hi}) / width;
    }
    if (!std::isfinite(p.violation)) p.violation = HUGE_VAL;
    // Where the region lies is all the fit needs: the Jacobian waits for the grid.
    p.state = within(limits_, a.data()) ? cell_state::reachable : cell_state::outside_limits;
    return p;
  }

  // The lattice point of grid index n along every axis, from origin o with steps s.
  void at(const long long* n, const double* o, const double* s, double* x) const {
    for (int d = 0; d < dims_; ++d) x[d] = o[d] + static_cast<double>(n[d]) * s[d];
  }

  void scan() {
    // A quarter of the atlas's cells (an eighth for a box).
    const double share = dims_ == 3 ? 8 : 4;
    const int n =
        std::max(8, static_cast<int>(std::pow(static_cast<double>(budget_) / share, 1.0 / dims_)));
    for (int d = 0; d < dims_; ++d) {
      scan_n_[d] = n;
      scan_step_[d] = (range_[d].hi - range_[d].lo) / n;
      scan_origin_[d] = range_[d].lo + scan_step_[d] / 2;
    }
    const long long total = static_cast<long long>(n) * n * (dims_ == 3 ? n : 1);
    scan_.resize(static_cast<std::size_t>(total));
    tbb::parallel_for(tbb::blocked_range<long long>(0, total), [&](const auto& r) {
      for (long long c = r.begin(); c != r.end(); ++c) {
        long long idx[3];
        scan_index(c, idx);
        double x[3];
        at(idx, scan_origin_, scan_step_, x);
        scan_[static_cast<std::size_t>(c)] = evaluate(x);
      }
    });
    spent_ += total;
    for (long long c = 0; c < total; ++c)
      if (scan_[static_cast<std::size_t>(c)].state == cell_state::reachable) {
        long long idx[3];
        scan_index(c, idx);
        point p;
        at(idx, scan_origin_, scan_step_, p.x);
        found_.push_back(p);
        // The trace walks out of a region along u from where the scan leaves it.
        ++idx[0];
        if (idx[0] == scan_n_[0] ||
            scan_[static_cast<std::size_t>(scan_cell(idx))].state != cell_state::reachable)
          starts_.push_back(p);
      }
  }
  void scan_index(long long c, long long* idx) const {
    for (int d = 0; d < dims_; ++d) idx[d] = c % scan_n_[d], c /= scan_n_[d];
  }
  long long scan_cell(const long long* idx) const {
    long long c = 0;
    for (int d = dims_ - 1; d >= 0; --d) c = c * scan_n_[d] + idx[d];
    return c;
  }

  // A compass search down the violation from every scan cell that holds less than all its
  // neighbours (and is not reachable itself), down to a hundredth of a scan cell.
  void descend() {
    std::vector<std::pair<double, long long>> starts;
    const long long total = static_cast<long long>(scan_.size());
    for (long long c = 0; c < total; ++c) {
      const probe& p = scan_[static_cast<std::size_t>(c)];
      if (p.state == cell_state::reachable || !std::isfinite(p.violation)) continue;
      long long idx[3];
      scan_index(c, idx);
      bool least = true;
      for_neighbours(idx, scan_n_, [&](const long long* nb) {
        least = least && scan_[static_cast<std::size_t>(scan_cell(nb))].violation >= p.violation;
      });
      if (least) starts.push_back({p.violation, c});
    }
    std::sort(starts.begin(), starts.end());
    // An eighth of the atlas's cells for the descents, in steps of at most 200 cells each.
    constexpr long long per_descent = 200;
    const auto count = std::min<std::size_t>(
        starts.size(), static_cast<std::size_t>(std::max(1LL, budget_ / 8 / per_descent)));
    std::vector<std::optional<point>> reached(count);
    std::vector<long long> used(count, 0);
    tbb::parallel_for(std::size_t{0}, count, [&](std::size_t s) {
      long long idx[3];
      scan_index(starts[s].second, idx);
      point p;
      at(idx, scan_origin_, scan_step_, p.x);
      double v = starts[s].first, step[3];
      for (int d = 0; d < dims_; ++d) step[d] = scan_step_[d] / 2;
      for (long long spent = 0; spent < per_descent && step[0] > scan_step_[0] / 100;) {
        bool moved = false;
        for (int d = 0; d < dims_ && !moved; ++d)
          for (double sign : {1.0, -1.0}) {
            point t = p;
            t.x[d] += sign * step[d];
            if (!(t.x[d] >= range_[d].lo && t.x[d] <= range_[d].hi)) continue;
            const probe e = evaluate(t.x);
            ++spent;
            used[s] = spent;
            if (e.state == cell_state::reachable) {
              reached[s] = t;
              return;
            }
            if (e.violation < v) {
              p = t, v = e.violation, moved = true;
              break;
            }
          }
        if (!moved)
          for (int d = 0; d < dims_; ++d) step[d] /= 2;
      }
    });
    for (long long u : used) spent_ += u;
    for (const auto& p : reached)
      if (p) found_.push_back(*p), starts_.push_back(*p);
  }

  template <class F>
  void for_neighbours(const long long* idx, const long long* n, F&& f) const {
    const int count = dims_ == 3 ? 27 : 9;
    for (int m = 0; m < count; ++m) {
      long long nb[3] = {};
      int r = m;
      bool self = true, inside = true;
      for (int d = 0; d < dims_; ++d) {
        const int o = r % 3 - 1;
        r /= 3;
        self = self && o == 0;
        nb[d] = idx[d] + o;
        inside = inside && (n == nullptr || (nb[d] >= 0 && nb[d] < n[d]));
      }
      if (!self && inside) f(nb);
    }
  }

  // The outline of every region found, followed from cell to neighbouring cell in cells up to a
  // third of the grid's over the regions found so far (so that the grid's own cells miss no
  // tip), as fine as the budget allows: a cell of the outline is reachable and has a neighbour
  // that is not.
  bool trace() {
    double lo[3], hi[3];
    for (int d = 0; d < dims_; ++d) {
      lo[d] = HUGE_VAL, hi[d] = -HUGE_VAL;
      for (const point& p : found_)
        lo[d] = std::min(lo[d], p.x[d]), hi[d] = std::max(hi[d], p.x[d]);
      // The regions reach at most a scan cell beyond what the scan found in them.
      const double span = hi[d] - lo[d] + 2 * scan_step_[d];
      // An outline across the grid takes about 36 × fineness × cells of the budget.
      const int fineness = std::clamp(cells_[0] / 25, 1, 3);
      step_[d] = span / (fineness * cells_[d]);
      origin_[d] = found_.front().x[d];
    }
    if (dims_ == 2) {
      // Square cells, as the slice is squared up.
      step_[0] = step_[1] = std::max(step_[0], step_[1]);
    }
    auto key = [&](const long long* idx) {
      std::uint64_t k = 0;
      for (int d = 0; d < dims_; ++d)
        k = k * 2097152 + static_cast<std::uint64_t>((idx[d] + 1048576) & 2097151);
      return k;
    };
    // Per cell: 1 reachable, 2 not, 3 waiting to be evaluated; | 4 once on the outline.
    std::unordered_map<std::uint64_t, std::uint8_t> known;
    known.reserve(static_cast<std::size_t>(2 * std::max(budget_ - spent_, 0LL)));
    auto inside = [&](const long long* idx) {
      double x[3];
      at(idx, origin_, step_, x);
      for (int d = 0; d < dims_; ++d)
        if (!(x[d] >= range_[d].lo && x[d] <= range_[d].hi)) return false;
      return true;
    };
    struct cell {
      long long idx[3];
    };
    std::vector<cell> todo;
    auto ask = [&](const long long* idx) {
      auto [it, fresh] = known.try_emplace(key(idx), std::uint8_t{3});
      if (!fresh) return;
      cell c{};
      std::copy(idx, idx + dims_, c.idx);
      todo.push_back(c);
    };
    // Evaluates the cells asked for, in parallel; false when the budget is spent.
    auto settle = [&] {
      if (spent_ + static_cast<long long>(todo.size()) > budget_) return false;
      std::vector<std::uint8_t> ok(todo.size());
      auto one = [&](std::size_t t) {
        double x[3];
        at(todo[t].idx, origin_, step_, x);
        ok[t] = inside(todo[t].idx) && evaluate(x).state == cell_state::reachable;
      };
      if (todo.size() < 64)
        for (std::size_t t = 0; t < todo.size(); ++t) one(t);
      else
        tbb::parallel_for(std::size_t{0}, todo.size(), one);
      spent_ += static_cast<long long>(todo.size());
      for (std::size_t t = 0; t < todo.size(); ++t) known[key(todo[t].idx)] = ok[t] ? 1 : 2;
      todo.clear();
      return true;
    };
    auto reachable = [&](const long long* idx) { return (known[key(idx)] & 3) == 1; };
    // Start from every point found, walking along u out of its region.
    std::vector<cell> walkers, outline;
    for (const point& p : starts_) {
      cell c{};
      for (int d = 0; d < dims_; ++d) c.idx[d] = std::llround((p.x[d] - origin_[d]) / step_[d]);
      ask(c.idx);
      walkers.push_back(c);
    }
    if (!settle()) return false;
    walkers.erase(std::remove_if(walkers.begin(), walkers.end(),
                                 [&](const cell& c) { return !reachable(c.idx); }),
                  walkers.end());
    while (!walkers.empty()) {
      for (cell& c : walkers) ++c.idx[0], ask(c.idx);
      if (!settle()) return false;
      std::vector<cell> next;
      for (cell c : walkers) {
        if (reachable(c.idx)) {
          next.push_back(c);
          continue;
        }
        --c.idx[0];
        std::uint8_t& mark = known[key(c.idx)];
        if (!(mark & 4)) mark |= 4, outline.push_back(c);
      }
      walkers = std::move(next);
    }
    // Along the outline: the reachable neighbours of its cells that border a cell that is not
    // (along an axis) join it.
    while (!outline.empty()) {
      for (const cell& c : outline) {
        record(c.idx);
        for_neighbours(c.idx, nullptr, [&](const long long* nb) { ask(nb); });
      }
      if (!settle()) return false;
      std::vector<cell> candidates;
      for (const cell& c : outline)
        for_neighbours(c.idx, nullptr, [&](const long long* nb) {
          std::uint8_t& mark = known[key(nb)];
          if ((mark & 3) != 1 || (mark & 4)) return;
          mark |= 4;
          cell n{};
          std::copy(nb, nb + dims_, n.idx);
          candidates.push_back(n);
          for (int d = 0; d < dims_; ++d)
            for (int o : {-1, 1}) {
              n.idx[d] += o;
              ask(n.idx);
              n.idx[d] -= o;
            }
        });
      if (!settle()) return false;
      std::vector<cell> next;
      for (cell c : candidates) {
        bool border = false;
        for (int d = 0; d < dims_ && !border; ++d)
          for (int o : {-1, 1}) {
            c.idx[d] += o;
            border = border || !reachable(c.idx);
            c.idx[d] -= o;
          }
        if (border) next.push_back(c);
      }
      outline = std::move(next);
    }
    return true;
  }
  void record(const long long* idx) {
    point p;
    at(idx, origin_, step_, p.x);
    found_.push_back(p);
  }

  const atlas_mechanism& m_;
  const std::vector<atlas_limit>& limits_;
  pose_map pm_;
  std::vector<double> q0_;
  int dims_;
  double w_;
  atlas_range range_[3];
  long long budget_ = 0, spent_ = 0;
  int cells_[3] = {};
  long long scan_n_[3] = {1, 1, 1};
  double scan_origin_[3] = {}, scan_step_[3] = {};
  double origin_[3] = {}, step_[3] = {};
  std::vector<probe> scan_;
  std::vector<point> found_, starts_;
};

atlas_result platform_atlas(const atlas_source& src, const atlas_request& r,
                            const std::vector<atlas_limit>& limits) {
  atlas_grid g = empty_grid(src, r);
  g.limits = limits;
  const bool box = r.depth > 1;
  double c[3];
  for (int d = 0; d < 3; ++d) c[d] = current_coordinate(src, r.mode, r.plane, d);
  const double w = r.offset.value_or(c[2]);
  atlas_range range[3];
  const double h = scan_half_width(src.mechanism, r.mode, limits);
  for (int d = 0; d < 3; ++d) range[d] = {c[d] - h, c[d] + h};
  if (r.u_range) range[0] = *r.u_range;
  if (r.v_range) range[1] = *r.v_range;
  if (box && r.w_range) range[2] = *r.w_range;
  if (!box) range[2] = {w, w};
  if (!r.u_range || !r.v_range || (box && !r.w_range)) {
    platform_fit fit(src, r, limits, range, w);
    atlas_range found[3];
    const bool reachable = fit.find(found);
    if (r.cancel && r.cancel->requested()) return {};
    if (reachable) {
      for (int d = 0; d < (box ? 3 : 2); ++d) range[d] = found[d];
      if (!box) square_up(range[0], range[1]);
    } else if (!box) {
      square_up(range[0], range[1]);
    }
  }
  lay_out(g, r, range);
  if (!box) g.dw = 0, g.w0 = w;
  fill_platform(src, limits, g, r.cancel);
  return {std::move(g), {}};
}

// Halton radical inverse of n in base b.
double radical_inverse(long long n, int base) {
  double f = 1, r = 0;
  while (n > 0) {
    f /= base;
    r += f * static_cast<double>(n % base);
    n /= base;
  }
  return r;
}
constexpr int halton_bases[] = {2, 3, 5, 7, 11, 13};

void sample_joints(long long n, const std::vector<atlas_limit>& limits, double* q) {
  for (std::size_t k = 0; k < limits.size(); ++k)
    q[k] =
        limits[k].lo + radical_inverse(n + 1, halton_bases[k % 6]) * (limits[k].hi - limits[k].lo);
}

// Cells without a sample that join the grid's edge through other such cells lie beyond every
// sample (the grid holds the samples' extent with a margin): out of the joints' reach within
// their limits. Those enclosed by sampled cells stay without a sample: too few samples fell
// there to say.
void beyond_the_samples(atlas_grid& g) {
  std::vector<std::size_t> queue;
  auto reach = [&](int i, int j, int k) {
    const std::size_t c = g.index(i, j, k);
    if (g.state[c] != cell_state::not_sampled) return;
    g.state[c] = cell_state::outside_limits;
    queue.push_back(c);
  };
  const bool box = g.nw > 1;
  for (int k = 0; k < g.nw; ++k)
    for (int j = 0; j < g.nv; ++j)
      for (int i = 0; i < g.nu; ++i)
        if (i == 0 || j == 0 || i == g.nu - 1 || j == g.nv - 1 ||
            (box && (k == 0 || k == g.nw - 1)))
          reach(i, j, k);
  while (!queue.empty()) {
    const std::size_t c = queue.back();
    queue.pop_back();
    const int i = static_cast<int>(c % static_cast<std::size_t>(g.nu));
    const int j =
        static_cast<int>(c / static_cast<std::size_t>(g.nu) % static_cast<std::size_t>(g.nv));
    const int k =
        static_cast<int>(c / (static_cast<std::size_t>(g.nu) * static_cast<std::size_t>(g.nv)));
    if (i > 0) reach(i - 1, j, k);
    if (i + 1 < g.nu) reach(i + 1, j, k);
    if (j > 0) reach(i, j - 1, k);
    if (j + 1 < g.nv) reach(i, j + 1, k);
    if (k > 0) reach(i, j, k - 1);
    if (k + 1 < g.nw) reach(i, j, k + 1);
  }
}

// Sample i of a sampled mechanism drawn afresh: its output point, then (for the same i) the
// distance of its Jacobian to a singularity.
class drawn_samples {
 public:
  drawn_samples(const atlas_mechanism& m, const std::vector<atlas_limit>& limits)
      : m_(m), limits_(limits), q_(limits.size()) {}
  bool point(long long i, double* p) {
    joints(i);
    return m_.forward(q_.data(), p);
  }
  void joints(long long i) { sample_joints(i, limits_, q_.data()); }
  bool distance(long long /*i*/, double& sigma, double& condition) {
    return m_.jacobian(q_.data(), J_) && distance_of(J_, sigma, condition);
  }

 private:
  const atlas_mechanism& m_;
  const std::vector<atlas_limit>& limits_;
  std::vector<double> q_;
  jacobian_matrix J_;
};

}  // namespace

// What is known of every sample of one mechanism under one set of limits: its output point once
// drawn, its distance to a singularity once a grid needed it.
struct atlas_sample_store {
  std::string identity;
  std::vector<atlas_limit> limits;
  long long count = 0;
  // Per sample: point_known | point_finite | distance_known | jacobian_formed.
  static constexpr std::uint8_t point_known = 1, point_finite = 2, distance_known = 4,
                                jacobian_formed = 8;
  std::vector<std::uint8_t> state;
  std::vector<std::array<double, 3>> point;
  std::vector<double> sigma_min, condition;

  bool serves(const atlas_mechanism& m, const std::vector<atlas_limit>& l, long long n) const {
    if (m.identity.empty() || m.identity != identity || n != count || l.size() != limits.size())
      return false;
    for (std::size_t k = 0; k < l.size(); ++k)
      if (!same_value(l[k].lo, limits[k].lo) || !same_value(l[k].hi, limits[k].hi)) return false;
    return true;
  }
  void reset(const atlas_mechanism& m, const std::vector<atlas_limit>& l, long long n) {
    identity = m.identity;
    limits = l;
    count = n;
    const auto size = static_cast<std::size_t>(n);
    state.assign(size, 0);
    point.resize(size);
    sigma_min.resize(size);
    condition.resize(size);
  }
  static bool same_value(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
};

namespace {

// The same samples read from the store where they are known, drawn and kept where not. Each
// sample is written by the one thread whose chunk holds it.
class kept_samples {
 public:
  kept_samples(atlas_sample_store& store, const atlas_mechanism& m,
               const std::vector<atlas_limit>& limits)
      : store_(store), drawn_(m, limits) {}
  bool point(long long i, double* p) {
    const auto n = static_cast<std::size_t>(i);
    std::uint8_t& s = store_.state[n];
    if (!(s & atlas_sample_store::point_known)) {
      double x[3];
      const bool finite = drawn_.point(i, x);
      store_.point[n] = {x[0], x[1], x[2]};
      s |= atlas_sample_store::point_known | (finite ? atlas_sample_store::point_finite : 0);
    }
    p[0] = store_.point[n][0], p[1] = store_.point[n][1], p[2] = store_.point[n][2];
    return s & atlas_sample_store::point_finite;
  }
  bool distance(long long i, double& sigma, double& condition) {
    const auto n = static_cast<std::size_t>(i);
    std::uint8_t& s = store_.state[n];
    if (!(s & atlas_sample_store::distance_known)) {
      drawn_.joints(i);
      double sv = 0, c = 0;
      const bool formed = drawn_.distance(i, sv, c);
      store_.sigma_min[n] = sv, store_.condition[n] = c;
      s |= atlas_sample_store::distance_known | (formed ? atlas_sample_store::jacobian_formed : 0);
    }
    sigma = store_.sigma_min[n], condition = store_.condition[n];
    return s & atlas_sample_store::jacobian_formed;
  }

 private:
  atlas_sample_store& store_;
  drawn_samples drawn_;
};

// The most samples kept between atlases (about 42 bytes each).
constexpr long long most_kept_samples = 4'000'000;

long long samples_of(const atlas_request& r) {
  return r.samples > 0 ? r.samples : default_samples;
}

// `read()` gives each chunk of samples its own reader (drawn_samples or kept_samples).
template <class Reader>
atlas_result sampled_atlas(const atlas_source& src, const atlas_request& r,
                           const std::vector<atlas_limit>& limits, ui_language lang,
                           const std::function<Reader()>& read) {
  atlas_grid g = empty_grid(src, r);
  g.limits = limits;
  g.samples = samples_of(r);
  if (g.samples > atlas_max_samples)
    return {std::nullopt, message(lang, message_id::atlas_too_many_samples,
                                  {std::to_string(g.samples), std::to_string(atlas_max_samples)})};
  const plane_axes ax = axes_of(r.plane);
  const int axis[3] = {ax.u, ax.v, ax.w};
  const bool box = r.depth > 1;
  const double offset = r.offset.value_or(src.current_point[ax.w]);
  // The extent of the output point over the first samples, 5 % wider; a slice's in-plane
  // extent from the samples in its slab, where there are enough of them.
  atlas_range range[3];
  {
    std::vector<std::array<double, 3>> points;
    Reader reader = read();
    double p[3];
    for (long long n = 0; n < std::min(extent_samples, g.samples); ++n)
      if (reader.point(n, p)) points.push_back({p[axis[0]], p[axis[1]], p[axis[2]]});
    auto fit = [&](double half_slab) {
      double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
      std::size_t count = 0;
      for (const auto& pt : points) {
        if (std::fabs(pt[2] - offset) > half_slab) continue;
        ++count;
        for (int d = 0; d < 3; ++d) lo[d] = std::min(lo[d], pt[d]), hi[d] = std::max(hi[d], pt[d]);
      }
      for (int d = 0; d < 3; ++d) {
        if (!(lo[d] <= hi[d])) lo[d] = hi[d] = 0;
        const double margin = std::max(0.05 * (hi[d] - lo[d]), 1e-9);
        range[d] = {lo[d] - margin, hi[d] + margin};
      }
      return count;
    };
    fit(HUGE_VAL);
    const atlas_range all_w = range[2];
    constexpr std::size_t enough_in_slab = 200;
    if (!box && fit((all_w.hi - all_w.lo) * least_slab_fraction / 2) < enough_in_slab)
      fit(HUGE_VAL);
    range[2] = all_w;
  }
  if (!box) square_up(range[0], range[1]);
  lay_out(g, r, range);
  if (!box) {
    g.dw = std::max({g.du, g.dv, (range[2].hi - range[2].lo) * least_slab_fraction});
    g.w0 = offset - g.dw / 2;
  }
  size_cells(g);

  // Each chunk of samples keeps its own best σmin per cell; the chunks are merged after.
  const int chunks = std::max(1, tbb::this_task_arena::max_concurrency());
  const auto n = static_cast<std::size_t>(g.cell_count());
  std::vector<std::vector<double>> best(static_cast<std::size_t>(chunks));
  std::vector<std::vector<double>> cond(static_cast<std::size_t>(chunks));
  std::vector<std::vector<cell_state>> seen(static_cast<std::size_t>(chunks));
  tbb::parallel_for(0, chunks, [&](int c) {
    auto& b = best[static_cast<std::size_t>(c)];
    auto& k = cond[static_cast<std::size_t>(c)];
    auto& s = seen[static_cast<std::size_t>(c)];
    b.assign(n, -1.0);
    k.assign(n, 0.0);
    s.assign(n, cell_state::not_sampled);
    Reader reader = read();
    double p[3];
    const long long first = g.samples * c / chunks, last = g.samples * (c + 1) / chunks;
    for (long long i = first; i < last; ++i) {
      if (r.cancel && i % 1024 == 0 && r.cancel->requested()) return;
      if (!reader.point(i, p)) continue;
      const double cu = std::floor((p[axis[0]] - g.u0) / g.du);
      const double cv = std::floor((p[axis[1]] - g.v0) / g.dv);
      const double cw = std::floor((p[axis[2]] - g.w0) / g.dw);
      if (!(cu >= 0 && cu < g.nu && cv >= 0 && cv < g.nv && cw >= 0 && cw < g.nw)) continue;
      const std::size_t cell =
          g.index(static_cast<int>(cu), static_cast<int>(cv), static_cast<int>(cw));
      double sigma = 0, condition = 0;
      if (!reader.distance(i, sigma, condition)) {
        if (s[cell] == cell_state::not_sampled) s[cell] = cell_state::no_jacobian;
        continue;
      }
      s[cell] = cell_state::reachable;
      if (sigma > b[cell]) b[cell] = sigma, k[cell] = condition;
    }
  });
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, n), [&](const auto& range) {
    for (std::size_t cell = range.begin(); cell != range.end(); ++cell)
      for (std::size_t c = 0; c < best.size(); ++c) {
        if (seen[c][cell] == cell_state::reachable) {
          g.state[cell] = cell_state::reachable;
          if (best[c][cell] > g.sigma_min[cell] || g.condition[cell] == 0)
            g.sigma_min[cell] = best[c][cell], g.condition[cell] = cond[c][cell];
        } else if (seen[c][cell] == cell_state::no_jacobian &&
                   g.state[cell] == cell_state::not_sampled) {
          g.state[cell] = cell_state::no_jacobian;
        }
      }
  });
  beyond_the_samples(g);
  return {std::move(g), {}};
}

void mark_locus(atlas_grid& g, double fraction) {
  double largest = 0;
  for (std::size_t c = 0; c < g.state.size(); ++c)
    if (g.state[c] == cell_state::reachable) largest = std::max(largest, g.sigma_min[c]);
  g.singular_threshold = fraction * largest;
  for (std::size_t c = 0; c < g.state.size(); ++c)
    g.singular[c] = g.state[c] == cell_state::reachable && g.sigma_min[c] <= g.singular_threshold;
}

std::string problem_of(const atlas_source& src, const atlas_request& r,
                       const std::vector<atlas_limit>& limits, ui_language lang) {
  const atlas_mechanism& m = src.mechanism;
  if (limits.size() != m.actuators.size())
    return message(lang, message_id::atlas_limit_count,
                   {std::to_string(m.actuators.size()), std::to_string(limits.size())});
  for (std::size_t k = 0; k < limits.size(); ++k)
    if (!std::isfinite(limits[k].lo) || !std::isfinite(limits[k].hi) || limits[k].lo > limits[k].hi)
      return message(
          lang, message_id::atlas_limits_not_a_range,
          {k < src.actuator_captions.size() ? src.actuator_captions[k] : src.actuator_names[k]});
  if (r.mode == atlas_mode::position && m.kind == atlas_kind::platform && !m.position_free())
    return message(lang, message_id::atlas_posture_only, {src.window});
  if (r.mode == atlas_mode::posture && m.kind == atlas_kind::sampled)
    return message(lang, message_id::atlas_positions_only, {src.window});
  if (r.cells < 1 || r.depth < 1) return message(lang, message_id::atlas_no_cells);
  const long long cells = static_cast<long long>(r.cells) * r.cells * r.depth;
  if (cells > atlas_max_cells || cells / r.depth / r.cells != r.cells)
    return message(lang, message_id::atlas_too_many_cells,
                   {std::to_string(r.cells) + " × " + std::to_string(r.cells) + " × " +
                        std::to_string(r.depth),
                    std::to_string(atlas_max_cells)});
  for (const auto* range : {&r.u_range, &r.v_range, &r.w_range})
    if (*range && !((*range)->lo < (*range)->hi && std::isfinite((*range)->hi - (*range)->lo)))
      return message(lang, message_id::atlas_extent_not_a_range);
  if (r.offset && !std::isfinite(*r.offset))
    return message(lang, message_id::atlas_offset_not_finite);
  return {};
}

}  // namespace

const char* to_string(cell_state s) {
  switch (s) {
    case cell_state::reachable:
      return "reachable";
    case cell_state::outside_limits:
      return "actuator outside its limits";
    case cell_state::no_assembly:
      return "no assembly";
    case cell_state::no_jacobian:
      return "Jacobian not formed";
    case cell_state::not_sampled:
      return "no sample";
  }
  return "";
}

std::string describe(cell_state s, ui_language lang) {
  switch (s) {
    case cell_state::reachable:
      return message(lang, message_id::atlas_cell_reachable);
    case cell_state::outside_limits:
      return message(lang, message_id::atlas_cell_outside_limits);
    case cell_state::no_assembly:
      return message(lang, message_id::atlas_cell_no_assembly);
    case cell_state::no_jacobian:
      return message(lang, message_id::atlas_cell_no_jacobian);
    case cell_state::not_sampled:
      return message(lang, message_id::atlas_cell_not_sampled);
  }
  return "";
}

const char* to_string(atlas_mode m) {
  return m == atlas_mode::posture ? "posture" : "position";
}

const char* to_string(atlas_plane p) {
  switch (p) {
    case atlas_plane::xz:
      return "xz";
    case atlas_plane::yz:
      return "yz";
    default:
      return "xy";
  }
}

std::optional<atlas_mode> atlas_mode_from(const std::string& text) {
  if (text == "position") return atlas_mode::position;
  if (text == "posture") return atlas_mode::posture;
  return std::nullopt;
}

std::optional<atlas_plane> atlas_plane_from(const std::string& text) {
  for (atlas_plane p : {atlas_plane::xy, atlas_plane::xz, atlas_plane::yz})
    if (text == to_string(p)) return p;
  return std::nullopt;
}

const char* atlas_axis_name(atlas_mode mode, atlas_plane plane, int axis) {
  static const char* const position[] = {"x", "y", "z"};
  static const char* const posture[] = {"α", "β", "γ"};
  const plane_axes a = axes_of(plane);
  const int d = axis == 0 ? a.u : axis == 1 ? a.v : a.w;
  return (mode == atlas_mode::posture ? posture : position)[d];
}

atlas_limit widened_limit(double lo, double hi, bool angle) {
  const double span = hi - lo;
  const double margin = angle ? std::max(span / 4, pi / 4)
                              : std::max(span / 4, std::max(std::fabs(lo), std::fabs(hi)) / 10);
  atlas_limit l{lo - margin, hi + margin};
  if (angle && l.hi - l.lo > two_pi) {
    const double mid = (lo + hi) / 2;
    l = {mid - pi, mid + pi};
  }
  // A still actuator at 0 would leave no range at all.
  if (l.hi - l.lo <= 0) l = {lo - 1, hi + 1};
  return l;
}

atlas_cell evaluate_platform_cell(const atlas_source& source, atlas_mode mode, atlas_plane plane,
                                  const std::vector<atlas_limit>& limits, double u, double v,
                                  double w) {
  const pose_map pm = pose_map_of(source.mechanism, mode, plane);
  std::vector<double> q(source.pose);
  const double at[3] = {u, v, w};
  for (int d = 0; d < 3; ++d) q[static_cast<std::size_t>(pm.index[d])] = at[d] * pm.to_pose;
  atlas_cell c;
  c.actuators.assign(source.mechanism.actuators.size(), 0.0);
  c.state = platform_cell(source.mechanism, limits, q.data(), c.actuators.data(), c.sigma_min,
                          c.condition);
  return c;
}

atlas_cache::atlas_cache() = default;
atlas_cache::~atlas_cache() = default;

void atlas_cache::clear() {
  const std::lock_guard<std::mutex> lock(busy_);
  samples_.reset();
  grid_key_.clear();
  grid_.reset();
}

namespace {

// Everything a platform grid's cells and extent depend on, but the pose's coordinates along the
// grid's axes (and, where `centred`, with them: the grid then lies about the pose).
std::string platform_key(const atlas_source& src, const atlas_request& r,
                         const std::vector<atlas_limit>& limits, bool centred) {
  std::string key = src.mechanism.identity;
  if (key.empty()) return key;
  key += '\x1e';
  for (const atlas_limit& l : limits) add_identity(key, l.lo), add_identity(key, l.hi);
  add_identity(key, static_cast<int>(r.mode));
  add_identity(key, static_cast<int>(r.plane));
  add_identity(key, r.cells);
  add_identity(key, r.depth);
  for (const auto* range : {&r.u_range, &r.v_range, &r.w_range}) {
    add_identity(key, range->has_value());
    if (*range) add_identity(key, (*range)->lo), add_identity(key, (*range)->hi);
  }
  const bool box = r.depth > 1;
  const pose_map pm = pose_map_of(src.mechanism, r.mode, r.plane);
  for (std::size_t k = 0; k < src.pose.size(); ++k) {
    const bool on_grid = static_cast<int>(k) == pm.index[0] || static_cast<int>(k) == pm.index[1] ||
                         (box && static_cast<int>(k) == pm.index[2]);
    if (!on_grid || centred) add_identity(key, src.pose[k]);
  }
  // A slice's offset: given, or the pose's (among the values above).
  add_identity(key, r.offset.has_value());
  if (r.offset) add_identity(key, *r.offset);
  return key;
}

bool any_reachable(const atlas_grid& g) {
  return std::find(g.state.begin(), g.state.end(), cell_state::reachable) != g.state.end();
}

}  // namespace

atlas_result compute_atlas(const atlas_source& source, const atlas_request& request,
                           ui_language lang, atlas_cache* cache) {
  const std::vector<atlas_limit>& limits =
      request.limits.empty() ? source.default_limits : request.limits;
  if (std::string p = problem_of(source, request, limits, lang); !p.empty())
    return {std::nullopt, p};
  std::unique_lock<std::mutex> lock;
  if (cache) {
    lock = std::unique_lock<std::mutex>(cache->busy_);
    cache->last_reuse_ = atlas_cache::reuse::none;
  }
  const atlas_mechanism& m = source.mechanism;
  atlas_result r;
  if (m.kind == atlas_kind::platform) {
    const std::string key = cache ? platform_key(source, request, limits, false) : std::string();
    const std::string centred = cache ? platform_key(source, request, limits, true) : std::string();
    if (cache && cache->grid_ && !key.empty() &&
        (cache->grid_key_ == key || cache->grid_key_ == centred)) {
      r.grid = *cache->grid_;
      cache->last_reuse_ = atlas_cache::reuse::grid;
    } else {
      r = platform_atlas(source, request, limits);
      if (cache && r.grid && !(request.cancel && request.cancel->requested())) {
        cache->grid_ = r.grid;
        cache->grid_key_ = any_reachable(*r.grid) ? key : centred;
      }
    }
  } else {
    const long long n = samples_of(request);
    if (cache && !m.identity.empty() && n <= most_kept_samples) {
      if (cache->samples_ && cache->samples_->serves(m, limits, n)) {
        cache->last_reuse_ = atlas_cache::reuse::samples;
      } else {
        if (!cache->samples_) cache->samples_ = std::make_unique<atlas_sample_store>();
        cache->samples_->reset(m, limits, n);
      }
      atlas_sample_store& store = *cache->samples_;
      r = sampled_atlas<kept_samples>(source, request, limits, lang,
                                      [&] { return kept_samples(store, m, limits); });
    } else {
      r = sampled_atlas<drawn_samples>(source, request, limits, lang,
                                       [&] { return drawn_samples(m, limits); });
    }
  }
  if (request.cancel && request.cancel->requested())
    return {std::nullopt, message(lang, message_id::atlas_interrupted)};
  if (r.grid) mark_locus(*r.grid, request.singular_fraction);
  return r;
}

std::string describe_atlas(const atlas_grid& g, ui_language lang) {
  long long reachable = 0;
  std::size_t best = 0, worst = 0;
  long long count[5] = {};
  long long singular = 0;
  for (std::size_t c = 0; c < g.state.size(); ++c) {
    ++count[static_cast<int>(g.state[c])];
    if (g.state[c] != cell_state::reachable) continue;
    if (reachable == 0 || g.condition[c] < g.condition[best]) best = c;
    if (reachable == 0 || g.condition[c] > g.condition[worst]) worst = c;
    ++reachable;
    singular += g.singular[c];
  }
  const bool box = g.nw > 1;
  const std::string cells = message(lang, message_id::atlas_cells,
                                    {std::to_string(g.nu) + " × " + std::to_string(g.nv) +
                                     (box ? " × " + std::to_string(g.nw) : "")});
  if (reachable == 0) {
    // The reason most cells gave.
    int most = 1;
    for (int s = 1; s < 5; ++s)
      if (count[s] > count[most]) most = s;
    return message(lang, message_id::atlas_nothing_reachable,
                   {cells, describe(static_cast<cell_state>(most), lang)});
  }
  const double cell = g.du * g.dv * (box ? g.dw : 1);
  const bool posture = g.mode == atlas_mode::posture;
  const message_id extent =
      posture ? (box ? message_id::atlas_reachable_posture_volume
                     : message_id::atlas_reachable_posture_region)
              : (box ? message_id::atlas_reachable_volume : message_id::atlas_reachable_area);
  std::string text = message(
      lang, extent,
      {number_text(static_cast<double>(reachable) * cell), std::to_string(reachable), cells});
  auto where = [&](std::size_t c) {
    const int i = static_cast<int>(c % static_cast<std::size_t>(g.nu));
    const int j =
        static_cast<int>(c / static_cast<std::size_t>(g.nu) % static_cast<std::size_t>(g.nv));
    const int k =
        static_cast<int>(c / (static_cast<std::size_t>(g.nu) * static_cast<std::size_t>(g.nv)));
    std::string s = std::string("(") + atlas_axis_name(g.mode, g.plane, 0) + " " +
                    number_text(g.u_at(i)) + ", " + atlas_axis_name(g.mode, g.plane, 1) + " " +
                    number_text(g.v_at(j));
    if (box)
      s += std::string(", ") + atlas_axis_name(g.mode, g.plane, 2) + " " + number_text(g.w_at(k));
    return s + ")";
  };
  auto condition = [&](std::size_t c) {
    return g.condition[c] >= std::numeric_limits<double>::max()
               ? message(lang, message_id::atlas_condition_singular)
               : number_text(g.condition[c]);
  };
  text += message(lang, message_id::atlas_condition_range,
                  {condition(best), where(best), condition(worst), where(worst)});
  text += message(lang, message_id::atlas_singular_cells,
                  {number_text(g.singular_threshold), cell_count_text(singular, lang)});
  if (const long long none = count[static_cast<int>(cell_state::not_sampled)]; none > 0)
    text += message(lang, message_id::atlas_not_sampled_cells, {cell_count_text(none, lang)});
  return text;
}

void limit_atlas_threads(int threads) {
  static std::unique_ptr<tbb::global_control> limit;
  limit.reset();
  if (threads > 0)
    limit = std::make_unique<tbb::global_control>(tbb::global_control::max_allowed_parallelism,
                                                  static_cast<std::size_t>(threads));
}

}  // namespace kinelab
