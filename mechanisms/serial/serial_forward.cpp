#include "mechanisms/serial/serial_forward.h"

#include "app/decl_builder.h"
#include "app/result_file.h"
#include "core/angles.h"
#include "mechanisms/serial/serial_window.h"

namespace kinelab {

namespace {

// Start angles are slaved to the pose sliders: Text2(2k − 2) = 5°·HScroll2(k − 1).
constexpr int degrees_per_slider_unit = 5;

class serial_forward_logic : public window_logic {
 public:
  explicit serial_forward_logic(const serial_forward_layout& layout) : layout_(layout) {
    const int n = layout.joints;
    for (int k = 2; k <= n + 1; ++k)
      points_.push_back(&arrays.add("p" + std::to_string(k), array_kind::point));
    posture_ = &arrays.add("s" + std::to_string(n + 1), array_kind::point);
    for (int k = 1; k <= n; ++k)
      joints_.push_back(&arrays.add("the" + std::to_string(k), array_kind::scalar));
  }

  void read_parameters(sim_window& w) override {
    serial_arm arm = read_link_table(w.ctl, layout_.link_groups);
    for (int k = 1; k <= layout_.joints; ++k)
      w.ctl.set_number("Text2", 2 * k - 2,
                       degrees_per_slider_unit * w.ctl.slider_at("HScroll2", k - 1).value);
    arm_ = arm;
    p1_ = {};
    p1_.x = arm_.hx(1), p1_.y = arm_.hy(1), p1_.z = arm_.hz(1);
    w.set_draw_size(arm_size(arm_));
  }

  void static_pose(sim_window& w) override {
    link_array the, dthe, ddthe;
    for (int k = 1; k <= layout_.joints; ++k) the(k) = rad(w.ctl.number("Text2", 2 * k - 2));
    store_step(0, the, dthe, ddthe);
  }

  void begin_run(sim_window& w) override {
    for (int k = 1; k <= layout_.joints; ++k) {
      start_(k) = rad(w.ctl.number("Text2", 2 * k - 2));
      stop_(k) = rad(w.ctl.number("Text2", 2 * k - 1));
    }
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    link_array the, dthe, ddthe;
    for (int k = 1; k <= layout_.joints; ++k) {
      const driven_value v = apply_profile(p, start_(k), stop_(k), w.T());
      the(k) = v.q, dthe(k) = v.dq, ddthe(k) = v.ddq;
      kin_state& j = (*joints_[static_cast<std::size_t>(k - 1)])[static_cast<std::size_t>(i)];
      j = {};
      j.x = v.q, j.dx = v.dq, j.ddx = v.ddq;
    }
    store_step(i, the, dthe, ddthe);
  }

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override {
    std::vector<kin_state> pts{p1_};
    for (auto* a : points_) pts.push_back((*a)[static_cast<std::size_t>(i)]);
    draw_serial_arm(s, v, pts, (*posture_)[static_cast<std::size_t>(i)], w.draw_size);
  }

  const std::vector<kin_state>* output_path() const override { return points_.back(); }

  void fill_readouts(sim_window& w, int i) override {
    show_pose_readouts(w.ctl, (*points_.back())[static_cast<std::size_t>(i)],
                       (*posture_)[static_cast<std::size_t>(i)]);
  }

  void write_header(result_text& out) const override {
    out.text(layout_.result_header);
    out.end_line();
  }

  void write_row(result_text& out, int i) const override {
    const auto at = static_cast<std::size_t>(i);
    out.integer(i);
    for (auto* j : joints_) out.number(deg((*j)[at].x));
    const kin_state& p = (*points_.back())[at];
    const kin_state& s = (*posture_)[at];
    out.number(p.x).number(p.y).number(p.z);
    out.number(deg(s.x)).number(deg(s.y)).number(deg(s.z));
    out.end_line();
  }

 private:
  // The chain at step i: origins of links 2..n+1 and the posture of the last link.
  void store_step(int i, const link_array& the, const link_array& dthe, const link_array& ddthe) {
    const int links = layout_.joints + 1;
    const kin_state origin{};
    for (int k = 2; k <= links; ++k)
      (*points_[static_cast<std::size_t>(k - 2)])[static_cast<std::size_t>(i)] =
          chain_point(k, arm_.hx, arm_.hy, arm_.hz, arm_.alfa, arm_.beta, the, dthe, ddthe, origin);
    (*posture_)[static_cast<std::size_t>(i)] =
        chain_posture_serial(links, arm_.alfa, arm_.beta, the, dthe, ddthe);
  }

  const serial_forward_layout& layout_;
  serial_arm arm_;
  kin_state p1_;
  link_array start_, stop_;
  std::vector<std::vector<kin_state>*> points_;  // p2 .. p(n+1)
  std::vector<kin_state>* posture_;              // s(n+1)
  std::vector<std::vector<kin_state>*> joints_;  // the1 .. then
};

}  // namespace

window_decl serial_forward_window(const serial_forward_layout& layout) {
  window_decl d;
  d.name = layout.name;
  d.title = layout.title;
  controls& c = d.initial;
  d.layout.push_back(link_table(c, layout.link_groups, layout.link_defaults));
  std::vector<start_stop_row> rows;
  for (int k = 1; k <= layout.joints; ++k)
    rows.push_back({"the" + std::to_string(k), "Text2", 2 * k - 2, "0", "Text2", 2 * k - 1,
                    layout.stop_defaults[static_cast<std::size_t>(k - 1)], "HScroll2", k - 1,
                    slider{-18, 18, 0, true}});
  d.layout.push_back(start_stop_table(c, "", {"", " start", "stop", ""}, rows));
  declare_serial_controls(d);
  add_pose_graphs(d, "p" + std::to_string(layout.joints + 1),
                  "s" + std::to_string(layout.joints + 1));
  add_joint_graphs(d, layout.joints);
  d.make_logic = [&layout] { return std::make_unique<serial_forward_logic>(layout); };
  return d;
}

const window_decl& form_3r_jun() {
  static const serial_forward_layout layout{
      "form_3r_jun",
      "3r_jun",
      3,
      {"Text1", "Text6", "Text7", "Text8"},
      {{"0", "0", "0", "0", "0"},
       {"0", "0", "2", "90", "0"},
       {"0", "2", "0", "0", "0"},
       {"0", "1", "0"}},
      {"20", "20", "20"},
      "i, deg(the1(i)), deg(the2(i)), deg(the3(i)), p4(i).x, p4(i).y, p4(i).z, deg(s4(i).x), "
      "deg(s4(i).y), deg(s4(i).z)"};
  static const window_decl decl = serial_forward_window(layout);
  return decl;
}

}  // namespace kinelab
