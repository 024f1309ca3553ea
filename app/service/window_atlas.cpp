#include "app/service/window_atlas.h"

#include <cstdio>

#include "app/atlas/atlas_picture.h"
#include "app/text/messages.h"
#include "app/window/sim_window.h"
#include "core/angles.h"

namespace kinelab {

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

std::string atlas_status(const atlas_source& src, const atlas_grid& g, ui_language lang) {
  const std::string summary = describe_atlas(g, lang);
  return src.pose_status.empty() ? summary : src.pose_status + report_separator(lang) + summary;
}

workspace_outcome run_workspace(sim_window& w, const workspace_options& o, std::ostream& out) {
  workspace_outcome result;
  w.stop();
  atlas_source_result s = atlas_source_of(w);
  if (!s.source) {
    result.problem = s.problem;
    result.interrupted = w.run_interrupted();
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
  cancellation cancel(w.cancel_requested, w.cancel_interval);
  if (w.cancel_requested) r.cancel = &cancel;
  atlas_result a = compute_atlas(src, r);
  if (!a.grid) {
    result.problem = a.problem;
    result.interrupted = r.cancel && cancel.requested();
    result.usage = !result.interrupted;
    return result;
  }
  out << "workspace atlas of " << src.window << ": " << to_string(a.grid->mode) << ", plane "
      << to_string(a.grid->plane) << "; limits";
  for (std::size_t k = 0; k < n; ++k) {
    const double scale = shown_limit_scale(src, k);
    char range[64];
    std::snprintf(range, sizeof range, "%.6g..%.6g", a.grid->limits[k].lo * scale,
                  a.grid->limits[k].hi * scale);
    out << (k ? ", " : " ") << src.actuator_captions[k] << " " << range;
  }
  out << "\n" << describe_atlas(*a.grid) << "\n";
  draw_atlas(*w.picture(), src, *a.grid, 0);
  result.source = std::move(s.source);
  result.grid = std::move(a.grid);
  return result;
}

}  // namespace kinelab
