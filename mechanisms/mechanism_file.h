#pragma once
// A mechanism file of either kind (docs/mechanism_files.md), read by its "kind": a serial arm
// (or a URDF file itself) or a hexapod, and its windows, for every front end.
#include <memory>
#include <string>

#include "mechanisms/serial/arm_file.h"
#include "mechanisms/serial/arm_file_window.h"
#include "mechanisms/stewart/hexapod_file.h"

namespace kinelab {

struct mechanism_file {
  std::shared_ptr<const arm_file> arm;          // set for a serial arm
  std::shared_ptr<const hexapod_file> hexapod;  // set for a hexapod

  const std::string& content_hash() const {
    return arm ? arm->content_hash : hexapod->content_hash;
  }
};

// Throws mechanism_file_error ("FILE:LINE: KEY: problem"), the problem in `lang`.
mechanism_file read_mechanism_file(const std::string& path,
                                   ui_language lang = ui_language::english);
// The same from the file's text (not a URDF's); `path` names it in messages and places a URDF it
// names.
mechanism_file parse_mechanism_file(const std::string& text, const std::string& path,
                                    ui_language lang = ui_language::english);

// The file's forward or inverse window.
std::unique_ptr<sim_window> make_mechanism_window(const mechanism_file& m, arm_window_kind kind,
                                                  const run_settings& settings = {});

}  // namespace kinelab
