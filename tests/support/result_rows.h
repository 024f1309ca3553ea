#pragma once
// Reading back what a window wrote: a file's bytes, its lines, the rows of result.dat, and the
// trajectory array of a window by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "core/kin_state.h"

namespace kinelab::test {

// The whole file, byte for byte; empty when it cannot be read.
std::string slurp(const std::string& path);

// The lines of `text`, each ended by `eol` (result.dat ends its lines with CR LF); a last line
// without one is left out.
std::vector<std::string> lines_of(const std::string& text, const std::string& eol = "\r\n");

// Every item of every row after the header of result.dat's text is a finite number.
::testing::AssertionResult rows_are_finite(const std::string& file);

// The array `name` of the window's last Run or static pose; it must exist.
std::vector<kin_state> array_of(const sim_window& w, const std::string& name);

}  // namespace kinelab::test
