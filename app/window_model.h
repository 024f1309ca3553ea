#pragma once
// What the GUI and kinelab-cli see of any window: its controls, its buttons, its status line
// and its drawing surface. Simulation windows and the function-test windows both are one.
#include <memory>
#include <string>
#include <vector>

#include "app/controls.h"
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

class window_model {
 public:
  virtual ~window_model() = default;
  virtual const std::string& name() const = 0;   // "form_3r_jun"
  virtual const std::string& title() const = 0;  // "3r_jun"

  // Opening the window (sizes arrays, computes the static pose and draws it).
  virtual void open() {}
  // A button press; false when the window has no such button.
  virtual bool press(const std::string& button) = 0;
  // After a slider's value was set (by the user or a script): fires its change event.
  virtual void slider_changed(const std::string& /*group*/, int /*index*/) {}
  virtual void option_changed() {}
  // Timer: enabled flag and one tick; the GUI drives tick() every 200 ms while enabled.
  virtual bool timer_enabled() const { return false; }
  virtual void tick() {}
  // Pointer movement over the drawing surface (device coordinates), with the left button state.
  virtual void pointer_moved(double /*x*/, double /*y*/, bool /*left_button*/) {}
  // The drawing surface, if the window has one.
  virtual recording_surface* picture() { return nullptr; }

  virtual const std::vector<button_decl>& buttons() const = 0;
  virtual const std::vector<control_grid>& layout() const = 0;

  controls ctl;
  // The window's report of what went wrong (a field that is not a number, a file not written,
  // steps that did not converge); empty when there is nothing to say.
  std::string status;
  // True when the status is a failure (exit 1 in kinelab-cli), false when it is information.
  bool status_is_error = false;
};

}  // namespace kinelab
