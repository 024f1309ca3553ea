#pragma once
// Study files: a simulation window's setup (N, T, the profile, every field and slider, the view)
// saved as a .kinelab document, and read back from such a document or from the comment header
// of an exported CSV (window_csv), which carries the same setup.
//
// A .kinelab document is JSON, one control a line:
//   {
//     "format": "kinelab study",
//     "format_version": "1.0",
//     "program_version": "1.1.0",
//     "window": "form_3r_jun",
//     "title": "3r_jun",
//     "N": 50,
//     "T": 1.0,
//     "profile": "quintic",
//     "view_deg": {"x": 0.0, "y": 0.0, "z": 30.0},
//     "fields": {"Text2(0)": "0.5", ...},
//     "sliders": {"HScroll2(0)": 3, ...},
//     "start_pose": {"values": [0.785398, ...], "converged": true}
//   }
// "start_pose" (format 1.1 on) is where a Newton–Raphson window's solves start: the joint values
// in radians or the platform pose (x, y, z, then α, β, γ in radians) of its static pose, so that
// the study opens on the branch it was saved on. A study without it opens as before.
// A reader of format 1.m reads every 1.x document: keys a newer minor version added are skipped
// with a note; a newer major version is refused.
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/text/messages.h"

namespace kinelab {

class sim_window;

inline constexpr const char* study_extension = ".kinelab";
inline constexpr int study_format_major = 1, study_format_minor = 1;

// What is wrong with a study file, as "FILE:LINE: KEY: problem" (the line and the key where
// they are known).
struct study_error : std::runtime_error {
  using std::runtime_error::runtime_error;
  // The system's error number when the file could not be read at all (ENOENT, EACCES…), else 0.
  int system_error_number = 0;
};

struct study {
  // Where an item of the file stands, for the messages.
  struct origin {
    int line = 0;  // 1-based; 0 unknown
    std::string key;
  };
  struct control_value {
    std::string address;  // "Text2(1)", "HScroll1"
    std::string value;    // a field's text or a slider's whole number as written
    enum class section { field, slider, either } kind = section::either;
    int line = 0;
  };
  std::string source;  // the file, as the messages name it
  std::string window;
  std::string title;  // the window's title as the study gives it ("3r_jun"); may be empty
  int N = 0;
  double T = 0;
  std::string profile;  // "quintic", "cubic", "constant velocity"; empty: not given
  std::optional<double> view_x_deg, view_y_deg, view_z_deg;
  std::vector<control_value> controls;
  struct start {
    std::vector<double> values;
    bool converged = false;
    std::vector<double> fallback;  // the last converged solution behind a failed one
  };
  std::optional<start> start_pose;
  // The mechanism file of a window opened from one: its path and the hash of its content as
  // they were when the study was saved; empty for a built-in window.
  std::string mechanism_path, mechanism_hash;
  origin mechanism_at;
  origin window_at, N_at, T_at, profile_at, view_at, start_pose_at;
  // What was read but not used (keys of a newer minor version).
  std::vector<std::string> notes;
  // The language of the messages about the study.
  ui_language language = ui_language::english;

  // "FILE:LINE: KEY: problem".
  std::string message(const origin& at, const std::string& problem) const;
  // The same, the problem from the catalogue in the study's language.
  std::string message(const origin& at, message_id problem,
                      std::initializer_list<std::string_view> arguments = {}) const;
};

// The window's setup as a .kinelab document. The N and T are the window's settings (those of
// its next Run). Throws study_error when a field does not hold a number (in the window's
// language): such a study could not be opened again.
std::string study_document(const sim_window& w);

// Reads a .kinelab document, or the comment lines of an exported CSV; `source` names the file in
// the messages, which are in `lang` (and so are those of checking it against a window). Throws
// study_error. Nothing is checked against a window yet.
study parse_study(const std::string& text, const std::string& source,
                  ui_language lang = ui_language::english);

// Reads the file at `path` (of a CSV only its comment lines) and parses it.
study read_study(const std::string& path, ui_language lang = ui_language::english);

// Writes the window's study to `path` atomically; on failure returns false and says why (in the
// window's language).
bool save_study(const sim_window& w, const std::string& path, std::string& error,
                int* error_number = nullptr);

}  // namespace kinelab
