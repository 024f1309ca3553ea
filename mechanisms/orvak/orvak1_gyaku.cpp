// form_orvak1_gyaku: one orvak unit driven by its platform posture; the three leg lengths
// follow in closed form.
#include <cmath>

#include "app/io/result_file.h"
#include "app/run/leg_report.h"
#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "mechanisms/orvak/orvak_forms.h"
#include "mechanisms/orvak/orvak_window.h"

namespace kinelab {

namespace {

class orvak1_gyaku_logic : public window_logic {
 public:
  orvak1_gyaku_logic()
      : shisei_(
            arrays.add("shisei", array_kind::point, "posture of the platform (α, β, γ)", "rad")),
        pp_(arrays.add("pp", array_kind::point, "position of the platform origin", "length")),
        jp_{nullptr, &joint(1), &joint(2), &joint(3)},
        leng_{nullptr, &leg(1), &leg(2), &leg(3)} {}

  void read_parameters(sim_window& w) override {
    read_orvak_geometry(w.ctl, geometry_, d_);
    w.set_width_scale(d_, 2.5);
  }

  void static_pose(sim_window& w) override {
    // Only the angles come from the sliders; the rates of step 0 stay as the last Run left
    // them, and so do its leg lengths, which the static pose does not compute.
    kin_state& s = shisei_[0];
    double kin_state::*angle[] = {&kin_state::x, &kin_state::y, &kin_state::z};
    const start_stop_fields& f = orvak_start_stop;
    for (int k = 0; k < 3; ++k) {
      const int v = w.ctl.slider_at(f.sliders, k).value;
      w.ctl.set_number(f.start, f.start_index(k), v);
      s.*angle[k] = rad(v);
    }
    place(0);
  }

  void begin_run(sim_window& w) override {
    // The start fields as they stand: a start typed after the last slider move is used.
    read_start_stop(w.ctl, orvak_start_stop, 3, start_, stop_, 1);
    zero_legs_.clear();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    // α, β and γ move along the same profile.
    kin_state& s = shisei_[at(i)];
    s = apply_profile(p, start_, stop_, 1, w.T());
    place(i);
    const orvak_legs legs = orvak_inverse(geometry_, d_, s);
    zero_legs_.note(i, zero_length_legs(legs));
    const kin_state& l = legs.leng;
    leng_[1]->at(at(i)) = {l.x, l.dx, l.ddx};
    leng_[2]->at(at(i)) = {l.y, l.dy, l.ddy};
    leng_[3]->at(at(i)) = {l.z, l.dz, l.ddz};
  }

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override {
    const kin_state origin{};
    const kin_state& pp = pp_[at(i)];
    kin_state base[4];
    for (int k = 1; k <= 3; ++k) base[k] = still_point(geometry_.base_joint(k));
    s.DrawWidth(2);
    world_dot(s, v, pp, 1);
    for (int k = 1; k <= 3; ++k) world_dot(s, v, jp(k, i), 1);
    world_dot(s, v, origin, 1);
    for (int k = 1; k <= 3; ++k) world_dot(s, v, base[k], 1);
    // The platform triangle and the column; the base joints are not joined to each other.
    world_line(s, v, jp(1, i), jp(2, i), 0);
    world_line(s, v, jp(2, i), jp(3, i), 0);
    world_line(s, v, jp(3, i), jp(1, i), 0);
    world_line(s, v, origin, pp, 0);
    for (int k = 1; k <= 3; ++k) world_line(s, v, jp(k, i), base[k], k);
    draw_posture_frame(s, v, pp, shisei_[at(i)], w.draw_size);
    s.DrawWidth(1);
  }

  const std::vector<kin_state>* output_path() const override { return &pp_; }

  void fill_readouts(sim_window& w, int i) override {
    const kin_state& p = pp_[at(i)];
    const kin_state& s = shisei_[at(i)];
    const double values[] = {p.x, p.y, p.z, deg(s.x), deg(s.y), deg(s.z)};
    for (int k = 0; k < 6; ++k) w.ctl.set_number(orvak_readouts, k, values[k]);
  }

  void write_header(result_text& out) const override {
    out.text("i, shisei(i).x, shisei(i).y, shisei(i).z, leng1(i), leng2(i), leng3(i)");
    out.end_line();
  }

  void write_row(result_text& out, int i) const override {
    // The posture columns are radians, although the fields take degrees.
    const kin_state& s = shisei_[at(i)];
    out.integer(i).number(s.x).number(s.y).number(s.z);
    for (int k = 1; k <= 3; ++k) out.number(leng_[k]->at(at(i)).x);
    out.end_line();
  }

  std::string run_note(ui_language lang) const override { return zero_legs_.text(lang); }

  // ∂l/∂s (3×3): the leg lengths against the posture, probed with unit posture rates through
  // orvak_inverse; none where a leg has zero length.
  bool jacobian_at(int i, jacobian_matrix& J) const override {
    if (i < 0 || i > arrays.N()) return false;
    const kin_state& v = shisei_[at(i)];
    const double q[] = {v.x, v.y, v.z};
    return legs_jacobian(geometry_, d_, q, J);
  }

  // The posture (α, β, γ) alone moves; actuators leng1..leng3 by orvak_inverse.
  std::optional<atlas_mechanism> atlas() const override {
    atlas_mechanism m;
    m.pose = {{"shisei", 'x', true}, {"shisei", 'y', true}, {"shisei", 'z', true}};
    for (int k = 1; k <= 3; ++k) m.actuators.push_back({"leng" + std::to_string(k), 'x', false});
    m.output = "pp";
    const orvak_geometry g = geometry_;
    const double d = d_;
    add_identity(m.identity, g);
    add_identity(m.identity, d);
    m.inverse = [g, d](const double* q, double* a) {
      const orvak_legs legs = orvak_inverse(g, d, kin_state{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0});
      a[0] = legs.leng.x, a[1] = legs.leng.y, a[2] = legs.leng.z;
      return legs.any_zero_length() ? cell_state::no_assembly : cell_state::reachable;
    };
    m.jacobian = [g, d](const double* q, jacobian_matrix& J) { return legs_jacobian(g, d, q, J); };
    return m;
  }

 private:
  std::vector<kin_state>& joint(int k) {
    return arrays.add("jp" + std::to_string(k), array_kind::point,
                      "position of platform joint " + std::to_string(k), "length");
  }
  std::vector<kin_state>& leg(int k) {
    return arrays.add("leng" + std::to_string(k), array_kind::scalar,
                      "length of leg " + std::to_string(k), "length");
  }
  static std::size_t at(int i) { return static_cast<std::size_t>(i); }
  const kin_state& jp(int k, int i) const { return jp_[k]->at(at(i)); }

  // ∂l/∂s at the posture q = (α, β, γ), probed with unit posture rates.
  static bool legs_jacobian(const orvak_geometry& g, double d, const double* q,
                            jacobian_matrix& J) {
    if (!std::isfinite(q[0]) || !std::isfinite(q[1]) || !std::isfinite(q[2])) return false;
    double kin_state::*rate[] = {&kin_state::dx, &kin_state::dy, &kin_state::dz};
    J = {};
    J.rows = J.cols = 3;
    for (int k = 1; k <= 3; ++k) {
      kin_state s{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
      s.*rate[k - 1] = 1;
      const orvak_legs legs = orvak_inverse(g, d, s);
      if (legs.any_zero_length()) return false;
      J.m(1, k) = legs.leng.dx, J.m(2, k) = legs.leng.dy, J.m(3, k) = legs.leng.dz;
    }
    return true;
  }

  // The platform origin and joints at step i, in the base frame, from shisei(i).
  void place(int i) {
    const kin_state& s = shisei_[at(i)];
    for (int k = 1; k <= 3; ++k)
      jp_[k]->at(at(i)) = orvak_point(d_, s, still_point(geometry_.platform_joint(k)));
    pp_[at(i)] = orvak_point(d_, s, kin_state{});
  }

  orvak_geometry geometry_;
  double d_ = 0;
  vec3 start_, stop_;
  std::vector<kin_state>& shisei_;
  std::vector<kin_state>& pp_;
  std::vector<kin_state>* jp_[4];    // [1..3]
  std::vector<kin_state>* leng_[4];  // [1..3]: length, rate, acceleration in x, dx, ddx
  leg_fault_log zero_legs_{leg_fault::zero_length};
};

}  // namespace

const window_decl& form_orvak1_gyaku() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "form_orvak1_gyaku";
    d.title = "orvak1_gyaku";
    declare_orvak_controls(d);
    // The pose named as its readouts name it.
    d.graphs = {{"x   dx   ddx", "pp", 'x', "Px"},
                {"y   dy   ddy", "pp", 'y', "Py"},
                {"z   dz   ddz", "pp", 'z', "Pz"},
                {"α  dα ddα", "shisei", 'x', "alfa(deg)", true},
                {"β  dβ ddβ", "shisei", 'y', "beta(deg)", true},
                {"γ  dγ ddγ", "shisei", 'z', "ganma(deg)", true},
                {"leng1 dleng1 ddleng1", "leng1", 'x'},
                {"leng2 dleng2 ddleng2", "leng2", 'x'},
                {"leng3 dleng3 ddleng3", "leng3", 'x'}};
    d.make_logic = [] { return std::make_unique<orvak1_gyaku_logic>(); };
    return d;
  }();
  return decl;
}

}  // namespace kinelab
