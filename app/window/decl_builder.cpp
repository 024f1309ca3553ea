#include "app/window/decl_builder.h"

#include <algorithm>

namespace kinelab {

namespace {
std::string trimmed(const std::string& s) {
  const auto b = s.find_first_not_of(' ');
  const auto e = s.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}
}  // namespace

text_field& declare_field(controls& c, const std::string& group, int index,
                          const std::string& default_text, const std::string& caption,
                          bool indexed) {
  text_group* g = c.find_texts(group);
  if (!g) g = &c.add_texts(group, {}, {}, indexed);
  if (static_cast<int>(g->fields.size()) <= index)
    g->fields.resize(static_cast<std::size_t>(index) + 1);
  text_field& f = g->fields[static_cast<std::size_t>(index)];
  f.text = default_text;
  f.caption = caption;
  return f;
}

text_field& declare_field_of(controls& c, const std::string& group, int index,
                             const std::string& default_text, const std::string& part,
                             const std::string& whole) {
  text_field& f = declare_field(c, group, index, default_text, part + " of " + whole);
  f.caption_part = part;
  f.caption_whole = whole;
  return f;
}

slider& declare_slider(controls& c, const std::string& group, int index, slider s) {
  slider_group* g = c.find_sliders(group);
  if (!g) g = &c.add_sliders(group, {});
  if (static_cast<int>(g->sliders.size()) <= index)
    g->sliders.resize(static_cast<std::size_t>(index) + 1);
  g->sliders[static_cast<std::size_t>(index)] = s;
  return g->sliders[static_cast<std::size_t>(index)];
}

void mark_readouts(controls& c, const std::string& group) {
  if (text_group* g = c.find_texts(group))
    for (text_field& f : g->fields) f.readout = true;
}

grid_cell field_cell(const std::string& group, int index) {
  return {grid_cell::kind::field, group, index, {}};
}
grid_cell slider_cell(const std::string& group, int index) {
  return {grid_cell::kind::slider, group, index, {}};
}
grid_cell text_cell(const std::string& text) {
  return {grid_cell::kind::text, {}, 0, text};
}

control_grid column_table(controls& c, std::string title, std::vector<std::string> row_captions,
                          const std::vector<grid_column>& columns) {
  control_grid g;
  g.title = std::move(title);
  g.column_captions.push_back("");
  for (const auto& col : columns) g.column_captions.push_back(col.caption);
  g.rows.resize(row_captions.size());
  for (const auto& col : columns) {
    for (std::size_t r = 0; r < row_captions.size(); ++r) {
      if (r < col.defaults.size()) {
        declare_field_of(c, col.group, static_cast<int>(r), col.defaults[r], row_captions[r],
                         col.caption);
        g.rows[r].push_back(field_cell(col.group, static_cast<int>(r)));
      } else if (r == col.defaults.size() && !col.extra_text.empty()) {
        g.rows[r].push_back(text_cell(col.extra_text));
      } else {
        g.rows[r].push_back({});
      }
    }
  }
  g.row_captions = std::move(row_captions);
  return g;
}

control_grid start_stop_table(controls& c, std::string title,
                              std::vector<std::string> column_captions,
                              const std::vector<start_stop_row>& rows) {
  control_grid g;
  g.title = std::move(title);
  g.column_captions = std::move(column_captions);
  for (const auto& r : rows) {
    const std::string row = trimmed(r.caption);
    declare_field_of(c, r.start_group, r.start_index, r.start_default, "start", row);
    declare_field_of(c, r.stop_group, r.stop_index, r.stop_default, "stop", row);
    std::vector<grid_cell> cells = {field_cell(r.start_group, r.start_index),
                                    field_cell(r.stop_group, r.stop_index)};
    if (!r.slider_group.empty()) {
      declare_slider(c, r.slider_group, r.slider_index, r.slider_range);
      cells.push_back(slider_cell(r.slider_group, r.slider_index));
    }
    g.row_captions.push_back(r.caption);
    g.rows.push_back(std::move(cells));
  }
  return g;
}

control_grid readout_table(controls& c, std::string title, const std::vector<readout_row>& rows,
                           bool indexed) {
  control_grid g;
  g.title = std::move(title);
  for (const auto& r : rows) {
    declare_field(c, r.group, r.index, r.default_text, r.caption, indexed);
    g.row_captions.push_back(r.caption);
    g.rows.push_back({field_cell(r.group, r.index)});
  }
  return g;
}

}  // namespace kinelab
