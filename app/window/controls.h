#pragma once
// The controls of a window as data: text fields and sliders in groups addressed by name and
// index (Text2(1), HScroll2(0)), the option group Option1, and labels with captions.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/text/messages.h"

namespace kinelab {

struct text_field {
  std::string text;
  bool enabled = true;
  std::string caption;  // what the user sees beside it, e.g. "stop of the1"
  // The parts of a caption "<part> of <whole>" ("stop", "the1"), so that a message in another
  // language can name the field its own way; empty for a caption of one part.
  std::string caption_part, caption_whole;
  bool readout = false;  // computed by the window: shown, not typed in
};

struct text_group {
  std::string name;     // "Text2"
  bool indexed = true;  // false: a single field addressed without an index ("Text9")
  std::vector<text_field> fields;
};

struct slider {
  int min = 0, max = 0, value = 0;
  bool enabled = true;
};

struct slider_group {
  std::string name;  // "HScroll2"
  bool indexed = true;
  std::vector<slider> sliders;
};

struct label {
  std::string name;  // "Label6"
  std::string caption;
};

// "Text2(1)" or "Text9": the address of one element of a group.
struct control_address {
  std::string name;
  int index = 0;
  bool has_index = false;
};
std::optional<control_address> parse_address(const std::string& text);
std::string address_text(const std::string& name, int index, bool indexed);

// A field that does not hold a number; the framework reports it in the status line. what()
// is kinelab-cli's English, with the control's name for scripts.
struct field_error : std::runtime_error {
  // `problem`: field_not_a_number, field_empty, or field_below_zero for a number that must not
  // be negative.
  field_error(std::string control, const text_field& field,
              message_id problem = message_id::field_not_a_number);
  std::string control, caption, text;
  std::string caption_part, caption_whole;
  message_id problem;
};
// The message for the user: the field named as they see it, in their language, and by its
// control's name as well for scripts ("stop of the1 (Text2(1))").
std::string describe(const field_error& e, ui_language lang, const caption_translator& translate,
                     bool with_control);

// The text a readout shows for `text`: a number within rounding of zero is shown as 0, the
// rounding taken relative to the window's length `length_scale` (and to 1, which covers angles
// in degrees); any other text as it is. Only for showing: the field keeps its text.
std::string readout_text(const std::string& text, double length_scale);

class controls {
 public:
  text_group& add_texts(std::string name, std::vector<std::string> defaults,
                        std::vector<std::string> captions = {}, bool indexed = true);
  slider_group& add_sliders(std::string name, std::vector<slider> sliders, bool indexed = true);
  label& add_label(std::string name, std::string caption);

  text_group* find_texts(const std::string& name);
  slider_group* find_sliders(const std::string& name);
  label* find_label(const std::string& name);
  const text_group* find_texts(const std::string& name) const;
  const slider_group* find_sliders(const std::string& name) const;
  const label* find_label(const std::string& name) const;

  // Element access; a missing control is a programming error (std::out_of_range).
  text_field& field(const std::string& name, int index = 0);
  slider& slider_at(const std::string& name, int index = 0);
  const std::string& text(const std::string& name, int index = 0) const;
  void set_text(const std::string& name, int index, std::string text);
  void set_number(const std::string& name, int index, double value);  // format_number
  // The field's value; throws field_error when it does not hold a number.
  double number(const std::string& name, int index = 0) const;
  // A solver's tolerance: a number not below 0 (0 takes every correction the solver allows);
  // throws field_error otherwise.
  double tolerance(const std::string& name, int index = 0) const;

  std::vector<text_group> texts;
  std::vector<slider_group> sliders;
  std::vector<label> labels;
  std::vector<std::string> option_captions;  // Option1(0..k)
  int option_selected = 0;                   // −1: none selected
};

}  // namespace kinelab
