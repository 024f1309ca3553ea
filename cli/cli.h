#pragma once
// kinelab-cli: a headless driver of the same window models the desktop program shows.
//
//   kinelab-cli list
//   kinelab-cli WINDOW [--N n] [--T t] [ACTION]...
//   kinelab-cli --load FILE [ACTION]...        (the window and its N and T from a study)
//   kinelab-cli --sweep FILE [--out CSV] ...   (hands over to Python: python3 -m kinelab sweep)
//
// Exit status: 0 success (information may still be printed on stderr), 1 the window reported a
// failure (a field that is not a number, a file not written, a Run that overflowed), 2 a usage
// error or a study that cannot be opened, 3 the last Run finished but some of its steps did not
// reach the tolerance. --sweep's statuses are those of kinelab/__main__.py (4: Python or what a
// sweep needs is missing).
#include <ostream>
#include <string>
#include <vector>

#include "app/window/settings.h"

namespace kinelab {

// `defaults`: the window's settings where --N and --T do not say otherwise (result.dat goes to
// its result_path).
int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const run_settings& defaults = {});

// The actions, in the order of the usage text: "--set", "--press", ...
const std::vector<std::string>& cli_actions();

}  // namespace kinelab
