#include "app/run/derivative_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "core/angles.h"

namespace kinelab {

namespace {

// A floor of a thousandth of the value per cycle time: below it a rate is the rounding of the
// values, not a derivative.
constexpr double floor_fraction = 1e-3;

// A curve computed from lengths of size L carries a rounding of some ε·L per operation; a
// thousand of those allow for long chains of them, and stay far below any motion the fields
// can ask for (a thousandth of a length unit in a window a metre wide is 1e-6 of it).
constexpr double rounding_operations = 1024;

// The curve with each isolated jump of about a multiple of π taken out: an angle that wrapped at
// ±180°, or a posture triple that switched to its other form (α, γ ± π). A jump counts when it
// exceeds 90° and four times the change on either side of it.
std::vector<double> without_wraps(const std::vector<double>& f) {
  std::vector<double> g = f;
  double shift = 0;
  const std::size_t n = f.size();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const double d = f[i + 1] - f[i];
    g[i] = f[i] + shift;
    const double before = i > 0 ? std::fabs(f[i] - f[i - 1]) : 0;
    const double after = i + 2 < n ? std::fabs(f[i + 2] - f[i + 1]) : 0;
    const double turns = std::round(d / pi);
    const bool isolated = std::fabs(d) > half_pi && std::fabs(d) > 4 * std::max(before, after);
    if (isolated && std::fabs(d - turns * pi) < pi / 4) shift -= turns * pi;
  }
  if (n > 0) g[n - 1] = f[n - 1] + shift;
  return g;
}

std::vector<double> field_of(const trajectory_array& a, double kin_state::*f) {
  std::vector<double> out(a.size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = a.get(i, f);
  return out;
}

double largest_magnitude(const std::vector<double>& v) {
  double m = 0;
  for (double x : v)
    if (std::isfinite(x)) m = std::max(m, std::fabs(x));
  return m;
}

// The largest estimated truncation error of the central differences: |D(dt) − D(2·dt)|/3.
double truncation_error(const std::vector<double>& narrow, const std::vector<double>& wide) {
  double e = 0;
  for (std::size_t i = 0; i < narrow.size() && i < wide.size(); ++i)
    if (std::isfinite(narrow[i]) && std::isfinite(wide[i]))
      e = std::max(e, std::fabs(narrow[i] - wide[i]) / 3);
  return e;
}

}  // namespace

std::vector<double> numerical_derivative(const std::vector<double>& f, double dt) {
  const std::size_t n = f.size();
  std::vector<double> d(n, std::numeric_limits<double>::quiet_NaN());
  if (n < 3 || !(dt > 0)) return d;
  const std::vector<double> g = without_wraps(f);
  for (std::size_t i = 1; i + 1 < n; ++i) d[i] = (g[i + 1] - g[i - 1]) / (2 * dt);
  d[0] = (-3 * g[0] + 4 * g[1] - g[2]) / (2 * dt);
  d[n - 1] = (3 * g[n - 1] - 4 * g[n - 2] + g[n - 3]) / (2 * dt);
  return d;
}

std::vector<double> numerical_derivative_wide(const std::vector<double>& f, double dt) {
  const std::size_t n = f.size();
  std::vector<double> d(n, std::numeric_limits<double>::quiet_NaN());
  if (n < 5 || !(dt > 0)) return d;
  const std::vector<double> g = without_wraps(f);
  for (std::size_t i = 2; i + 2 < n; ++i) d[i] = (g[i + 2] - g[i - 2]) / (4 * dt);
  d[0] = (-3 * g[0] + 4 * g[2] - g[4]) / (4 * dt);
  d[n - 1] = (3 * g[n - 1] - 4 * g[n - 3] + g[n - 5]) / (4 * dt);
  return d;
}

derivative_mismatch compare_derivative(const std::vector<double>& analytic,
                                       const std::vector<double>& numerical, double floor) {
  const double scale = std::max(floor, largest_magnitude(analytic));
  derivative_mismatch worst;
  worst.scale = scale;
  if (!(scale > 0)) return worst;
  for (std::size_t i = 0; i < analytic.size() && i < numerical.size(); ++i) {
    if (!std::isfinite(numerical[i]) || !std::isfinite(analytic[i])) continue;
    double relative = std::fabs(numerical[i] - analytic[i]) / scale;
    if (!std::isfinite(relative)) relative = std::numeric_limits<double>::max();
    if (relative > worst.relative)
      worst = {relative, static_cast<int>(i), analytic[i], numerical[i], scale, 0};
  }
  return worst;
}

// The largest spread of a curve's finite values.
double spread(const std::vector<double>& v) {
  double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
  for (double x : v)
    if (std::isfinite(x)) lo = std::min(lo, x), hi = std::max(hi, x);
  return hi >= lo ? hi - lo : 0;
}

bool at_rest(const quantity_check& q, double T, double length_scale) {
  const double noise = rounding_operations * std::numeric_limits<double>::epsilon() *
                       std::max(length_scale, largest_magnitude(q.value));
  // Divided rather than multiplied by T, so that no product overflows.
  return spread(q.value) <= noise && largest_magnitude(q.rate) <= noise / T &&
         largest_magnitude(q.accel) <= noise / T / T;
}

// An error relative to a scale of 0 is no error.
double relative_to(double error, double scale) {
  const double r = scale > 0 ? error / scale : 0;
  return std::isfinite(r) ? r : std::numeric_limits<double>::max();
}

quantity_check check_quantity(const trajectory_array& a, char component, double T,
                              double length_scale) {
  const std::vector<array_column> columns = array_columns(a);
  const std::size_t first = a.kind == array_kind::scalar ? 0
                            : component == 'y'           ? 3
                            : component == 'z'           ? 6
                                                         : 0;
  quantity_check q;
  q.column = columns[first].name;
  q.value = field_of(a, columns[first].field);
  q.rate = field_of(a, columns[first + 1].field);
  q.accel = field_of(a, columns[first + 2].field);
  const int N = static_cast<int>(a.size()) - 1;
  if (N < 2 || !(T > 0)) return q;
  const double dt = T / N;
  if (at_rest(q, T, length_scale)) {
    q.at_rest = true;
    q.rate_difference.assign(q.rate.size(), 0.0);
    q.accel_difference.assign(q.accel.size(), 0.0);
    return q;
  }
  q.rate_difference = numerical_derivative(q.value, dt);
  q.accel_difference = numerical_derivative(q.rate, dt);
  const double value_scale = largest_magnitude(q.value);
  q.rate_mismatch = compare_derivative(q.rate, q.rate_difference, value_scale * floor_fraction / T);
  q.accel_mismatch =
      compare_derivative(q.accel, q.accel_difference, value_scale * floor_fraction / (T * T));
  q.rate_mismatch.difference_error =
      relative_to(truncation_error(q.rate_difference, numerical_derivative_wide(q.value, dt)),
                  q.rate_mismatch.scale);
  q.accel_mismatch.difference_error =
      relative_to(truncation_error(q.accel_difference, numerical_derivative_wide(q.rate, dt)),
                  q.accel_mismatch.scale);
  return q;
}

std::vector<quantity_check> check_all_quantities(const trajectory_arrays& arrays, double T) {
  std::vector<quantity_check> out;
  for (const trajectory_array& a : arrays.all()) {
    if (a.kind == array_kind::scalar) {
      out.push_back(check_quantity(a, 'x', T));
      continue;
    }
    for (char c : {'x', 'y', 'z'}) out.push_back(check_quantity(a, c, T));
  }
  return out;
}

std::string describe(const quantity_check& q, ui_language lang) {
  if (q.at_rest) return message(lang, message_id::quantity_at_rest, {q.column});
  const auto figure = [](const char* format, double v) {
    char text[32];
    std::snprintf(text, sizeof text, format, v);
    return std::string(text);
  };
  return message(
      lang, message_id::quantity_mismatch,
      {q.column, figure("%.2g", q.rate_mismatch.relative),
       figure("%.2g", q.accel_mismatch.relative), std::to_string(q.rate_mismatch.step),
       std::to_string(q.accel_mismatch.step), figure("%.1g", q.rate_mismatch.difference_error),
       figure("%.1g", q.accel_mismatch.difference_error)});
}

}  // namespace kinelab
