// Form_zelko_jun: the limb driven by its twists. The upper twist copies the lower one
// (α3 = α1, β3 = β1, γ3 = γ1), so α1, β1, γ1 and the middle joint β2 drive it.
#include "app/io/result_file.h"
#include "app/window/decl_builder.h"
#include "app/window/parallel_controls.h"
#include "core/angles.h"
#include "mechanisms/zelko/zelko_forms.h"
#include "mechanisms/zelko/zelko_window.h"

namespace kinelab {

namespace {

class zelko_jun_logic : public zelko_logic {
 public:
  void read_parameters(sim_window& w) override {
    read_geometry(w);
    // The start values are a slider setting: whatever was typed into them is replaced.
    const start_stop_fields& f = orvak_start_stop;
    for (int k = 0; k < 4; ++k)
      w.ctl.set_number(f.start, f.start_index(k), w.ctl.slider_at(f.sliders, k).value);
  }

  void static_pose(sim_window& w) override {
    vec<4> q;
    const start_stop_fields& f = orvak_start_stop;
    for (int k = 1; k <= 4; ++k) q(k) = rad(w.ctl.number(f.start, f.start_index(k - 1)));
    zelko_twists h;
    h[1] = {q(1), 0, 0, q(2), 0, 0, q(3), 0, 0};
    h[2] = {0, 0, 0, q(4), 0, 0, 0, 0, 0};
    h[3] = h[1];
    store_step(0, h);
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, orvak_start_stop, 4, start_, stop_, 1);
    clear_run_notes();
    begin_placing();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    const driven_value b2 = apply_profile(p, start_(4), stop_(4), w.T());
    zelko_twists h;
    h[1] = apply_profile(p, start_, stop_, 1, w.T());
    h[2] = {0, 0, 0, b2.q, b2.dq, b2.ddq, 0, 0, 0};
    h[3] = h[1];
    store_step(i, h);
    store_legs(i);
  }

  void fill_readouts(sim_window& w, int i) override {
    // The position readouts show pp3, the lower end of the upper column; the graphs and the
    // file use the end-plate origin pp4.
    const kin_state p = pp(3, i);
    const kin_state& s = shisei_[at(i)];
    const double values[] = {p.x, p.y, p.z, deg(s.x), deg(s.y), deg(s.z)};
    for (int k = 0; k < 6; ++k) w.ctl.set_number(orvak_readouts, k, values[k]);
  }

  void write_header(result_text& out) const override { write_zelko_header(out, true); }

 private:
  vec<4> start_, stop_;
};

}  // namespace

const window_decl& Form_zelko_jun() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "Form_zelko_jun";
    d.title = "zelko_jun";
    controls& c = d.initial;
    declare_zelko_geometry(d);
    std::vector<start_stop_row> rows;
    const char* captions[] = {"α１,α３", "β１,β３", "γ１,γ3", " β２"};
    for (int k = 0; k < 4; ++k)
      rows.push_back(orvak_start_stop.row(
          k, captions[k], "", "0", k < 3 ? slider{-180, 180, 0, true} : slider{0, 90, 45, true}));
    control_grid start_stop = start_stop_table(c, "", {"", "start  stop", "", "", ""}, rows);
    start_stop.rows[3].push_back(text_cell("(deg)"));
    d.layout.push_back(std::move(start_stop));
    d.layout.push_back(pose_readout_row(c, "Px     Py     Pz     alfa   beta ganma",
                                        {"Px", "Py", "Pz", "alfa", "beta", "ganma"}));
    declare_parallel_controls(d);
    // The pose named as its readouts name it; the joints in degrees, as shown.
    d.graphs = {{"px   dpx   ddpx", "pp4", 'x', "Px"},
                {"py   dpy   ddpy", "pp4", 'y', "Py"},
                {"pz   dpz   ddpz", "pp4", 'z', "Pz"},
                {"α   dα   ddα", "shisei", 'x', "alfa(deg)", true},
                {"β   dβ   ddβ", "shisei", 'y', "beta(deg)", true},
                {"γ   dγ   ddγ", "shisei", 'z', "ganma(deg)", true},
                {"α1  dα1  ddα1", "hineri1", 'x', {}, true},
                {"β1  dβ1  ddβ1", "hineri1", 'y', {}, true},
                {"γ1  dγ1  ddγ1", "hineri1", 'z', {}, true},
                {"β2  dβ2  ddβ2", "hineri2", 'y', {}, true},
                {"α3  dα3  ddα3", "hineri3", 'x', {}, true},
                {"β3  dβ3  ddβ3", "hineri3", 'y', {}, true},
                {"γ3  dγ3  ddγ3", "hineri3", 'z', {}, true},
                {"L11  dL11  ddL11", "leng1", 'x'},
                {"L12  dL12  ddL12", "leng1", 'y'},
                {"L13  dL13  ddL13", "leng1", 'z'}};
    d.make_logic = [] { return std::make_unique<zelko_jun_logic>(); };
    return d;
  }();
  return decl;
}

}  // namespace kinelab
