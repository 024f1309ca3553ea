#include "app/window/parallel_controls.h"

#include "app/window/decl_builder.h"

namespace kinelab {

void declare_parallel_controls(window_decl& d, const parallel_controls& p) {
  d.style = parallel_style();
  const window_style& s = d.style;
  controls& c = d.initial;
  declare_slider(c, s.time_slider, 0, {0, 50, 0, true});
  c.find_sliders(s.time_slider)->indexed = false;
  declare_field(c, s.step_readout, 0, "0", "step", false);
  mark_readouts(c, s.step_readout);
  d.layout.push_back(
      {"", {"", "", "step"}, {"時間"}, {{slider_cell(s.time_slider), field_cell(s.step_readout)}}});
  // The start/stop grid carries the same words as column captions.
  if (p.start_stop_heading) c.add_label("Label1", "start     stop");
  c.add_label(s.caption_label, "動画");
  c.option_captions = {"５次曲線", "２次曲線", "等速曲線"};
  d.buttons = {{"run", "Run"}, {"stop", p.stop_caption}, {"next", "next figure"}};
}

}  // namespace kinelab
