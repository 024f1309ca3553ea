#include "app/atlas/atlas.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/angles.h"

namespace kinelab {

namespace {

// Cells across the coarse scan that finds the reachable region of a platform.
constexpr int scan_cells = 48;
constexpr int scan_cells_box = 24;
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
  const singular_value_set sv = singular_values(J);
  if (sv.count == 0) return false;
  const singularity_distance d = singularity_distance_of(sv);
  sigma_min = d.sigma_min;
  condition = d.condition;
  return true;
}

// One platform cell: pose q (the source's pose with the three grid coordinates put in).
cell_state platform_cell(const atlas_mechanism& m, const std::vector<atlas_limit>& limits,
                         const double* q, double* a, double& sigma_min, double& condition) {
  const cell_state s = m.inverse(q, a);
  if (s != cell_state::reachable) return s;
  if (!within(limits, a)) return cell_state::outside_limits;
  jacobian_matrix J;
  if (!m.jacobian(q, J) || !distance_of(J, sigma_min, condition)) return cell_state::no_jacobian;
  return cell_state::reachable;
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
void fill_platform(const atlas_source& src, const std::vector<atlas_limit>& limits, atlas_grid& g) {
  size_cells(g);
  const pose_map pm = pose_map_of(src.mechanism, g.mode, g.plane);
  const std::size_t rows = static_cast<std::size_t>(g.nv) * static_cast<std::size_t>(g.nw);
  tbb::parallel_for(tbb::blocked_range<std::size_t>(0, rows), [&](const auto& range) {
    std::vector<double> q(src.pose), a(src.mechanism.actuators.size());
    for (std::size_t row = range.begin(); row != range.end(); ++row) {
      const int j = static_cast<int>(row % static_cast<std::size_t>(g.nv));
      const int k = static_cast<int>(row / static_cast<std::size_t>(g.nv));
      q[static_cast<std::size_t>(pm.index[1])] = g.v_at(j) * pm.to_pose;
      q[static_cast<std::size_t>(pm.index[2])] = g.w_at(k) * pm.to_pose;
      for (int i = 0; i < g.nu; ++i) {
        q[static_cast<std::size_t>(pm.index[0])] = g.u_at(i) * pm.to_pose;
        const std::size_t c = g.index(i, j, k);
        g.state[c] = platform_cell(src.mechanism, limits, q.data(), a.data(), g.sigma_min[c],
                                   g.condition[c]);
        if (g.state[c] != cell_state::reachable) g.sigma_min[c] = g.condition[c] = 0;
      }
    }
  });
}

// The reachable cells' bounds along each axis, one cell wider; false when there are none.
bool reachable_bounds(const atlas_grid& g, atlas_range out[3]) {
  int lo[3] = {g.nu, g.nv, g.nw}, hi[3] = {-1, -1, -1};
  for (int k = 0; k < g.nw; ++k)
    for (int j = 0; j < g.nv; ++j)
      for (int i = 0; i < g.nu; ++i)
        if (g.state[g.index(i, j, k)] == cell_state::reachable) {
          const int at[3] = {i, j, k};
          for (int d = 0; d < 3; ++d)
            lo[d] = std::min(lo[d], at[d]), hi[d] = std::max(hi[d], at[d]);
        }
  if (hi[0] < 0) return false;
  const double origin[3] = {g.u0, g.v0, g.w0}, size[3] = {g.du, g.dv, g.dw};
  for (int d = 0; d < 3; ++d)
    out[d] = {origin[d] + (lo[d] - 1) * size[d], origin[d] + (hi[d] + 2) * size[d]};
  return true;
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
  if (!box) range[2] = {w, w};
  if (!r.u_range || !r.v_range || (box && !r.w_range)) {
    // A coarse scan finds the reachable region; the grid is fitted to it.
    atlas_grid scan = empty_grid(src, r);
    const int n = box ? scan_cells_box : scan_cells;
    set_axis(scan.u0, scan.du, scan.nu, range[0], n);
    set_axis(scan.v0, scan.dv, scan.nv, range[1], n);
    if (box)
      set_axis(scan.w0, scan.dw, scan.nw, range[2], n);
    else
      scan.w0 = w, scan.dw = 0, scan.nw = 1;
    fill_platform(src, limits, scan);
    atlas_range found[3];
    if (reachable_bounds(scan, found)) {
      // Within the scanned region: a posture atlas stays within half a turn of the pose.
      for (int d = 0; d < (box ? 3 : 2); ++d)
        range[d] = {std::max(found[d].lo, range[d].lo), std::min(found[d].hi, range[d].hi)};
      if (!box) square_up(range[0], range[1]);
    }
  }
  lay_out(g, r, range);
  if (!box) g.dw = 0, g.w0 = w;
  fill_platform(src, limits, g);
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

atlas_result sampled_atlas(const atlas_source& src, const atlas_request& r,
                           const std::vector<atlas_limit>& limits, ui_language lang) {
  const atlas_mechanism& m = src.mechanism;
  atlas_grid g = empty_grid(src, r);
  g.limits = limits;
  g.samples = r.samples > 0 ? r.samples : default_samples;
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
    std::vector<double> q(limits.size());
    double p[3];
    for (long long n = 0; n < std::min(extent_samples, g.samples); ++n) {
      sample_joints(n, limits, q.data());
      if (m.forward(q.data(), p)) points.push_back({p[axis[0]], p[axis[1]], p[axis[2]]});
    }
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
    std::vector<double> q(limits.size());
    double p[3];
    jacobian_matrix J;
    const long long first = g.samples * c / chunks, last = g.samples * (c + 1) / chunks;
    for (long long i = first; i < last; ++i) {
      sample_joints(i, limits, q.data());
      if (!m.forward(q.data(), p)) continue;
      const double cu = std::floor((p[axis[0]] - g.u0) / g.du);
      const double cv = std::floor((p[axis[1]] - g.v0) / g.dv);
      const double cw = std::floor((p[axis[2]] - g.w0) / g.dw);
      if (!(cu >= 0 && cu < g.nu && cv >= 0 && cv < g.nv && cw >= 0 && cw < g.nw)) continue;
      const std::size_t cell =
          g.index(static_cast<int>(cu), static_cast<int>(cv), static_cast<int>(cw));
      double sigma = 0, condition = 0;
      if (!m.jacobian(q.data(), J) || !distance_of(J, sigma, condition)) {
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

atlas_result compute_atlas(const atlas_source& source, const atlas_request& request,
                           ui_language lang) {
  const std::vector<atlas_limit>& limits =
      request.limits.empty() ? source.default_limits : request.limits;
  if (std::string p = problem_of(source, request, limits, lang); !p.empty())
    return {std::nullopt, p};
  atlas_result r = source.mechanism.kind == atlas_kind::platform
                       ? platform_atlas(source, request, limits)
                       : sampled_atlas(source, request, limits, lang);
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
  text += message(
      lang, message_id::atlas_condition_range,
      {number_text(g.condition[best]), where(best), number_text(g.condition[worst]), where(worst)});
  text += message(lang, message_id::atlas_singular_cells,
                  {number_text(g.singular_threshold), std::to_string(singular)});
  return text;
}

}  // namespace kinelab
