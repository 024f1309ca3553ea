// form_stewart_gyaku: the platform pose follows the motion profile from the start pose (set by
// the sliders) to the stop pose, and the six leg lengths follow in closed form.
#include <memory>

#include "app/window/decl_builder.h"
#include "core/number_text.h"
#include "mechanisms/platform/platform_logic.h"
#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

namespace {

constexpr int position_rows = 3;

}  // namespace

const window_decl& form_stewart_gyaku() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "form_stewart_gyaku";
    d.title = "stewart_gyaku";
    controls& c = d.initial;
    declare_stewart_geometry(d, "第１節");

    const char* captions[] = {"Px", "Py ", "Pz", "α", "β", "γ"};
    const char* stops[] = {"0", "0", "3", "0", "0", "0"};
    const int start_values[] = {0, 0, 15, 0, 0, 0};
    std::vector<start_stop_row> rows;
    for (int k = 0; k < stewart_leg_count; ++k) {
      const bool length = k < position_rows;
      const slider range =
          length ? slider{0, 40, start_values[k], true} : slider{-90, 90, start_values[k], true};
      const double start =
          length ? start_values[k] / stewart_model::slider_units_per_length : start_values[k];
      rows.push_back(stewart_start_stop.row(k, captions[k], format_number(start), stops[k], range));
    }
    control_grid table = start_stop_table(c, "", {"", "start", "stop"}, rows);
    for (int k = position_rows; k < stewart_leg_count; ++k)
      table.rows[static_cast<std::size_t>(k)].push_back(text_cell("deg"));
    d.layout.push_back(table);

    control_grid lengths;
    for (int k = 0; k < stewart_leg_count; ++k) {
      const std::string caption = "L" + std::to_string(k + 1);
      declare_field(c, stewart_readouts, k, "", caption);
      lengths.column_captions.push_back(caption);
    }
    lengths.rows.push_back({});
    for (int k = 0; k < stewart_leg_count; ++k)
      lengths.rows[0].push_back(field_cell(stewart_readouts, k));
    d.layout.push_back(lengths);

    declare_stewart_common(d);
    d.make_logic = [] {
      return std::make_unique<platform_inverse_logic<stewart_model>>(
          "i, pp(i).x, pp(i).y, pp(i).z, the1(i), THE2(i), THE3(i), the4(i), the5(i), the6(i); "
          "\"");
    };
    return d;
  }();
  return decl;
}

}  // namespace kinelab
