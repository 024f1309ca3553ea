#include "app/atlas/atlas_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/angles.h"

namespace kinelab {

namespace {

// Page layout in millimetres.
constexpr double left_margin = 16, right_margin = 30, top_margin = 9, bottom_margin = 13;
constexpr double legend_gap = 5, legend_width = 5;
// Shades of the colour scale: neighbouring cells within one shade are drawn as one rectangle.
constexpr int shades = 64;
// log10 of the condition number the diagnostics draw up to (1/ε).
constexpr double log_condition_cap = 16;
const rgb not_reachable{232, 232, 232};
const rgb not_sampled{190, 180, 165};  // a sampled atlas's cell no sample fell in
const rgb locus{220, 20, 20};
// A perceptually even violet–blue–green–yellow scale (after matplotlib's viridis), high to low.
const rgb scale_stops[] = {
    {253, 231, 37}, {94, 201, 98}, {33, 145, 140}, {59, 82, 139}, {68, 1, 84}};

std::string short_number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", std::fabs(v) < 1e-12 ? 0.0 : v);
  return text;
}

// A tick step of 1, 2 or 5 times a power of ten, about a fifth of the span.
double tick_step(double span) {
  const double raw = span / 5;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * p >= raw) return m * p;
  return 10 * p;
}

void print_at(surface& s, double x, double y, const std::string& text) {
  s.MoveTo(x, y);
  s.Print(text);
}

// Text of several lines ('\n' between them) from (x, y) down; how far down it reached.
double print_lines(surface& s, double x, double y, const std::string& text) {
  constexpr double line_height = 3.5;
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = text.find('\n', from);
    print_at(s, x, y, text.substr(from, end - from));
    y += line_height;
    if (end == std::string::npos) return y;
    from = end + 1;
  }
}

}  // namespace

rgb condition_colour(double t, double t_lo, double t_hi) {
  double f = t_hi > t_lo ? (t - t_lo) / (t_hi - t_lo) : 0;
  f = std::clamp(f, 0.0, 1.0) * (std::size(scale_stops) - 1);
  const auto k = std::min(static_cast<std::size_t>(f), std::size(scale_stops) - 2);
  const double a = f - static_cast<double>(k);
  const rgb& p = scale_stops[k];
  const rgb& q = scale_stops[k + 1];
  auto mix = [a](std::uint8_t x, std::uint8_t y) {
    return static_cast<std::uint8_t>(std::lround(x + a * (y - x)));
  };
  return {mix(p.r, q.r), mix(p.g, q.g), mix(p.b, q.b)};
}

void draw_atlas(surface& s, const atlas_source& source, const atlas_grid& g, int k,
                ui_language lang, const caption_translator& translate) {
  s.Cls();
  s.DrawWidth(1);
  s.DrawStyle(0);
  const double W = s.ScaleWidth(), H = s.ScaleHeight();
  const double side =
      std::max(10.0, std::min(W - left_margin - right_margin, H - top_margin - bottom_margin));
  const double x0 = left_margin, y0 = top_margin;  // the plot's top-left corner
  const double su = side / (g.du * g.nu), sv = side / (g.dv * g.nv);
  auto px = [&](double u) { return x0 + (u - g.u0) * su; };
  auto py = [&](double v) { return y0 + side - (v - g.v0) * sv; };

  // The scale spans the reachable cells' log10 condition, capped where the diagnostics cap it.
  double t_lo = HUGE_VAL, t_hi = -HUGE_VAL;
  for (std::size_t c = 0; c < g.state.size(); ++c)
    if (g.state[c] == cell_state::reachable) {
      const double t = std::min(std::log10(g.condition[c]), log_condition_cap);
      t_lo = std::min(t_lo, t), t_hi = std::max(t_hi, t);
    }
  const bool any = t_lo <= t_hi;
  if (!any) t_lo = 0, t_hi = 1;
  // The scale spans at least 1 % of the condition number, so that its ticks stay readable.
  const double c_lo = std::pow(10.0, t_lo), c_hi = std::pow(10.0, t_hi);
  constexpr double least_span = 0.00432;  // log10(1.01)
  if (t_hi - t_lo < least_span) {
    const double mid = (t_lo + t_hi) / 2;
    t_lo = mid - least_span / 2, t_hi = mid + least_span / 2;
  }

  // The unreachable background, then one rectangle per run of reachable cells of one shade
  // (and of cells without a sample).
  s.FillRect(x0, y0, side, side, not_reachable);
  constexpr int shade_not_sampled = shades;
  const double cell_w = g.du * su, cell_h = g.dv * sv;
  for (int j = 0; j < g.nv; ++j) {
    const double top = py(g.v0 + (j + 1) * g.dv);
    int run_start = 0, run_shade = -2;
    auto flush = [&](int end) {
      if (run_shade < 0) return;
      const rgb colour =
          run_shade == shade_not_sampled
              ? not_sampled
              : condition_colour(t_lo + (run_shade + 0.5) * (t_hi - t_lo) / shades, t_lo, t_hi);
      s.FillRect(px(g.u0 + run_start * g.du), top, (end - run_start) * cell_w, cell_h, colour);
    };
    for (int i = 0; i < g.nu; ++i) {
      const std::size_t c = g.index(i, j, k);
      int shade = -1;
      if (g.state[c] == cell_state::reachable) {
        const double t = std::min(std::log10(g.condition[c]), log_condition_cap);
        shade = std::clamp(static_cast<int>((t - t_lo) / (t_hi - t_lo) * shades), 0, shades - 1);
      } else if (g.state[c] == cell_state::not_sampled) {
        shade = shade_not_sampled;
      }
      if (shade != run_shade) {
        flush(i);
        run_start = i;
        run_shade = shade;
      }
    }
    flush(g.nu);
  }
  // The singularity locus over the shades.
  for (int j = 0; j < g.nv; ++j)
    for (int i = 0; i < g.nu; ++i)
      if (g.singular[g.index(i, j, k)])
        s.FillRect(px(g.u0 + i * g.du), py(g.v0 + (j + 1) * g.dv), cell_w, cell_h, locus);

  // A posture's angles are singular themselves at β = ±90° (α and γ turn about one axis
  // there): dashed lines mark those rows, whatever the mechanism does.
  const bool posture = g.mode == atlas_mode::posture;
  bool angle_singular = false;
  if (posture && g.plane != atlas_plane::xz) {
    const bool beta_is_u = g.plane == atlas_plane::yz;
    const double lo = beta_is_u ? g.u0 : g.v0;
    const double hi = lo + (beta_is_u ? g.nu * g.du : g.nv * g.dv);
    s.DrawStyle(2);
    for (double b = std::ceil((lo - 90) / 180) * 180 + 90; b <= hi; b += 180) {
      if (b < lo) continue;
      angle_singular = true;
      if (beta_is_u)
        s.Line(px(b), y0, px(b), y0 + side, 0);
      else
        s.Line(x0, py(b), x0 + side, py(b), 0);
    }
    s.DrawStyle(0);
  }

  // Frame and axes with ticks.
  s.Line(x0, y0, x0 + side, y0, 0);
  s.Line(x0 + side, y0, x0 + side, y0 + side, 0);
  s.Line(x0 + side, y0 + side, x0, y0 + side, 0);
  s.Line(x0, y0 + side, x0, y0, 0);
  const double u1 = g.u0 + g.nu * g.du, v1 = g.v0 + g.nv * g.dv;
  const double tu = tick_step(u1 - g.u0), tv = tick_step(v1 - g.v0);
  for (double u = std::ceil(g.u0 / tu) * tu; u <= u1 + 1e-9 * tu; u += tu) {
    s.Line(px(u), y0 + side, px(u), y0 + side + 1.5, 0);
    print_at(s, px(u) - 3, y0 + side + 2, short_number(u));
  }
  for (double v = std::ceil(g.v0 / tv) * tv; v <= v1 + 1e-9 * tv; v += tv) {
    s.Line(x0 - 1.5, py(v), x0, py(v), 0);
    print_at(s, 1, py(v) - 1.5, short_number(v));
  }
  const std::string unit = posture ? " [deg]" : "";
  print_at(s, x0 + side / 2, y0 + side + 7, atlas_axis_name(g.mode, g.plane, 0) + unit);
  print_at(s, 1, y0 - 6, atlas_axis_name(g.mode, g.plane, 1) + unit);

  // The Run's path and the current pose, in the plane's coordinates.
  auto plane_point = [&](std::size_t step, double& u, double& v) {
    if (posture) {
      const std::vector<double>& q = source.pose_path[step];
      const std::size_t base = source.mechanism.position_free() ? 3 : 0;
      const int axis[3][2] = {{0, 1}, {0, 2}, {1, 2}};
      u = deg(q[base + static_cast<std::size_t>(axis[static_cast<int>(g.plane)][0])]);
      v = deg(q[base + static_cast<std::size_t>(axis[static_cast<int>(g.plane)][1])]);
    } else {
      const int axis[3][2] = {{0, 1}, {0, 2}, {1, 2}};
      const auto& p = source.path[step];
      u = p[static_cast<std::size_t>(axis[static_cast<int>(g.plane)][0])];
      v = p[static_cast<std::size_t>(axis[static_cast<int>(g.plane)][1])];
    }
  };
  const std::size_t steps = posture ? source.pose_path.size() : source.path.size();
  // The path is drawn where it crosses the slice (or the layer shown): between two steps on
  // either side of it, or at a step within it.
  auto across = [&](std::size_t step) {
    const int w_axis[3] = {2, 1, 0};
    const std::size_t w = static_cast<std::size_t>(w_axis[static_cast<int>(g.plane)]);
    if (!posture) return source.path[step][w];
    const std::size_t base = source.mechanism.position_free() ? 3 : 0;
    return deg(source.pose_path[step][base + w]);
  };
  const double layer_lo = g.w0 + (g.nw > 1 ? std::max(k, 0) * g.dw : 0);
  const double layer_hi = layer_lo + g.dw;
  const double slack = 1e-9 * std::max({1.0, std::fabs(layer_lo), std::fabs(layer_hi)});
  bool path_crosses = false;
  for (std::size_t i = 0; i < steps && !path_crosses; ++i) {
    const double a = across(i), b = across(i + 1 < steps ? i + 1 : i);
    path_crosses = std::min(a, b) <= layer_hi + slack && std::max(a, b) >= layer_lo - slack;
  }
  s.DrawWidth(2);
  for (std::size_t i = 1; path_crosses && i < steps; ++i) {
    double ua, va, ub, vb;
    plane_point(i - 1, ua, va);
    plane_point(i, ub, vb);
    s.Line(px(ua), py(va), px(ub), py(vb), 1);
  }
  if (steps > 0) {
    double u, v;
    plane_point(0, u, v);
    s.Circle(px(u), py(v), 1.6, 0);
    s.Line(px(u) - 2.4, py(v), px(u) + 2.4, py(v), 0);
    s.Line(px(u), py(v) - 2.4, px(u), py(v) + 2.4, 0);
  }
  s.DrawWidth(1);

  // The colour scale and the key.
  const double lx = x0 + side + legend_gap, ly = y0, lh = side * 0.6;
  const int bands = 48;
  for (int b = 0; b < bands; ++b) {
    const double t = t_hi - (b + 0.5) * (t_hi - t_lo) / bands;
    s.FillRect(lx, ly + b * lh / bands, legend_width, lh / bands + 0.05,
               condition_colour(t, t_lo, t_hi));
  }
  s.Line(lx, ly, lx + legend_width, ly, 0);
  s.Line(lx + legend_width, ly, lx + legend_width, ly + lh, 0);
  s.Line(lx + legend_width, ly + lh, lx, ly + lh, 0);
  s.Line(lx, ly + lh, lx, ly, 0);
  print_at(s, lx, ly - 6, message(lang, message_id::atlas_key_condition));
  double key_y = ly + lh + 4;
  if (any) {
    // Round ticks: 1, 2 or 5 times a power of ten apart, with the decimals that step needs.
    const double step = tick_step(t_hi - t_lo);
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    for (double t = std::ceil(t_lo / step - 1e-9) * step; t <= t_hi + 1e-9 * step; t += step) {
      const double y = ly + (t_hi - t) / (t_hi - t_lo) * lh;
      s.Line(lx + legend_width, y, lx + legend_width + 1, y, 0);
      char label[32];
      std::snprintf(label, sizeof label, "%.*f", decimals, std::fabs(t) < step / 2 ? 0.0 : t);
      print_at(s, lx + legend_width + 1.5, y - 1.5, label);
    }
    // A scale stretched over less than a factor of 2 says so.
    if (c_hi < 2 * c_lo) {
      key_y = print_lines(s, lx, key_y - 1,
                          message(lang, message_id::atlas_key_narrow,
                                  {short_number(c_lo), short_number(c_hi)})) +
              1.5;
    }
  }
  s.FillRect(lx, key_y, legend_width, 3, locus);
  print_at(s, lx + legend_width + 1, key_y - 0.5, message(lang, message_id::atlas_key_singular));
  key_y += 5;
  s.FillRect(lx, key_y, legend_width, 3, not_reachable);
  print_at(s, lx + legend_width + 1, key_y - 0.5, message(lang, message_id::atlas_key_unreachable));
  key_y += 5;
  if (g.kind == atlas_kind::sampled) {
    s.FillRect(lx, key_y, legend_width, 3, not_sampled);
    print_at(s, lx + legend_width + 1, key_y - 0.5,
             message(lang, message_id::atlas_key_not_sampled));
    key_y += 5;
  }
  if (angle_singular) {
    s.DrawStyle(2);
    s.Line(lx, key_y + 1.5, lx + legend_width, key_y + 1.5, 0);
    s.DrawStyle(0);
    key_y = print_lines(s, lx + legend_width + 1, key_y - 0.5,
                        message(lang, message_id::atlas_key_angle_singular)) +
            1.5;
  }
  if (path_crosses) {
    s.DrawWidth(2);
    s.Line(lx, key_y + 1.5, lx + legend_width, key_y + 1.5, 1);
    s.DrawWidth(1);
    print_at(s, lx + legend_width + 1, key_y - 0.5, message(lang, message_id::atlas_key_run_path));
  }

  // Title: the window, the slice and its offset.
  const auto caption = [&](const std::string& c) { return translate ? translate(c) : c; };
  std::string title =
      message(lang, message_id::atlas_title,
              {caption("作業領域"), caption(source.title), to_string(g.plane),
               message(lang, posture ? message_id::atlas_posture : message_id::atlas_position)});
  if (g.nw == 1 || k >= 0)
    title +=
        message(lang, message_id::atlas_title_offset,
                {atlas_axis_name(g.mode, g.plane, 2),
                 short_number(g.nw == 1 && g.kind == atlas_kind::platform ? g.w0 : g.w_at(k))});
  print_at(s, x0, 1, title);
}

}  // namespace kinelab
