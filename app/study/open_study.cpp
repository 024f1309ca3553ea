#include "app/study/open_study.h"

#include <algorithm>
#include <cmath>

#include "app/window/settings.h"
#include "app/window/sim_window.h"
#include "core/angles.h"
#include "core/number_text.h"

namespace kinelab {

namespace {

using section = study::control_value::section;

// The option index of a profile's name; −1 when the window has none of that name.
int option_of(const sim_window& w, const std::string& profile) {
  for (std::size_t k = 0; k < w.ctl.option_captions.size(); ++k)
    if (profile == to_string(profile_from_option(static_cast<int>(k)))) return static_cast<int>(k);
  return -1;
}

bool is_time_slider(const sim_window& w, const std::string& group) {
  return group == w.decl().style.time_slider;
}

// Fields the study sets: not the step readout, which shows the step of a Run; not a disabled
// field, which the check found to hold the study's text already.
bool settable_field(const sim_window& w, const control_address& a) {
  return a.name != w.decl().style.step_readout &&
         w.ctl.find_texts(a.name)->fields[static_cast<std::size_t>(a.index)].enabled;
}

void check_control(const study& s, const sim_window& w, const study::control_value& c) {
  const study::origin at{c.line, c.address};
  auto fail = [&](message_id problem, std::initializer_list<std::string_view> arguments = {}) {
    throw study_error(s.message(at, problem, arguments));
  };
  const auto a = parse_address(c.address);
  if (!a) fail(message_id::study_not_a_control);
  const text_group* texts = w.ctl.find_texts(a->name);
  const slider_group* sliders = w.ctl.find_sliders(a->name);
  if (!texts && !sliders) fail(message_id::study_no_such_control, {w.name()});
  if (texts && c.kind == section::slider) fail(message_id::study_field_not_slider);
  if (sliders && c.kind == section::field) fail(message_id::study_slider_not_field);
  const bool indexed = texts ? texts->indexed : sliders->indexed;
  const std::size_t count = texts ? texts->fields.size() : sliders->sliders.size();
  if (indexed != a->has_index || a->index < 0 || static_cast<std::size_t>(a->index) >= count)
    fail(message_id::study_no_such_element,
         {w.name(), indexed ? a->name + "(0.." + std::to_string(count - 1) + ")" : a->name});
  const auto k = static_cast<std::size_t>(a->index);

  if (texts) {
    const text_field& f = texts->fields[k];
    if (!parse_number(c.value)) fail(message_id::study_value_not_a_number, {c.value});
    if (!f.enabled && c.value != f.text) fail(message_id::study_fixed_at, {f.text, w.name()});
    return;
  }
  const slider& sl = sliders->sliders[k];
  const auto v = parse_whole(c.value);
  if (!v) fail(message_id::study_slider_not_whole, {c.value});
  // The time slider runs over the steps of the study's N.
  const long long lo = is_time_slider(w, a->name) ? 0 : sl.min;
  const long long hi = is_time_slider(w, a->name) ? s.N : sl.max;
  if (*v < lo || *v > hi)
    fail(message_id::study_outside_range, {c.value, std::to_string(lo), std::to_string(hi)});
  if (!sl.enabled && *v != sl.value)
    fail(message_id::study_fixed_at, {std::to_string(sl.value), w.name()});
}

}  // namespace

void check_study(const study& s, const sim_window& w) {
  // Named by their titles, as the windows show them; by their names where the study gives no
  // title of its own (an edited file that still carries this window's).
  if (s.window != w.name()) {
    const bool titled = !s.title.empty() && s.title != w.title();
    throw study_error(s.message(s.window_at, message_id::study_of_another_window,
                                {titled ? s.title : s.window, titled ? w.title() : w.name()}));
  }
  run_settings probe;
  if (auto problem = apply_settings("1", std::to_string(s.N), probe, s.language))
    throw study_error(s.message(s.N_at, *problem));
  if (auto problem = apply_settings(format_number(s.T), "1", probe, s.language))
    throw study_error(s.message(s.T_at, *problem));
  if (!s.profile.empty() && option_of(w, s.profile) < 0)
    throw study_error(
        s.message(s.profile_at, message_id::study_not_a_profile, {s.profile, w.name()}));
  for (const study::control_value& c : s.controls) check_control(s, w, c);
  if (s.start_pose) {
    const std::optional<solver_start> own = w.logic().start_pose();
    const std::size_t count = own ? own->values.size() : 0;
    const auto& v = s.start_pose->values;
    const auto& b = s.start_pose->fallback;
    const auto finite = [](double x) { return std::isfinite(x); };
    if (v.size() != count || !std::all_of(v.begin(), v.end(), finite) ||
        (!b.empty() && b.size() != count) || !std::all_of(b.begin(), b.end(), finite))
      throw study_error(
          s.message(s.start_pose_at, message_id::study_start_pose, {std::to_string(count)}));
  }
}

void open_study(const study& s, sim_window& w) {
  check_study(s, w);

  w.settings.N = s.N;
  w.settings.T = s.T;
  if (s.view_x_deg && s.view_y_deg && s.view_z_deg) {
    w.view_rot_x = rad(*s.view_x_deg);
    w.view_rot_y = rad(*s.view_y_deg);
    w.view_rot_z = rad(*s.view_z_deg);
  }
  if (!s.profile.empty()) w.select_option(option_of(w, s.profile));

  std::vector<std::pair<control_address, const study::control_value*>> fields, pose_sliders;
  for (const study::control_value& c : s.controls) {
    const control_address a = *parse_address(c.address);
    if (w.ctl.find_texts(a.name)) {
      if (settable_field(w, a)) fields.emplace_back(a, &c);
    } else if (!is_time_slider(w, a.name)) {
      pose_sliders.emplace_back(a, &c);
    }
  }
  for (const auto& [a, c] : fields) w.set_text(c->address, c->value);

  // A user moves only the sliders that stand elsewhere; each move computes the static pose,
  // which a Newton–Raphson window starts from the pose before. In index order, whatever the
  // order of the file.
  std::stable_sort(pose_sliders.begin(), pose_sliders.end(),
                   [](const auto& x, const auto& y) { return x.first.index < y.first.index; });
  bool moved = false;
  for (const auto& [a, c] : pose_sliders) {
    const slider& sl = w.ctl.slider_at(a.name, a.index);
    const long long v = *parse_whole(c->value);
    if (!sl.enabled || v == sl.value) continue;
    w.set_slider(c->address, v);
    moved = true;
  }
  if (s.start_pose) {
    // The study's branch: its static pose from the pose it was saved with, which also stays the
    // start of its Run whatever that static pose did.
    const solver_start start{s.start_pose->values, s.start_pose->converged, s.start_pose->fallback};
    w.logic().set_start_pose(start);
    w.static_pose();
    w.logic().set_start_pose(start);
  } else if (!moved) {
    // The fields changed without a slider move: the static pose of the study, computed once.
    w.static_pose();
  }

  bool retyped = false;
  for (const auto& [a, c] : fields)
    if (w.ctl.field(a.name, a.index).text != c->value) {
      w.set_text(c->address, c->value);
      retyped = true;
    }
  // Typing again put back the study's readouts too; they show the static pose (step 0).
  if (retyped) w.logic().fill_readouts(w, 0);
}

int profile_option(const sim_window& w, const std::string& profile) {
  return option_of(w, profile);
}

}  // namespace kinelab
