#pragma once
// A serial arm read from a mechanism file (docs/mechanism_files.md): a DH table or a URDF
// reference, the tool offset, the joint limits, the unit of length and what the inverse window
// tracks. Every problem is refused with "FILE:LINE: KEY: problem" before anything is built.
#include <string>
#include <vector>

#include "app/study/mechanism_document.h"
#include "mechanisms/serial/joint_chain.h"
#include "mechanisms/serial/urdf_chain.h"

namespace kinelab {

// What is wrong with a mechanism file; what() is the whole "FILE:LINE: KEY: problem".
using arm_file_error = mechanism_file_error;

// The task-space components an inverse window can track, in this order.
enum class task_component { x, y, z, alpha, beta, gamma };

struct arm_file {
  std::string path;  // as given
  std::string name, source;
  std::string unit;  // of every length: the DH rows, the limits of prismatic joints, the tool
  joint_chain chain;
  std::vector<joint_limit> limits;  // per joint: radians or the file's unit
  std::vector<std::string> joint_names;
  // Where the windows start (the forward window's start, the inverse window's first guess and
  // start pose), per joint: radians or the file's unit. 0 unless the file says otherwise, or the
  // middle of the limits where they exclude 0.
  std::vector<double> home;
  // What the inverse window tracks: min(joints, 6) components.
  std::vector<task_component> task;
  std::string content_hash;  // of the file's bytes (and the URDF's where it names one), hex

  int joints() const { return chain.joints; }
};

// Reads a mechanism file, or a URDF file itself (a path ending in ".urdf": base = its root link,
// tip = its one leaf, unit m). Throws arm_file_error, the problem in `lang` (the place as is;
// what a parser refuses in the parser's words).
arm_file read_arm_file(const std::string& path, ui_language lang = ui_language::english);
// The same from the text of a mechanism file; `path` names it in messages and anchors a URDF
// reference.
arm_file parse_arm_file(const std::string& text, const std::string& path,
                        ui_language lang = ui_language::english);

// "x", "y", "z", "alpha", "beta", "gamma".
const char* to_string(task_component c);

}  // namespace kinelab
