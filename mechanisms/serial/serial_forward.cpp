#include "mechanisms/serial/serial_forward.h"

#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "mechanisms/serial/serial_window.h"

namespace kinelab {

namespace {

// Start angles are slaved to the pose sliders: start of joint k = 5°·its slider.
constexpr int degrees_per_slider_unit = 5;

class serial_forward_logic : public serial_logic {
 public:
  explicit serial_forward_logic(const serial_forward_layout& layout)
      : serial_logic(layout.joints, layout.link_groups, layout.result_header),
        joints_(layout.joints) {}

  void read_parameters(sim_window& w) override {
    read_arm(w);
    const start_stop_fields& f = serial_start_stop;
    for (int k = 1; k <= joints_; ++k)
      w.ctl.set_number(f.start, f.start_index(k - 1),
                       degrees_per_slider_unit * w.ctl.slider_at(f.sliders, k - 1).value);
  }

  void static_pose(sim_window& w) override {
    link_array the, dthe, ddthe;
    const start_stop_fields& f = serial_start_stop;
    for (int k = 1; k <= joints_; ++k) the(k) = rad(w.ctl.number(f.start, f.start_index(k - 1)));
    store_step(0, the, dthe, ddthe);
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, serial_start_stop, joints_, start_, stop_, 1);
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    link_array the, dthe, ddthe;
    for (int k = 1; k <= joints_; ++k) {
      const driven_value v = apply_profile(p, start_(k), stop_(k), w.T());
      the(k) = v.q, dthe(k) = v.dq, ddthe(k) = v.ddq;
    }
    store_step(i, the, dthe, ddthe);
  }

 private:
  int joints_;
  link_array start_, stop_;
};

}  // namespace

window_decl serial_forward_window(const serial_forward_layout& layout) {
  std::vector<start_stop_row> rows;
  for (int k = 1; k <= layout.joints; ++k)
    rows.push_back(serial_start_stop.row(k - 1, "the" + std::to_string(k), "0",
                                         layout.stop_defaults[static_cast<std::size_t>(k - 1)],
                                         slider{-18, 18, 0, true}));
  window_decl d = serial_decl(layout.name, layout.title, layout.joints, layout.link_groups,
                              layout.link_defaults, rows);
  d.make_logic = [&layout] { return std::make_unique<serial_forward_logic>(layout); };
  return d;
}

const window_decl& form_3r_jun() {
  static const serial_forward_layout layout{"form_3r_jun",
                                            "3r_jun",
                                            3,
                                            three_axis_link_groups(),
                                            three_axis_link_defaults(),
                                            {"20", "20", "20"},
                                            three_axis_result_header()};
  static const window_decl decl = serial_forward_window(layout);
  return decl;
}

const window_decl& form_6r_jun() {
  static const serial_forward_layout layout{"form_6r_jun",
                                            "6r_jun",
                                            6,
                                            six_axis_link_groups(),
                                            six_axis_link_defaults(),
                                            {"90", "90", "90", "0", "90", "0"},
                                            six_axis_result_header()};
  static const window_decl decl = serial_forward_window(layout);
  return decl;
}

}  // namespace kinelab
