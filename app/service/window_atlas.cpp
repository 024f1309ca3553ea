#include "app/service/window_atlas.h"

#include <charconv>
#include <cstdio>

#include "app/atlas/atlas_picture.h"
#include "app/text/messages.h"
#include "app/window/sim_window.h"
#include "core/angles.h"
#include "core/number_text.h"

namespace kinelab {

namespace {

std::optional<long long> whole(const std::string& s) {
  long long v = 0;
  const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

std::optional<atlas_limit> range_of(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const auto lo = parse_number(text.substr(0, colon)), hi = parse_number(text.substr(colon + 1));
  if (!lo || !hi) return std::nullopt;
  return atlas_limit{*lo, *hi};
}

}  // namespace

bool is_workspace_option(const std::string& name) {
  for (const char* o :
       {"--mode", "--plane", "--offset", "--cells", "--depth", "--limits", "--samples", "--locus"})
    if (name == o) return true;
  return false;
}

std::optional<std::string> read_workspace_option(const std::string& name, const std::string& value,
                                                 workspace_options& o) {
  atlas_request& r = o.request;
  if (name == "--mode") {
    const auto m = atlas_mode_from(value);
    if (!m) return "--mode takes position or posture";
    r.mode = *m;
    o.mode_given = true;
  } else if (name == "--plane") {
    const auto p = atlas_plane_from(value);
    if (!p) return "--plane takes xy, xz or yz";
    r.plane = *p;
  } else if (name == "--offset") {
    const auto v = parse_number(value);
    if (!v) return "--offset takes a number";
    r.offset = *v;
  } else if (name == "--cells" || name == "--depth") {
    const auto v = whole(value);
    if (!v || *v < 1 || *v > 1'000'000) return name + " takes a whole number from 1 to 1000000";
    (name == "--cells" ? r.cells : r.depth) = static_cast<int>(*v);
  } else if (name == "--samples") {
    const auto v = whole(value);
    if (!v || *v < 1) return "--samples takes a positive whole number";
    r.samples = *v;
  } else if (name == "--locus") {
    const auto v = parse_number(value);
    if (!v || *v < 0 || *v > 1) return "--locus takes a fraction from 0 to 1";
    r.singular_fraction = *v;
  } else if (name == "--limits") {
    o.limits.clear();
    std::size_t start = 0;
    while (start <= value.size()) {
      const auto comma = value.find(',', start);
      const auto l = range_of(value.substr(start, comma - start));
      if (!l) return "--limits takes LO:HI ranges separated by commas: " + value;
      o.limits.push_back(*l);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  } else {
    return "unknown option of --workspace: " + name;
  }
  return std::nullopt;
}

bool posture_only(const atlas_source& src) {
  return src.mechanism.kind == atlas_kind::platform && !src.mechanism.position_free();
}

double shown_limit_scale(const atlas_source& src, std::size_t k) {
  return src.mechanism.actuators[k].angle ? 180 / pi : 1;
}

std::optional<std::string> resolve_request(const atlas_source& src, const workspace_options& o,
                                           atlas_request& r, ui_language lang) {
  r = o.request;
  if (!o.mode_given && posture_only(src)) r.mode = atlas_mode::posture;
  if (o.limits.empty()) return std::nullopt;
  const std::size_t n = src.mechanism.actuators.size();
  if (o.limits.size() != 1 && o.limits.size() != n)
    return message(lang, message_id::atlas_limits_one_or_each,
                   {std::to_string(n), std::to_string(o.limits.size())});
  for (std::size_t k = 0; k < n; ++k) {
    const atlas_limit l = o.limits[o.limits.size() == 1 ? 0 : k];
    const double scale = src.mechanism.actuators[k].angle ? pi / 180 : 1;
    r.limits.push_back({l.lo * scale, l.hi * scale});
  }
  return std::nullopt;
}

workspace_outcome run_workspace(sim_window& w, const workspace_options& o, std::ostream& out) {
  workspace_outcome result;
  w.stop();
  atlas_source_result s = atlas_source_of(w);
  if (!s.source) {
    result.problem = s.problem;
    return result;
  }
  const atlas_source& src = *s.source;
  atlas_request r;
  if (auto problem = resolve_request(src, o, r)) {
    result.problem = *problem;
    result.usage = true;
    return result;
  }
  const std::size_t n = src.mechanism.actuators.size();
  atlas_result a = compute_atlas(src, r);
  if (!a.grid) {
    result.problem = a.problem;
    result.usage = true;
    return result;
  }
  out << "workspace atlas of " << src.window << ": " << to_string(a.grid->mode) << ", plane "
      << to_string(a.grid->plane) << "; limits";
  for (std::size_t k = 0; k < n; ++k) {
    const double scale = shown_limit_scale(src, k);
    char range[64];
    std::snprintf(range, sizeof range, "%.6g..%.6g", a.grid->limits[k].lo * scale,
                  a.grid->limits[k].hi * scale);
    out << (k ? ", " : " ") << src.actuator_names[k] << " " << range;
  }
  out << "\n" << describe_atlas(*a.grid) << "\n";
  draw_atlas(*w.picture(), src, *a.grid, 0);
  result.source = std::move(s.source);
  result.grid = std::move(a.grid);
  return result;
}

}  // namespace kinelab
