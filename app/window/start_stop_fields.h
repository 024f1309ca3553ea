#pragma once
// A start/stop table named once: the declaration of its rows and the reading of its values at
// a Run use the same names, so the two cannot disagree.
#include <limits>
#include <string>
#include <utility>

#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "core/array_algebra.h"

namespace kinelab {

// Row k (from 0) keeps its start value in (start, stride·k), its stop value in
// (stop, stride·k + stop_offset) and its pose slider in (sliders, k). The serial windows keep
// both in one group, interleaved: stride 2, stop_offset 1.
struct start_stop_fields {
  const char* start;
  const char* stop;
  const char* sliders = "";  // "": the table has no pose sliders
  int stride = 1, stop_offset = 0;

  int start_index(int k) const { return stride * k; }
  int stop_index(int k) const { return stride * k + stop_offset; }
  // The declaration of row k, for start_stop_table.
  start_stop_row row(int k, std::string caption, std::string start_default,
                     std::string stop_default, slider range) const {
    return {std::move(caption),
            start,
            start_index(k),
            std::move(start_default),
            stop,
            stop_index(k),
            std::move(stop_default),
            sliders,
            k,
            range};
  }
};

inline constexpr int no_angle_rows = std::numeric_limits<int>::max();

// The start and stop values of rows 1..n into start(1..n), stop(1..n); the rows from
// `first_angle_row` on hold degrees and are returned in radians. Every field is read before
// anything is written, so one that is not a number throws field_error and changes nothing.
template <int N>
void read_start_stop(const controls& c, const start_stop_fields& f, int n, vec<N>& start,
                     vec<N>& stop, int first_angle_row = no_angle_rows) {
  vec<N> a, b;
  for (int k = 1; k <= n; ++k) {
    a(k) = c.number(f.start, f.start_index(k - 1));
    b(k) = c.number(f.stop, f.stop_index(k - 1));
    if (k >= first_angle_row) a(k) = rad(a(k)), b(k) = rad(b(k));
  }
  for (int k = 1; k <= n; ++k) start(k) = a(k), stop(k) = b(k);
}

}  // namespace kinelab
