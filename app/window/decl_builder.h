#pragma once
// Helpers that declare a window's controls and lay them out in one go, so that the controls a
// window has and the grids that show them cannot disagree.
#include <string>
#include <vector>

#include "app/window/controls.h"
#include "app/window/window_model.h"

namespace kinelab {

// Declares element `index` of a text group (creating the group and any elements before it).
text_field& declare_field(controls& c, const std::string& group, int index,
                          const std::string& default_text, const std::string& caption,
                          bool indexed = true);
// The same with the caption "<part> of <whole>" ("hx of J1"), kept in its parts as well.
text_field& declare_field_of(controls& c, const std::string& group, int index,
                             const std::string& default_text, const std::string& part,
                             const std::string& whole);
slider& declare_slider(controls& c, const std::string& group, int index, slider s);

// Marks every field of `group` as a readout the window computes: shown, not typed in.
void mark_readouts(controls& c, const std::string& group);

grid_cell field_cell(const std::string& group, int index = 0);
grid_cell slider_cell(const std::string& group, int index = 0);
grid_cell text_cell(const std::string& text);

// A table whose columns are field groups, like a link table: column c shows fields
// 0..k of columns[c].group, one per row; a row caption names the row. Each field's caption is
// "<row> of <column>" ("hx of J1"). Rows past a column's defaults stay empty unless
// `extra_row` supplies a fixed text for that column.
struct grid_column {
  std::string caption;
  std::string group;
  std::vector<std::string> defaults;
  std::string extra_text;  // shown in the row after the fields (the "ganma" row's "the1")
};
control_grid column_table(controls& c, std::string title, std::vector<std::string> row_captions,
                          const std::vector<grid_column>& columns);

// A start/stop table: each row has a start field, a stop field and optionally a pose slider.
// Field captions are "start of <row>" and "stop of <row>".
struct start_stop_row {
  std::string caption;
  std::string start_group;
  int start_index = 0;
  std::string start_default;
  std::string stop_group;
  int stop_index = 0;
  std::string stop_default;
  std::string slider_group;  // empty: no slider
  int slider_index = 0;
  slider slider_range;
};
control_grid start_stop_table(controls& c, std::string title,
                              std::vector<std::string> column_captions,
                              const std::vector<start_stop_row>& rows);

// Output fields shown one per row with their caption.
struct readout_row {
  std::string caption;
  std::string group;
  int index = 0;
  std::string default_text;
};
control_grid readout_table(controls& c, std::string title, const std::vector<readout_row>& rows,
                           bool indexed = true);

}  // namespace kinelab
