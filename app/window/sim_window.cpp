#include "app/window/sim_window.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>
#include <tbb/task_group.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "app/io/file_writer.h"
#include "app/io/result_file.h"
#include "app/run/derivative_check.h"
#include "app/run/solver_report.h"
#include "app/text/messages.h"
#include "core/angles.h"
#include "core/cancellation.h"
#include "core/number_text.h"
#include "core/posture.h"
#include "draw/graphs.h"
#include "draw/view.h"

namespace kinelab {

namespace {
// How often a Run reports its progress: often enough for a smooth bar, rarely enough to cost
// nothing beside the steps themselves.
constexpr int progress_interval_steps = 256;

// The pointer turns the view by one degree per event, wrapped into [−π, π].
void turn_one_degree(double& angle, bool positive) {
  angle += positive ? rad(1) : -rad(1);
  if (angle > pi) angle -= two_pi;
  if (angle < -pi) angle += two_pi;
}
}  // namespace

solver_start platform_start(const warm_start<pose>& w) {
  const kin_state& p = w.value.position;
  const kin_state& s = w.value.posture;
  solver_start start{{p.x, p.y, p.z, s.x, s.y, s.z}, w.solved, {}};
  if (w.behind) {
    const kin_state& cp = w.converged.position;
    const kin_state& cs = w.converged.posture;
    start.fallback = {cp.x, cp.y, cp.z, cs.x, cs.y, cs.z};
  }
  return start;
}

void set_platform_start(warm_start<pose>& w, const solver_start& s) {
  pose start;
  kin_state& p = start.position;
  kin_state& a = start.posture;
  const std::vector<double>& v = s.values;
  p.x = v.at(0), p.y = v.at(1), p.z = v.at(2), a.x = v.at(3), a.y = v.at(4), a.z = v.at(5);
  w.set(start, s.solved);
  if (s.fallback.size() == v.size()) {
    pose f;
    const std::vector<double>& b = s.fallback;
    f.position.x = b[0], f.position.y = b[1], f.position.z = b[2];
    f.posture.x = b[3], f.posture.y = b[4], f.posture.z = b[5];
    w.set_fallback(f);
  }
}

sim_window::sim_window(const window_decl& decl, run_settings s)
    : decl_(decl), logic_(decl.make_logic()) {
  ctl = decl.initial;
  settings = std::move(s);
}

view_params sim_window::view() const {
  // A window that sizes its view from a denormal length gets an infinite scale, which would
  // leave no line with finite ends: the view then falls back to one unit of draw size.
  const double fallback = std::min(picture_.ScaleWidth(), picture_.ScaleHeight()) / 2;
  const bool usable = std::isfinite(draw_scale) && draw_scale > 0;
  return {rotation_matrix(view_rot_x, view_rot_y, view_rot_z), usable ? draw_scale : fallback};
}

void sim_window::set_draw_size(double L) {
  // An all-zero geometry has no size; fall back to one unit rather than an infinite scale.
  draw_size = (std::isfinite(L) && L > 0) ? L : 1;
  draw_scale = std::min(picture_.ScaleWidth(), picture_.ScaleHeight()) / (2 * draw_size);
  width_scale_divisor_ = 0;
}

void sim_window::set_width_scale(double L, double divisor) {
  // A length of 0 (or an overflowing one) falls back to one unit, and a negative one is
  // measured by its magnitude, so the scale is always finite and positive.
  const double size = std::fabs(L);
  draw_size = (std::isfinite(size) && size > 0) ? size : 1;
  draw_scale = (picture_.ScaleWidth() / draw_size) / divisor;
  width_scale_divisor_ = divisor;
}

void sim_window::picture_resized(double width_mm, double height_mm) {
  if (width_mm == picture_.ScaleWidth() && height_mm == picture_.ScaleHeight()) return;
  picture_.resize(width_mm, height_mm);
  if (width_scale_divisor_ > 0)
    set_width_scale(draw_size, width_scale_divisor_);
  else
    set_draw_size(draw_size);
  if (shown_graph_ >= 0)
    draw_graph(shown_graph_);
  else if (shown_diagnostics_ >= 0)
    draw_diagnostics_page(shown_diagnostics_);
  else
    draw_frame(shown_step_, shown_with_path_);
}

void sim_window::report(std::string message, bool is_error) {
  status = std::move(message);
  status_is_error = is_error;
  field_in_error.clear();
}

void sim_window::add_report(const std::string& note, bool is_error) {
  if (note.empty()) return;
  // A failure goes first: it is what the user must act on.
  if (is_error && !status_is_error)
    status = status.empty() ? note : note + report_separator(language) + status;
  else
    status = status.empty() ? note : status + report_separator(language) + note;
  status_is_error = status_is_error || is_error;
}

bool sim_window::guarded(const std::function<void()>& f) {
  try {
    f();
    return true;
  } catch (const field_error& e) {
    report(describe(e, language, translate_caption, name_controls_in_status), true);
    field_in_error = e.control;
    ++field_stops;
    return false;
  }
}

std::string quantity_caption(const graph_decl& g) {
  if (!g.quantity.empty()) return g.quantity;
  const std::string word = g.caption.substr(0, g.caption.find(' '));
  return g.degrees ? word + "(deg)" : word;
}

const graph_decl* graph_of(const window_decl& d, const std::string& array, char component) {
  for (const auto* list : {&d.graphs, &d.quantities})
    for (const graph_decl& g : *list)
      if (g.array == array && g.component == component) return &g;
  return nullptr;
}

void sim_window::show_caption(const std::string& caption) {
  if (label* l = ctl.find_label(decl_.style.caption_label)) l->caption = caption;
}

void sim_window::open() {
  N_ = std::max(1, settings.N);
  T_ = settings.T;
  logic_->arrays.resize(N_);
  timer_enabled_ = false;
  if (slider_group* g = ctl.find_sliders(decl_.style.time_slider)) g->sliders.at(0).max = N_;
  set_draw_size(1);
  view_rot_x = rad(decl_.style.initial_view_x_deg);
  view_rot_y = rad(decl_.style.initial_view_y_deg);
  view_rot_z = rad(decl_.style.initial_view_z_deg);
  logic_->on_open(*this);
  static_pose();
}

void sim_window::static_pose() {
  report("", false);
  if (has_run_ && !run_step0_ && logic_->arrays.N() >= 0) {
    saved_step saved{logic_->arrays.step(0)};
    singularity_at(0, saved.sigma_min, saved.condition);
    run_step0_ = std::move(saved);
  }
  const bool ok = guarded([&] {
    logic_->read_parameters(*this);
    logic_->static_pose(*this);
  });
  if (!ok) return;
  // Step 0 changed, and only step 0.
  if (singularity_known_ && !singularity_.sigma_min.empty())
    singularity_at(0, singularity_.sigma_min.front(), singularity_.condition.front());
  else
    singularity_known_ = false;
  logic_->arrays.clear_guarded(0);
  if (const auto& record = logic_->arrays.solver_record(); !record.empty())
    add_report(summarize_static_pose(record.front(), language), false);
  add_report(logic_->static_pose_note(language), false);
  if (const trajectory_arrays::replaced r = logic_->arrays.replace_non_finite(); r.count > 0)
    add_report(message(language, message_id::static_pose_not_finite,
                       {std::to_string(r.count), r.first_column, std::to_string(r.first_step)}),
               true);
  if (decl_.style.static_pose_resets_step) step_no = 0;
  // A parallel window's static pose shows step 0 without the path, wherever step_no stands.
  if (decl_.style.parallel_drawing)
    draw_frame(0, false);
  else
    redraw();
}

void sim_window::run() {
  const auto started = std::chrono::steady_clock::now();
  run_written_.clear();
  timer_enabled_ = false;
  if (decl_.style.run_resets_figure) {
    figure_no = 0;
    show_caption(decl_.style.view_caption);
    caption_after_front_end_.reset();
  }
  if (!compute(true)) return;
  if (singularity_with_run && !singularity_known_) {
    // Both only read the arrays (jacobian_at and write_row are const).
    tbb::task_group diagnostics;
    diagnostics.run([this] { singularity(); });
    write_result_file(started);
    diagnostics.wait();
  } else {
    write_result_file(started);
  }
  step_no = 0;
  step_dir = 1;
  timer_enabled_ = true;
}

long sim_window::write_result_text(const text_out& out) const {
  const run_view run(*this);
  result_text piece;
  constexpr std::size_t chunk = 1 << 16;
  long lines = 0;
  auto pass_on = [&] {
    lines += std::count(piece.str().begin(), piece.str().end(), '\n');
    out(piece.str());
    piece.clear();
  };
  logic_->write_header(piece);
  for (int i = 0; i <= N_; ++i) {
    logic_->write_row(piece, i);
    if (piece.str().size() >= chunk) pass_on();
  }
  pass_on();
  return lines;
}

std::string sim_window::result_file_text() const {
  std::string text;
  write_result_text([&](std::string_view t) { text += t; });
  return text;
}

sim_window::result_saved sim_window::save_result(const std::string& path, ui_language lang) const {
  result_saved saved;
  // The file holds computed values only.
  if (!has_run_ || last_run_.overflow_step >= 0) return saved;
  file_writer file(path);
  saved.lines = write_result_text(file.out());
  saved.written = file.finish();
  saved.error = file.error(lang);
  saved.error_number = file.error_number();
  saved.note = file.note(lang);
  return saved;
}

void sim_window::write_result_file(std::chrono::steady_clock::time_point started) {
  const std::string path = settings.result_path.string();
  const result_saved saved = save_result(path, language);
  if (!saved.error.empty())
    return add_report(message(language, message_id::file_not_written, {path, saved.error}), true);
  if (!saved.written) return;
  add_report(saved.note, false);
  const std::filesystem::path folder = settings.result_path.parent_path();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  char time[32];
  std::snprintf(time, sizeof time, "%.2g", seconds);
  run_written_ = message(
      language, message_id::run_written,
      {settings.result_path.filename().string(), std::to_string(saved.lines),
       folder.empty() ? message(language, message_id::working_folder) : folder.string(), time});
}

bool sim_window::compute_trajectory() {
  return compute(false);
}

bool sim_window::read_run_fields() {
  report("", false);
  // Everything that can be mistyped is read before the arrays change, so a bad field leaves
  // the previous trajectory, drawing and file as they were.
  return guarded([&] {
    logic_->read_parameters(*this);
    logic_->begin_run(*this);
  });
}

bool sim_window::visit_run_steps(int N, int slots,
                                 const std::function<void(int step, int slot)>& visit) {
  if (!read_run_fields()) return false;
  run_step0_.reset();
  has_run_ = false;
  const std::optional<solver_start> rest = logic_->start_pose();
  N_ = std::max(1, N);
  T_ = settings.T;
  slots = std::clamp(slots, 2, N_ + 1);
  logic_->arrays.resize(slots - 1);
  const profile_kind kind = profile();
  logic_->arrays.clear_guarded();
  for (int i = 0; i <= N_; ++i) {
    // Step 0 keeps slot 0 for the whole Run, as the steps after it may read it.
    const int slot = i == 0 ? 0 : 1 + (i - 1) % (slots - 1);
    logic_->trajectory_step(*this, slot, profile_at(kind, i, N_));
    visit(i, slot);
  }
  if (rest) logic_->set_start_pose(*rest);
  trajectory_changed();
  return true;
}

bool sim_window::compute(bool writes_result) {
  if (!read_run_fields()) return false;

  // The arrays become the new Run's, step 0 included.
  run_step0_.reset();
  // The Run's solves start from the window's pose at rest, and leave it as it was: the static
  // pose after the Run, and the next Run, start where this one did.
  const std::optional<solver_start> rest = logic_->start_pose();
  N_ = std::max(1, settings.N);
  T_ = settings.T;
  logic_->arrays.resize(N_);
  if (slider_group* g = ctl.find_sliders(decl_.style.time_slider)) {
    slider& s = g->sliders.at(0);
    s.max = N_;
    s.value = std::min(s.value, N_);
  }
  const profile_kind kind = profile();
  logic_->arrays.clear_guarded();
  run_interrupted_ = false;
  cancellation cancel(cancel_requested, cancel_interval);
  // What step 0 held before, for a Run that is stopped.
  std::optional<trajectory_arrays::step_values> before;
  if (cancel_requested) before = logic_->arrays.step(0);
  for (int i = 0; i <= N_; ++i) {
    logic_->trajectory_step(*this, i, profile_at(kind, i, N_));
    if (run_progress && (i % progress_interval_steps == 0 || i == N_)) run_progress(i, N_);
    if (cancel_requested && cancel.requested()) {
      // The arrays hold part of a Run: the window goes back to having none, its pose at rest
      // and its solves' start as they were.
      logic_->arrays.swap_step(0, *before);
      if (rest) logic_->set_start_pose(*rest);
      has_run_ = false;
      run_interrupted_ = true;
      trajectory_changed();
      near_singular_.clear();
      jumps_.clear();
      add_report(
          message(language, message_id::run_interrupted, {std::to_string(i), std::to_string(N_)}),
          true);
      return false;
    }
  }
  if (rest) logic_->set_start_pose(*rest);

  // Solves that did not converge are information, not a failure: the run is complete.
  add_report(summarize_run(logic_->arrays.solver_record(), language), false);
  add_report(logic_->run_note(language), false);
  // No value that is not finite reaches the drawing, the graphs or a file: the zeros that
  // replace them stand in the arrays for the drawing only, and the dump marks their rows.
  const trajectory_arrays::replaced guard = logic_->arrays.replace_non_finite();
  std::string overflow;
  if (guard.count > 0) {
    overflow = message(
        language, message_id::run_overflowed,
        {std::to_string(guard.first_step), guard.first_column, std::to_string(guard.count)});
    add_report(writes_result ? message(language, message_id::result_kept,
                                       {settings.result_path.string(), overflow})
                             : overflow,
               true);
  }
  trajectory_changed();
  near_singular_.clear();
  if (!logic_->arrays.solver_record().empty())
    for (const double c : singularity().condition)
      near_singular_.push_back(c > near_singular_condition ? 1 : 0);
  if (!decl_.solved_variables.empty())
    jumps_ =
        find_branch_jumps(logic_->arrays, decl_.solved_variables, T_,
                          near_singular_.empty() ? std::vector<double>{} : singularity().condition);
  add_report(summarize_jumps(jumps_), false);
  add_report(near_singular_note(), false);
  last_run_ = {N_, T_, ctl, 0, guard.first_step, std::move(overflow), rest};
  last_run_.unconverged = static_cast<int>(unconverged_steps().size());
  has_run_ = true;
  return true;
}

void sim_window::step_timer() {
  if (step_no == 0 && step_dir != 1)
    step_dir = 1;
  else if (step_no == N_ && step_dir == 1)
    step_dir = -1;
  step_no += step_dir;
}

void sim_window::tick() {
  advance_ticks(1);
}

void sim_window::advance_ticks(long n) {
  if (!timer_enabled_ || n <= 0) return;
  // The timer walks 0 → N → 0: after the first tick the steps repeat every 2N ticks.
  const long period = 2L * std::max(N_, 1);
  if (n > period) n = 1 + (n - 1) % period;
  for (long k = 0; k < n; ++k) step_timer();
  if (slider_group* g = ctl.find_sliders(decl_.style.time_slider)) g->sliders.at(0).value = step_no;
  time_slider_changed();
}

void sim_window::time_slider_changed() {
  if (slider_group* g = ctl.find_sliders(decl_.style.time_slider))
    step_no = std::clamp(g->sliders.at(0).value, 0, N_);
  if (ctl.find_texts(decl_.style.step_readout))
    ctl.set_text(decl_.style.step_readout, 0, std::to_string(step_no));
  redraw();
}

void sim_window::slider_changed(const std::string& group, int index) {
  slider_group* g = ctl.find_sliders(group);
  if (!g || index < 0 || index >= static_cast<int>(g->sliders.size())) return;
  slider& s = g->sliders[static_cast<std::size_t>(index)];
  s.value = std::clamp(s.value, s.min, s.max);
  if (group == decl_.style.time_slider)
    time_slider_changed();
  else if (group == decl_.style.pose_sliders)
    static_pose();
}

void sim_window::trajectory_changed() {
  jumps_.clear();
  singularity_known_ = false;
  diagnostics_page_ = 0;
}

void sim_window::show_front_end_picture(const std::string& caption) {
  if (!caption_after_front_end_) {
    const label* l = ctl.find_label(decl_.style.caption_label);
    caption_after_front_end_ =
        shown_diagnostics_ >= 0 || !l ? decl_.style.view_caption : l->caption;
  }
  show_caption(caption);
  shown_graph_ = -1;
  shown_diagnostics_ = -1;
}

void sim_window::draw_frame(int step, bool with_path) {
  // The diagnostics caption names the plot it stood over, not the mechanism drawn in its place;
  // so does a front end's.
  if (caption_after_front_end_) {
    show_caption(*caption_after_front_end_);
    caption_after_front_end_.reset();
  } else if (shown_diagnostics_ >= 0) {
    show_caption(decl_.style.view_caption);
  }
  shown_graph_ = -1;
  shown_diagnostics_ = -1;
  shown_step_ = step;
  shown_with_path_ = with_path;
  const int i = std::clamp(step, 0, std::max(0, logic_->arrays.N()));
  const view_params v = view();
  picture_.Cls();
  if (!decl_.style.parallel_drawing) draw_axes(picture_, v.V, draw_size, v.scale);
  logic_->draw_step(*this, picture_, v, i);
  if (decl_.style.parallel_drawing) {
    picture_.DrawWidth(1);  // the parallel windows draw their axes with the thin pen
    draw_axes(picture_, v.V, draw_size, v.scale);
  }
  const std::vector<kin_state>* path = logic_->output_path();
  if (with_path && path && !path->empty()) {
    draw_chain(picture_, static_cast<int>(path->size()) - 1, *path, v.V, v.scale);
    if (decl_.style.parallel_drawing) draw_axes(picture_, v.V, draw_size, v.scale);
  }
  logic_->fill_readouts(*this, i);
}

void sim_window::pointer_moved(double x, double y, bool left_button) {
  const std::string& readouts = decl_.style.view_readouts;
  const bool has_readouts = !readouts.empty() && ctl.find_texts(readouts);
  if (has_readouts) ctl.set_number(readouts, 2, deg(view_rot_z));
  if (left_button) {
    turn_one_degree(view_rot_y, x > last_mouse_x);
    if (has_readouts) ctl.set_number(readouts, 1, deg(view_rot_y));
    turn_one_degree(view_rot_x, y > last_mouse_y);
    if (has_readouts) ctl.set_number(readouts, 0, deg(view_rot_x));
    last_mouse_x = x;
    last_mouse_y = y;
  }
  redraw();
}

void sim_window::next_figure() {
  if (decl_.style.next_stops_timer) timer_enabled_ = false;
  if (decl_.graphs.empty()) return;
  figure_no += 1;
  draw_graph(figure_no - 1);
  if (figure_no >= static_cast<int>(decl_.graphs.size())) figure_no = 0;
}

void sim_window::draw_graph(int index) {
  const run_view run(*this);
  const graph_decl& g = decl_.graphs[static_cast<std::size_t>(index)];
  const int n = logic_->arrays.N();
  const trajectory_array* a = logic_->arrays.find(g.array);
  if (a) {
    quantity_check q = check_quantity(*a, g.component, T_, draw_size);
    q.column = shown_quantity(g);
    plot3(picture_, n, q.value, q.rate, q.accel, derivative_check_ ? 1 : 2);
    if (derivative_check_) {
      plot_overlay(picture_, n, 1, q.rate, q.rate_difference);
      plot_overlay(picture_, n, 2, q.accel, q.accel_difference);
      report(message(language, message_id::derivative_check, {describe(q, language)}), false);
      derivative_check_report_ = status;
    }
  }
  show_caption(g.caption);
  caption_after_front_end_.reset();
  shown_graph_ = index;
  shown_diagnostics_ = -1;
}

void sim_window::toggle_derivative_check() {
  derivative_check_ = !derivative_check_;
  // Its figure goes with it; any other report stays.
  if (!derivative_check_ && !status.empty() && status == derivative_check_report_)
    report("", false);
  if (shown_graph_ >= 0) draw_graph(shown_graph_);
}

void sim_window::singularity_at(int i, double& sigma_min, double& condition) const {
  jacobian_matrix J;
  if (!logic_->jacobian_at(i, J)) J.rows = J.cols = 0;
  const singularity_distance d = singularity_distance_of(J);
  sigma_min = d.sigma_min;
  condition = d.condition;
}

const singularity_history& sim_window::singularity() {
  if (!singularity_known_) {
    const int n = logic_->arrays.N();
    singularity_.sigma_min.assign(static_cast<std::size_t>(std::max(n + 1, 0)), 0.0);
    singularity_.condition = singularity_.sigma_min;
    // Every step on its own (jacobian_at only reads the arrays), on every core.
    tbb::parallel_for(tbb::blocked_range<int>(0, n + 1, 256), [&](const auto& r) {
      for (int i = r.begin(); i != r.end(); ++i)
        singularity_at(i, singularity_.sigma_min[static_cast<std::size_t>(i)],
                       singularity_.condition[static_cast<std::size_t>(i)]);
    });
    singularity_known_ = true;
  }
  return singularity_;
}

sim_window::run_view::run_view(const sim_window& w) : w_(w) {
  if (!w.run_step0_ || w.run_view_open_) return;
  w.logic_->arrays.swap_step(0, w.run_step0_->values);
  swapped_ = true;
  w.run_view_open_ = true;
  singularity_known_ = w.singularity_known_;
  if (singularity_known_ && !w.singularity_.sigma_min.empty()) {
    std::swap(w.singularity_.sigma_min.front(), w.run_step0_->sigma_min);
    std::swap(w.singularity_.condition.front(), w.run_step0_->condition);
    singularity_swapped_ = true;
  }
}

sim_window::run_view::~run_view() {
  if (!swapped_) return;
  w_.run_view_open_ = false;
  w_.logic_->arrays.swap_step(0, w_.run_step0_->values);
  if (singularity_swapped_) {
    std::swap(w_.singularity_.sigma_min.front(), w_.run_step0_->sigma_min);
    std::swap(w_.singularity_.condition.front(), w_.run_step0_->condition);
  } else if (!singularity_known_) {
    // Found while the Run's step 0 stood in the arrays: not the history of the static pose.
    w_.singularity_known_ = false;
  }
}

std::string sim_window::shown_quantity(const graph_decl& g) const {
  return translate_caption ? translate_caption(quantity_caption(g)) : quantity_caption(g);
}

std::string sim_window::summarize_jumps(const std::vector<branch_jump>& jumps) const {
  return summarize_branch_jumps(jumps, decl_.branch, language,
                                [this](const branch_jump& j) { return shown_variable_of(j); });
}

shown_variable sim_window::shown_variable_of(const branch_jump& j) const {
  const trajectory_array* a = logic_->arrays.find(j.array);
  if (a && a->kind != array_kind::scalar && j.variable == a->name) {
    // A posture: its three angles as the window shows them.
    std::string name;
    bool degrees = true;
    for (const char c : {'x', 'y', 'z'}) {
      const graph_decl* g = graph_of(decl_, j.array, c);
      if (!g) return {j.variable};
      name += (name.empty() ? "" : "/") + shown_quantity(*g);
      degrees = degrees && g->degrees;
    }
    return {name, degrees};
  }
  const graph_decl* g = graph_of(decl_, j.array, j.component);
  if (!g) return {j.variable};
  return {shown_quantity(*g), g->degrees};
}

std::string sim_window::near_singular_note() const {
  // The largest rate of a solved variable at a flagged step.
  double largest = -1;
  int at = -1;
  std::string name;
  bool degrees = false;
  for (std::size_t i = 0; i < near_singular_.size(); ++i) {
    if (near_singular_[i] == 0) continue;
    for (const solved_variable& u : decl_.solved_variables) {
      const trajectory_array* a = logic_->arrays.find(u.array);
      if (!a || i >= a->size()) continue;
      const kin_state s = a->state(i);
      const double rate = std::fabs(u.component == 'y' ? s.dy : u.component == 'z' ? s.dz : s.dx);
      if (rate > largest) {
        largest = rate;
        at = static_cast<int>(i);
        const graph_decl* g = graph_of(decl_, u.array, u.component);
        name = g                               ? shown_quantity(*g)
               : a->kind == array_kind::scalar ? a->name
                                               : a->name + "." + u.component;
        degrees = g && g->degrees;
      }
    }
  }
  // Rates of 0 are those of failed solves: nothing large to say.
  if (at < 0 || !(largest > 0)) return {};
  char figure[32];
  if (degrees)
    std::snprintf(figure, sizeof figure, "%.3g deg/s", deg(largest));
  else
    std::snprintf(figure, sizeof figure, "%.3g", largest);
  return message(language, message_id::rates_near_singularity, {name, figure, std::to_string(at)});
}

std::vector<int> sim_window::unconverged_steps() const {
  std::vector<int> steps;
  const auto& record = logic_->arrays.solver_record();
  for (std::size_t i = 0; i < record.size(); ++i)
    if (record[i].status != nr_status::converged) steps.push_back(static_cast<int>(i));
  return steps;
}

void sim_window::show_diagnostics() {
  // In every window: the animation would draw the mechanism over the page at the next tick.
  timer_enabled_ = false;
  if (!has_run_) {
    report(message(language, message_id::no_run_yet), false);
    return;
  }
  const run_view run(*this);
  const auto& record = logic_->arrays.solver_record();
  const int pages = record.empty() ? 1 : 2;
  const int page = diagnostics_page_ % pages;
  diagnostics_page_ = (page + 1) % pages;
  draw_diagnostics_page(page);
  if (page == 0) {
    report(describe_singularity(singularity(), language), false);
  } else {
    const std::string solves = summarize_run(record, language);
    report(solves.empty() ? message(language, message_id::every_step_converged) : solves, false);
    add_report(summarize_jumps(jumps_), false);
  }
}

void sim_window::draw_diagnostics_page(int page) {
  const run_view run(*this);
  const auto& record = logic_->arrays.solver_record();
  const int n = logic_->arrays.N();
  if (page == 0) {
    const singularity_history& h = singularity();
    // The condition number spans many decades: its logarithm is drawn, up to 16 (1/ε, where
    // the Jacobian is singular to working precision, and where a singular one is drawn).
    std::vector<double> log_condition;
    for (double c : h.condition) log_condition.push_back(std::min(std::log10(c), 16.0));
    plot3(picture_, n, h.sigma_min, log_condition, {});
    show_caption(message(language, message_id::diagnostics_singularity_caption));
  } else {
    std::vector<double> corrections, residual, status;
    for (const nr_outcome& r : record) {
      corrections.push_back(r.iterations);
      residual.push_back(r.residual);
      status.push_back(static_cast<int>(r.status));
    }
    plot3(picture_, n, corrections, residual, status);
    show_caption(message(language, message_id::diagnostics_solver_caption));
  }
  std::vector<int> jump_steps;
  for (const branch_jump& j : jumps_) jump_steps.push_back(j.step);
  plot_step_marks(picture_, n, unconverged_steps(), 4);
  plot_step_marks(picture_, n, jump_steps, 5);
  caption_after_front_end_.reset();
  shown_graph_ = -1;
  shown_diagnostics_ = page;
}

const std::vector<std::string>& sim_window::button_names() {
  static const std::vector<std::string> names = {"run", "stop", "next", "diagnostics",
                                                 "check_derivatives"};
  return names;
}

bool sim_window::press(const std::string& button) {
  if (button == "run")
    run();
  else if (button == "stop")
    stop();
  else if (button == "next")
    next_figure();
  else if (button == "diagnostics")
    show_diagnostics();
  else if (button == "check_derivatives")
    toggle_derivative_check();
  else
    return false;
  return true;
}

}  // namespace kinelab
