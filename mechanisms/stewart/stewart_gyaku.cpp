// form_stewart_gyaku: the platform pose follows the motion profile from the start pose (set by
// the sliders) to the stop pose, and the six leg lengths follow in closed form.
#include <memory>

#include "app/window/decl_builder.h"
#include "mechanisms/platform/platform_logic.h"
#include "mechanisms/stewart/stewart_window.h"

namespace kinelab {

const window_decl& form_stewart_gyaku() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "form_stewart_gyaku";
    d.title = "stewart_gyaku";
    controls& c = d.initial;
    declare_stewart_geometry(d, "第１節");

    d.layout.push_back(platform_pose_table(c, stewart_start_stop,
                                           stewart_model::slider_units_per_length,
                                           {"0", "0", "3", "0", "0", "0"}, true));

    declare_stewart_leg_readouts(d, "");

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
