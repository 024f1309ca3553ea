#pragma once
// The simulation-window framework: one generic window model that every mechanism window is a
// declaration of. The event logic (open, pose sliders, Run, Stop, timer, time slider, pointer,
// "next figure") lives here once; a window supplies its controls and a window_logic.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/atlas/atlas_mechanism.h"
#include "app/io/file_writer.h"
#include "app/run/diagnostics.h"
#include "app/run/trajectory_arrays.h"
#include "app/window/window_model.h"
#include "core/array_algebra.h"
#include "core/pose.h"
#include "core/profiles.h"
#include "draw/recording_surface.h"

namespace kinelab {

class sim_window;

// How a family of windows departs from the common behaviour: data, not code.
struct window_style {
  std::string time_slider = "HScroll1";   // 0..N
  std::string pose_sliders = "HScroll2";  // static-pose sliders
  std::string step_readout = "Text5";     // shows step_no
  std::string caption_label = "Label6";   // the view's caption or the graph's caption
  std::string view_caption = "動画";      // declared, as every caption, in Japanese
  std::string view_readouts;              // "Text3" in the serial windows, else empty
  double initial_view_x_deg = 0, initial_view_y_deg = 0, initial_view_z_deg = 30;
  bool next_stops_timer = true;         // serial windows; parallel ones leave the timer
  bool run_resets_figure = false;       // parallel windows: figure_no = 0, caption "動画"
  bool static_pose_resets_step = true;  // some static poses leave step_no alone
  // Parallel windows draw the mechanism first and the world axes after it, then the output
  // path and the axes once more; their static pose draws step 0 without the path.
  bool parallel_drawing = false;
};

inline window_style serial_style() {
  return {};
}
inline window_style parallel_style() {
  window_style s;
  s.time_slider = "HScroll2";
  s.pose_sliders = "HScroll1";
  s.caption_label = "Label4";
  s.initial_view_x_deg = -60;
  s.next_stops_timer = false;
  s.run_resets_figure = true;
  s.static_pose_resets_step = false;
  s.parallel_drawing = true;
  return s;
}

// One graph of "next figure": three curves of one array (x/dx/ddx, y/... or z/...).
struct graph_decl {
  std::string caption;
  std::string array;
  char component = 'x';  // 'x', 'y' or 'z'
  // The quantity as the window names it where it shows it, with its unit ("L1", "ロール(deg)");
  // empty: the caption's first word, "(deg)" added for an angle.
  std::string quantity = {};
  // The window shows the quantity in degrees; the arrays hold radians.
  bool degrees = false;
};

// The orthographic view of a redraw: V = rotation_matrix(view angles), millimetres per unit.
struct view_params {
  mat3 V;
  double scale = 1;
};

class result_text;

// The values a Newton–Raphson solve starts from, and whether they are a converged solution.
struct solver_start {
  std::vector<double> values;
  bool solved = false;
  // The last converged solution where `values` are a failed solve's end (the second start a
  // solve after it tries); empty otherwise.
  std::vector<double> fallback;
};
// A platform's: the position x, y, z, then the posture α, β, γ.
solver_start platform_start(const warm_start<pose>& w);
void set_platform_start(warm_start<pose>& w, const solver_start& s);

// The part of a window that its mechanism's Part describes. It owns the trajectory arrays and
// the solver state (angles that warm-start the next solve); the framework owns the rest.
class window_logic {
 public:
  virtual ~window_logic() = default;
  trajectory_arrays arrays;

  // Once when the window opens, before the first static pose (initial guesses and the like).
  virtual void on_open(sim_window&) {}
  // Reads the fields (and writes slider-derived start values into them); sets draw_size and
  // draw_scale. Throws field_error for a field that does not hold a number.
  virtual void read_parameters(sim_window& w) = 0;
  // Computes the static pose into step 0 (the parameters have just been read).
  virtual void static_pose(sim_window& w) = 0;
  // Reads what the run needs beyond the parameters (start and stop values); may throw
  // field_error. Called before the arrays are resized, so a bad field changes nothing.
  virtual void begin_run(sim_window&) {}
  // Step i of the trajectory with the profile value at τ = i/N.
  virtual void trajectory_step(sim_window& w, int i, const profile_point& p) = 0;
  // Draws the mechanism at step i: after the world axes in the serial windows, before them in
  // the parallel ones; the framework clears the surface and draws the axes and the path.
  virtual void draw_step(sim_window& w, surface& s, const view_params& v, int i) = 0;
  // The output point whose path the redraw shows.
  virtual const std::vector<kin_state>* output_path() const = 0;
  // Pose readouts for step i.
  virtual void fill_readouts(sim_window& w, int i) = 0;
  // result.dat: the header line(s) and the row of step i.
  virtual void write_header(result_text& out) const = 0;
  virtual void write_row(result_text& out, int i) const = 0;
  // What the status line should add after a Run about steps the kinematics could not fully
  // evaluate (a leg of zero length, say); empty when there is nothing to say.
  virtual std::string run_note(ui_language /*lang*/) const { return {}; }
  // The same after a static pose (a pose the mechanism cannot take, say).
  virtual std::string static_pose_note(ui_language /*lang*/) const { return {}; }
  // The Jacobian at step i between the mechanism's joints and its pose, taken the way round
  // that loses rank where the mechanism is singular (the one its Newton–Raphson solve inverts:
  // serial arms, joint angles to the tool pose; platforms, the platform pose to the leg or rail
  // lengths), whichever of the two the window drives. Built from the values stored at step i;
  // false when the window has none there. Called for many steps at once from several threads.
  virtual bool jacobian_at(int /*i*/, jacobian_matrix& /*J*/) const { return false; }
  // The mechanism at the geometry last read, for the workspace atlas; none for a window
  // without one.
  virtual std::optional<atlas_mechanism> atlas() const { return std::nullopt; }
  // The pose a Newton–Raphson window starts its static pose and its Runs from: the joint values
  // (radians) or the platform pose (position, then posture angles in radians) of its last static
  // pose that converged, as a study records it; none for a window that solves in closed form.
  virtual std::optional<solver_start> start_pose() const { return std::nullopt; }
  virtual void set_start_pose(const solver_start& /*s*/) {}
};

struct window_decl {
  std::string name;   // "form_3r_jun"
  std::string title;  // "3r_jun"
  // The title in a language where it is worded per language; empty: the title as declared.
  std::function<std::string(ui_language)> shown_title;
  window_style style;
  std::vector<control_grid> layout;
  std::vector<button_decl> buttons;  // run, stop, next with their captions
  std::vector<graph_decl> graphs;
  // Quantities the window names but draws no graph of (an actuator the atlas limits); only
  // their array, component, quantity and unit count.
  std::vector<graph_decl> quantities;
  // The unknowns of a Newton–Raphson window's solve (empty for the closed-form windows), for
  // finding branch jumps.
  std::vector<solved_variable> solved_variables;
  // What a jump of that solve between converged steps means for the mechanism.
  solution_branch branch = solution_branch::assembly_mode;
  controls initial;  // every control with its default text, range and caption
  std::function<std::unique_ptr<window_logic>()> make_logic;
  // The mechanism file a window opened from a file was built from, as a study records it: its
  // absolute path and the hash of its content. Empty for the built-in windows.
  std::string mechanism_path, mechanism_hash;
};

// What every message, table and picture for a person calls a graph's quantity (as declared, in
// Japanese where the window is; a front end translates it). Files for programs keep the arrays'
// own column names ("p4.x", "the1").
std::string quantity_caption(const graph_decl& g);
// The graph of an array's component (a scalar array's is 'x'), or the quantity named without a
// graph; null for none.
const graph_decl* graph_of(const window_decl& d, const std::string& array, char component);

// What made the window's arrays: the Run's N, T, the fields as they were read, and how its
// solves and values ended. Exports describe the arrays by it, not by the fields as they now
// stand.
struct run_record {
  int N = 0;
  double T = 1;
  controls fields;
  int unconverged = 0;                // steps whose solve did not reach the tolerance
  int overflow_step = -1;             // first step with a value that was not finite, −1 for none
  std::string overflow;               // what the status line said of it; empty for none
  std::optional<solver_start> start;  // what the Run's solves started from
};

class sim_window : public window_model {
 public:
  explicit sim_window(const window_decl& decl, run_settings settings = {});

  const std::string& name() const override { return decl_.name; }
  const std::string& title() const override { return decl_.title; }
  std::string shown_title(ui_language lang) const override {
    return decl_.shown_title ? decl_.shown_title(lang) : decl_.title;
  }
  const std::vector<button_decl>& buttons() const override { return decl_.buttons; }
  const std::vector<control_grid>& layout() const override { return decl_.layout; }
  const window_decl& decl() const { return decl_; }

  // The buttons every simulation window answers: its own (run, stop, next) and the tools'
  // (diagnostics, check_derivatives).
  static const std::vector<std::string>& button_names();

  // Events.
  void open() override;
  bool press(const std::string& button) override;
  void slider_changed(const std::string& group, int index) override;
  bool timer_enabled() const override { return timer_enabled_; }
  void tick() override;
  void advance_ticks(long n) override;
  void pointer_moved(double x, double y, bool left_button) override;
  recording_surface* picture() override { return &picture_; }

  void run();
  // What the last Run wrote and how long it took, for the status line of a person:
  // "result.dat: 52 lines, working folder (0.02 s)"; empty when it wrote nothing.
  const std::string& run_written() const { return run_written_; }
  // A Run without result.dat and without starting the timer: reads the fields, computes the
  // trajectory, reports as a Run does. False when a field stopped it.
  bool compute_trajectory();
  // The steps of a Run of the fields as they stand over N steps of the settings' T, for figures
  // taken along the way: the arrays keep only `slots` steps (step 0 in slot 0, the later steps in
  // turn in slots 1..slots−1), and `visit` gets each step and its slot once computed, its values
  // as a Run leaves them but for the values that are not finite, which a Run replaces by 0 only
  // after its last step. Nothing else of a Run follows (no status, file, drawing or branch
  // jumps), and the arrays hold no Run afterwards: for a copy of a window. False when a field
  // stopped it.
  bool visit_run_steps(int N, int slots, const std::function<void(int step, int slot)>& visit);
  // Called during a trajectory's computation with the step reached and N, every few hundred
  // steps; the front end shows a long Run's progress with it. The computation stays one.
  std::function<void(int step, int N)> run_progress;
  // Asked during a long computation (a Run, an atlas) whether to stop, a few times a second;
  // a front end that can be interrupted (Ctrl-C in Python) answers true. A Run that stops
  // leaves no Run (as before the first), step 0 and the start of its solves as they were; an
  // atlas that stops leaves none. Unset: never asked.
  std::function<bool()> cancel_requested;
  // How often at most `cancel_requested` is asked; a test that must stop at a given ask sets 0.
  std::chrono::steady_clock::duration cancel_interval = std::chrono::milliseconds(20);
  // What the Run writes to result.dat, from the arrays as they stand, passed to `out` in pieces
  // of about 64 KiB; returns its number of lines.
  long write_result_text(const text_out& out) const;
  std::string result_file_text() const;
  // Writes the result text to `path` through the file writer: the one place result.dat is
  // written. A Run that overflowed writes nothing (the previous file stays; the status line says
  // so): `written` is false with no error.
  struct result_saved {
    bool written = false;
    long lines = 0;
    std::string error;  // "cannot write …"; empty unless the write failed
    int error_number = 0;  // the system's, where it gave one
    std::string note;   // "… was written in place: …"; empty when there is nothing to say
  };
  result_saved save_result(const std::string& path, ui_language lang) const;
  bool has_run() const { return has_run_; }
  // Whether the last Run stopped because the front end asked it to.
  bool run_interrupted() const { return run_interrupted_; }
  // The Run that made the arrays; nullptr before the first.
  const run_record* last_run() const { return has_run_ ? &last_run_ : nullptr; }
  // Whether a static pose after the Run holds step 0 of the arrays (a run_view shows the Run's).
  bool static_pose_over_run() const { return run_step0_.has_value(); }
  void stop() { timer_enabled_ = false; }
  void next_figure();
  // The derivative check on the graphs: while on, every graph shows the numerical derivatives
  // of its value and rate dotted over its rate and acceleration, and the status line gives the
  // largest mismatch. Toggling redraws the graph on show.
  void toggle_derivative_check();
  bool derivative_check_on() const { return derivative_check_; }
  // The diagnostics of the last Run, a page per press: the distance to a singularity (σmin and
  // the condition number) and, in the Newton–Raphson windows, the solver's record; unconverged
  // steps and branch jumps are marked along the time axis.
  void show_diagnostics();
  const singularity_history& singularity();  // computed once per Run or static pose
  // For a caller that will export the arrays after the Run (kinelab-cli --dump): the Run finds
  // the singularity history on the other cores while it writes result.dat, which takes one.
  bool singularity_with_run = false;
  std::vector<int> unconverged_steps() const;
  const std::vector<branch_jump>& branch_jumps() const { return jumps_; }
  // The status line's report of `jumps`, their variables as the window shows them (a posture as
  // its three angles).
  std::string summarize_jumps(const std::vector<branch_jump>& jumps) const;
  // A quantity as the window shows it: its caption in the window's language, with its unit.
  std::string shown_quantity(const graph_decl& g) const;
  // Per step of the last Run of a Newton–Raphson window: 1 where the condition number of the
  // Jacobian exceeds near_singular_condition, else 0; empty in the other windows.
  const std::vector<double>& near_singular_steps() const { return near_singular_; }
  // A static pose after a Run shows itself at step 0 of the arrays, but the Run's record stays
  // the Run's: while a run_view lives, the arrays and the singularity history hold the Run's
  // own step 0, so that whatever is exported or diagnosed describes the Run.
  class run_view {
   public:
    explicit run_view(const sim_window& w);
    ~run_view();
    run_view(const run_view&) = delete;
    run_view& operator=(const run_view&) = delete;

   private:
    const sim_window& w_;
    bool swapped_ = false, singularity_swapped_ = false, singularity_known_ = false;
  };
  void static_pose();
  void redraw() { draw_frame(step_no, true); }
  // A front end draws a picture of its own on the surface (the workspace atlas): `caption`
  // stands over it until the window draws again, and the mechanism drawn then brings back the
  // caption it had before (the view's, where that was a diagnostics page).
  void show_front_end_picture(const std::string& caption);

  // Window state (Part of every window).
  int step_no = 0;
  int step_dir = 1;
  int figure_no = 0;
  double view_rot_x = 0, view_rot_y = 0, view_rot_z = 0;  // rad
  double last_mouse_x = 0, last_mouse_y = 0;
  double draw_size = 1;
  double draw_scale = 1;

  // The N of the window's arrays (settings.N when it opened or last ran) and the cycle time of
  // the last run.
  int N() const { return N_; }
  double T() const { return T_; }
  profile_kind profile() const { return profile_from_option(ctl.option_selected); }
  window_logic& logic() { return *logic_; }
  const window_logic& logic() const { return *logic_; }
  // draw_scale for a characteristic length L: min(width, height) / (2·L); L = 0 falls back to 1.
  void set_draw_size(double L);
  // The same by the surface width alone: width / (|L|·divisor), for the windows whose
  // mechanism is seen mostly from the side.
  void set_width_scale(double L, double divisor);
  // The drawing surface took a new size (mm): draw_scale follows it by the rule that set it,
  // and whatever the surface shows (the mechanism, a graph, a diagnostics page) is drawn again.
  void picture_resized(double width_mm, double height_mm);
  view_params view() const;

 private:
  void show_caption(const std::string& caption);
  void time_slider_changed();
  // The trajectory, for a Run that then writes the result file or for a computation without it.
  // Reads the fields a Run needs and begins it; false (the status line says why) on a bad one.
  bool read_run_fields();
  bool compute(bool writes_result);
  void write_result_file(std::chrono::steady_clock::time_point started);
  void step_timer();
  void draw_frame(int step, bool with_path);
  void draw_graph(int index);
  void draw_diagnostics_page(int page);
  void trajectory_changed();
  // Runs f; a field_error is reported in the status line and f's effects stop there.
  bool guarded(const std::function<void()>& f);
  void report(std::string message, bool is_error);
  // Adds a note to the status line; the line stays an error once any note was one.
  void add_report(const std::string& note, bool is_error);
  void singularity_at(int i, double& sigma_min, double& condition) const;
  // The status note on the rates of the near-singular steps; empty when there were none.
  std::string near_singular_note() const;
  shown_variable shown_variable_of(const branch_jump& j) const;

  const window_decl& decl_;
  std::unique_ptr<window_logic> logic_;
  recording_surface picture_;
  bool timer_enabled_ = false;
  bool derivative_check_ = false;
  std::string derivative_check_report_;  // the last status the derivative check set
  bool has_run_ = false;
  bool run_interrupted_ = false;
  run_record last_run_;
  int shown_graph_ = -1;  // the graph on the drawing surface, −1 while it shows the mechanism
  int diagnostics_page_ = 0;
  // What the surface shows, to draw it again at a new size: the frame of a step (with or
  // without the path), or a diagnostics page.
  int shown_step_ = 0;
  bool shown_with_path_ = true;
  int shown_diagnostics_ = -1;
  // While a front end's picture is shown, the caption to bring back after it.
  std::optional<std::string> caption_after_front_end_;
  double width_scale_divisor_ = 0;
  std::string run_written_;  // 0: draw_scale by the shorter side
  std::vector<branch_jump> jumps_;
  std::vector<double> near_singular_;
  // A static pose after the last Run keeps the Run's step 0 here (see run_view).
  struct saved_step {
    trajectory_arrays::step_values values;
    double sigma_min = 0, condition = 0;
  };
  mutable std::optional<saved_step> run_step0_;
  mutable bool run_view_open_ = false;  // views nest: only the outermost exchanges step 0
  mutable bool singularity_known_ = false;
  mutable singularity_history singularity_;
  int N_ = 0;
  double T_ = 1;
};

}  // namespace kinelab
