#pragma once
// What a window's controls and arrays are, for a front end that shows them without a layout (a
// script, a notebook): each control's caption, what it does, its unit and range; each array's
// meaning, unit and shape. Read from the window's declaration, so every window describes itself.
#include <optional>
#include <string>
#include <vector>

#include "app/window/sim_window.h"

namespace kinelab {

// What a control is for.
//   geometry: a dimension or angle of the mechanism; start, stop: a driven quantity at the
//   start and at the end of a Run; tolerance: where a Newton–Raphson solve stops; readout: shown
//   by the window (typed values are overwritten); slider: moves a start (and the static pose);
//   time_slider: the step shown; profile: Option1, the motion profile.
enum class control_role { geometry, start, stop, tolerance, readout, slider, time_slider, profile };
const char* to_string(control_role r);

struct control_description {
  std::string address;           // "Text2(1)", "HScroll2(0)", "Option1"
  std::string caption;           // in English: "stop of the1"
  std::string caption_japanese;  // as the desktop program shows it in Japanese
  control_role role = control_role::geometry;
  // "deg", "length" (the mechanism's length unit), "step", or "" for a number without one
  // (a tolerance is in the unit of what its solve compares).
  std::string unit;
  std::optional<double> min, max;  // the range a value must lie in, where there is one
  bool slider_rewrites = false;    // a pose slider writes this field
  std::string meaning;             // a sentence for a reader
};

// Every control of the window, in the order of its layout (fields, sliders, then Option1).
std::vector<control_description> control_descriptions(const sim_window& w);

// The tolerance field of a Newton–Raphson window ("Text4"), none for a window without one.
std::optional<std::string> tolerance_control(const sim_window& w);

}  // namespace kinelab
