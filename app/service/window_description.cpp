#include "app/service/window_description.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "app/text/caption_english.h"
#include "core/profiles.h"

namespace kinelab {

namespace {

std::string trimmed_lower(const std::string& s) {
  const auto b = s.find_first_not_of(" =");
  const auto e = s.find_last_not_of(" =");
  std::string out = b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A caption that names an angle (the fields hold angles in degrees): a posture angle, or a
// joint angle the1, the2, … of a serial arm.
bool names_angle(const std::string& caption, bool serial) {
  static const std::set<std::string> angles = {"alfa",  "alpha", "beta", "ganma",
                                               "gamma", "α",     "β",    "γ"};
  const std::string c = trimmed_lower(caption);
  if (angles.count(c) || c.find("(deg)") != std::string::npos) return true;
  // "α1", "γ1,γ3": the angles of a joint.
  for (const char* greek : {"α", "β", "γ"})
    if (c.rfind(greek, 0) == 0) return true;
  return serial && c.size() > 3 && c.compare(0, 3, "the") == 0 &&
         std::all_of(c.begin() + 3, c.end(), [](char d) { return std::isdigit(d); });
}

bool is_tolerance(const text_field& f) {
  return f.caption == "許容誤差" || f.caption == "変位誤差";
}

// A caption in Japanese as a label shows it: without the quotes a message puts around it.
std::string unquoted(std::string c) {
  const std::string open = "「", close = "」";
  if (c.size() > open.size() + close.size() && c.rfind(open, 0) == 0 &&
      c.compare(c.size() - close.size(), close.size(), close) == 0)
    c = c.substr(open.size(), c.size() - open.size() - close.size());
  return c;
}

const char* role_meaning(control_role r) {
  switch (r) {
    case control_role::geometry:
      return "A dimension or angle of the mechanism, read at every static pose and Run.";
    case control_role::start:
      return "The driven quantity at the start of a Run (step 0).";
    case control_role::stop:
      return "The driven quantity at the end of a Run (step N).";
    case control_role::tolerance:
      return "Where a Newton-Raphson solve stops: the largest residual it may leave, in the "
             "unit of what it compares; 0 takes every correction the solver allows.";
    case control_role::readout:
      return "Shown by the window for the step on display; what is typed is overwritten.";
    case control_role::slider:
      return "Moves the start of its row and computes the static pose there; it writes the "
             "start field.";
    case control_role::time_slider:
      return "The step on display, from 0 to N of the last Run.";
    case control_role::profile:
      return "The motion profile of a Run, by choice: 0 quintic, 1 cubic, 2 constant velocity.";
  }
  return "";
}

}  // namespace

const char* to_string(control_role r) {
  switch (r) {
    case control_role::geometry:
      return "geometry";
    case control_role::start:
      return "start";
    case control_role::stop:
      return "stop";
    case control_role::tolerance:
      return "tolerance";
    case control_role::readout:
      return "readout";
    case control_role::slider:
      return "slider";
    case control_role::time_slider:
      return "time slider";
    case control_role::profile:
      return "profile";
  }
  return "";
}

std::optional<std::string> tolerance_control(const sim_window& w) {
  for (const text_group& g : w.ctl.texts)
    for (std::size_t k = 0; k < g.fields.size(); ++k)
      if (is_tolerance(g.fields[k])) return address_text(g.name, static_cast<int>(k), g.indexed);
  return std::nullopt;
}

std::vector<control_description> control_descriptions(const sim_window& w) {
  const window_style& style = w.decl().style;
  // The serial arms are driven by joint angles the1, the2, …; elsewhere "the" names a leg.
  const bool serial = !style.parallel_drawing;
  std::vector<control_description> out;
  std::set<std::string> seen;
  // The fields a pose slider writes: the start fields of the rows that hold one.
  std::set<std::string> rewritten;
  for (const control_grid& g : w.layout())
    for (const std::vector<grid_cell>& row : g.rows) {
      const bool has_slider = std::any_of(row.begin(), row.end(), [&](const grid_cell& c) {
        return c.what == grid_cell::kind::slider && c.control == style.pose_sliders;
      });
      if (!has_slider) continue;
      for (const grid_cell& c : row)
        if (c.what == grid_cell::kind::field)
          rewritten.insert(c.control + "#" + std::to_string(c.index));
    }

  const auto describe_field = [&](const text_group& g, int k) {
    const text_field& f = g.fields[static_cast<std::size_t>(k)];
    control_description d;
    d.address = address_text(g.name, k, g.indexed);
    d.caption = shown_name(w, d.address, ui_language::english, english_caption);
    d.caption_japanese = unquoted(shown_name(w, d.address, ui_language::japanese, {}));
    if (g.name == style.step_readout) {
      d.role = control_role::readout;
      d.unit = "step";
      d.meaning = "The step on display.";
      return d;
    }
    d.role = f.readout                                              ? control_role::readout
             : is_tolerance(f)                                      ? control_role::tolerance
             : f.caption_part == "start"                            ? control_role::start
             : f.caption_part == "stop" || f.caption_part == "Stop" ? control_role::stop
                                                                    : control_role::geometry;
    if (d.role == control_role::tolerance) {
      d.min = 0;
    } else {
      const bool angle = names_angle(f.caption_part.empty() ? f.caption : f.caption_part, serial) ||
                         names_angle(f.caption_whole, serial);
      d.unit = angle ? "deg" : "length";
    }
    d.slider_rewrites = rewritten.count(g.name + "#" + std::to_string(k)) > 0;
    d.meaning = role_meaning(d.role);
    return d;
  };
  const auto describe_slider = [&](const slider_group& g, int k) {
    const slider& s = g.sliders[static_cast<std::size_t>(k)];
    control_description d;
    d.address = address_text(g.name, k, g.indexed);
    d.caption = shown_name(w, d.address, ui_language::english, english_caption);
    d.caption_japanese = unquoted(shown_name(w, d.address, ui_language::japanese, {}));
    d.role = g.name == style.time_slider ? control_role::time_slider : control_role::slider;
    if (d.role == control_role::time_slider) {
      d.caption = "time slider";
      d.caption_japanese = "時間スライダー";
      d.unit = "step";
    }
    d.min = s.min;
    d.max = s.max;
    d.meaning = role_meaning(d.role);
    return d;
  };

  const auto add = [&](const std::string& name, int index) {
    if (!seen.insert(name + "#" + std::to_string(index)).second) return;
    if (const text_group* t = w.ctl.find_texts(name);
        t && index >= 0 && index < static_cast<int>(t->fields.size()))
      out.push_back(describe_field(*t, index));
    else if (const slider_group* s = w.ctl.find_sliders(name);
             s && index >= 0 && index < static_cast<int>(s->sliders.size()))
      out.push_back(describe_slider(*s, index));
  };
  for (const control_grid& g : w.layout())
    for (const std::vector<grid_cell>& row : g.rows)
      for (const grid_cell& c : row)
        if (c.what == grid_cell::kind::field || c.what == grid_cell::kind::slider)
          add(c.control, c.index);
  // Controls the grids do not show.
  for (const text_group& g : w.ctl.texts)
    for (std::size_t k = 0; k < g.fields.size(); ++k) add(g.name, static_cast<int>(k));
  for (const slider_group& g : w.ctl.sliders)
    for (std::size_t k = 0; k < g.sliders.size(); ++k) add(g.name, static_cast<int>(k));
  if (!w.ctl.option_captions.empty()) {
    control_description d;
    d.address = "Option1";
    d.caption = "profile";
    d.caption_japanese = "プロファイル";
    d.role = control_role::profile;
    d.min = 0;
    d.max = static_cast<double>(w.ctl.option_captions.size()) - 1;
    d.meaning = role_meaning(d.role);
    out.push_back(d);
  }
  return out;
}

}  // namespace kinelab
