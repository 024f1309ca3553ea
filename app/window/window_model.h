#pragma once
// What the GUI and kinelab-cli see of any window: its controls, its buttons, its status line
// and its drawing surface. Simulation windows and the function-test windows both are one.
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "app/window/controls.h"
#include "app/window/settings.h"
#include "draw/recording_surface.h"

namespace kinelab {

// A control grid for laying the window out: a title, column captions (the first one stands
// over the row captions), and rows of cells that show a field, a slider or a fixed text.
struct grid_cell {
  enum class kind { empty, field, slider, text } what = kind::empty;
  std::string control;  // group name, for fields and sliders
  int index = 0;
  std::string text;  // for kind::text
};
struct control_grid {
  std::string title;
  std::vector<std::string> column_captions;
  std::vector<std::string> row_captions;
  std::vector<std::vector<grid_cell>> rows;
};

struct button_decl {
  std::string name;     // "run", "Command1"
  std::string caption;  // "Run", "実行"
};

// A user's edit that cannot be made: the control does not exist (an unknown name, a missing or
// surplus index, an index past the end of its group), or it refuses the value (disabled, out of
// range). The control is left as it was.
struct edit_error : std::runtime_error {
  enum class reason { no_such_control, refused };
  edit_error(reason r, const std::string& message) : std::runtime_error(message), why(r) {}
  reason why;
};

class window_model {
 public:
  virtual ~window_model() = default;
  virtual const std::string& name() const = 0;   // "form_3r_jun"
  virtual const std::string& title() const = 0;  // "3r_jun"
  // The title for the user's window frame, before the front end's translation of captions: the
  // declared one unless the window words it per language ("7R forward" / 「7R 順運動学」).
  virtual std::string shown_title(ui_language /*lang*/) const { return title(); }

  // Opening the window (sizes arrays, computes the static pose and draws it).
  virtual void open() {}
  // A button press; false when the window has no such button.
  virtual bool press(const std::string& button) = 0;
  // A user's edit, as the desktop program, kinelab-cli and scripts make it: each writes the
  // control and fires what the user's action fires. An address is "Text2(1)", or "Text9" for
  // a group without index; the (group, index) forms take index 0 for such a group. They throw
  // edit_error and then change nothing.
  //   set_text: a field's text; no event (the static pose and Run read the fields).
  //   set_slider: a slider's value within its range; fires slider_changed.
  //   select_option: Option1's choice 0..k; fires option_changed.
  void set_text(const std::string& address, std::string text);
  void set_text(const std::string& group, int index, std::string text);
  void set_slider(const std::string& address, long long value);
  void set_slider(const std::string& group, int index, long long value);
  void select_option(long long index);
  // The edit of kinelab-cli's --set CONTROL=VALUE: Option1 takes its choice as the value or as
  // the index ("Option1(2)"), a slider a whole number, a field any text.
  void set_value(const std::string& address, const std::string& value);
  // What a control holds, by address: a field's text, a slider's value, Option1's choice
  // ("Option1"), a label's caption. Throws edit_error (no_such_control).
  std::variant<std::string, int> value_of(const std::string& address) const;

  // The events behind the edits: after a slider's value was set, its change event; after
  // Option1 changed, the option's.
  virtual void slider_changed(const std::string& /*group*/, int /*index*/) {}
  virtual void option_changed() {}
  // Timer: enabled flag and one tick; the GUI drives tick() every 200 ms while enabled.
  virtual bool timer_enabled() const { return false; }
  virtual void tick() {}
  // n ticks at once, drawing only the frame they end on.
  virtual void advance_ticks(long n) {
    for (long k = 0; k < n && timer_enabled(); ++k) tick();
  }
  // Pointer movement over the drawing surface (device coordinates), with the left button state.
  virtual void pointer_moved(double /*x*/, double /*y*/, bool /*left_button*/) {}
  // The drawing surface, if the window has one.
  virtual recording_surface* picture() { return nullptr; }

  virtual const std::vector<button_decl>& buttons() const = 0;
  virtual const std::vector<control_grid>& layout() const = 0;

  controls ctl;
  // N, T and where result.dat goes: read when the window opens and at every Run, so a change
  // takes effect there (the arrays keep the N they were sized with until then).
  run_settings settings;
  // The window's report of what went wrong (a field that is not a number, a file not written,
  // steps that did not converge); empty when there is nothing to say.
  std::string status;
  // True when the status is a failure (exit 1 in kinelab-cli), false when it is information.
  bool status_is_error = false;
  // The language of the status line, and the front end's translation of declared captions
  // for naming fields in it (kinelab-cli: English, captions as declared).
  ui_language language = ui_language::english;
  caption_translator translate_caption;
  bool name_controls_in_status = true;  // "stop of the1 (Text2(1))", for scripts
  // How many actions (a Run, a static pose, a button of a test window) a field that is not a
  // number has stopped; the status then names the field. Scripts compare it around an action.
  int field_stops = 0;
  // The control ("Text2(1)") of the field the status names as not a number; empty otherwise.
  std::string field_in_error;
};

// A control as its user sees it, for a message: a field by its caption ("hz of J2" /
// 「J2 の hz」), a slider by the row it stands in; by its address ("Text2(1)") where the window
// names controls for scripts, or where the control shows no caption.
std::string shown_name(const window_model& w, const std::string& address);
// The same by caption alone, in `lang` with the captions through `translate`.
std::string shown_name(const window_model& w, const std::string& address, ui_language lang,
                       const caption_translator& translate);

}  // namespace kinelab
