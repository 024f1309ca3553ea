// Form_zelko_gyaku: the limb driven by the pose of its end plate; the six joint values come
// from the Newton–Raphson inverse, each step starting from the previous step's solution.
#include "app/io/result_file.h"
#include "app/window/decl_builder.h"
#include "app/window/parallel_controls.h"
#include "app/window/pose_fields.h"
#include "core/angles.h"
#include "mechanisms/zelko/zelko_forms.h"
#include "mechanisms/zelko/zelko_window.h"

namespace kinelab {

namespace {

// The static pose starts the iteration with the middle joint bent, away from the straight
// limb.
constexpr double static_pose_knee_deg = 45;
constexpr const char* tolerance_field = "Text13";

class zelko_gyaku_logic : public zelko_logic {
 public:
  zelko_gyaku_logic()
      : goal_p_(arrays.add("goal_p", array_kind::point, "demanded position of the top platform",
                           "length")),
        goal_s_(arrays.add("goal_s", array_kind::point,
                           "demanded posture of the top platform (α, β, γ)", "rad")) {
    leng_[2] = &arrays.add("leng2", array_kind::point,
                           "lengths of the three legs of unit 2 (x, y, z)", "length");
    arrays.keep_solver_record();
  }

  void read_parameters(sim_window& w) override {
    tolerance_ = w.ctl.tolerance(tolerance_field);
    read_geometry(w);
    // Start position in tenths of the length unit, start posture in steps of 5°.
    const start_stop_fields& f = orvak_start_stop;
    for (int k = 0; k < 3; ++k)
      w.ctl.set_number(f.start, f.start_index(k), w.ctl.slider_at(f.sliders, k).value / 10.0);
    for (int k = 3; k < 6; ++k)
      w.ctl.set_number(f.start, f.start_index(k), w.ctl.slider_at(f.sliders, k).value * 5);
  }

  void static_pose(sim_window& w) override {
    // Only the values of the goal are set; its rate fields keep what they hold.
    read_pose_values(w.ctl, orvak_start_stop, goal_p_[0], goal_s_[0]);
    kin_state& gp = goal_p_[0];
    kin_state& gs = goal_s_[0];
    // The other twists start where the last solve left them.
    zelko_twists h = hineri_now_.value;
    h[2].y = rad(static_pose_knee_deg);
    solve(0, gp, gs, h);
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, orvak_start_stop, 6, start_, stop_, 4);
    clear_run_notes();
    begin_placing();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    // One profile for all six pose coordinates: a straight line in (x, y, z, α, β, γ).
    kin_state& gp = goal_p_[at(i)];
    kin_state& gs = goal_s_[at(i)];
    gp = apply_profile(p, start_, stop_, 1, w.T());
    gs = apply_profile(p, start_, stop_, 4, w.T());
    zelko_twists h;
    const nr_outcome out = solve_from(hineri_now_, h, [&](zelko_twists& q) {
      return zelko_inverse(tolerance_, geometry_, gp, gs, q);
    });
    arrays.solver_record()[at(i)] = out;
    store_step(i, h);
    store_legs(i);
  }

  void fill_readouts(sim_window& w, int i) override {
    const kin_state& h1 = hineri_[1]->at(at(i));
    const kin_state& h2 = hineri_[2]->at(at(i));
    const kin_state& h3 = hineri_[3]->at(at(i));
    const double values[] = {h1.x, h1.y, h1.z, h2.y, h3.x, h3.y};
    for (int k = 0; k < 6; ++k) w.ctl.set_number(orvak_readouts, k, deg(values[k]));
  }

  void write_header(result_text& out) const override { write_zelko_header(out, false); }

  // The twists h[1..3], x, y, z each.
  std::optional<solver_start> start_pose() const override {
    solver_start s{{}, hineri_now_.solved, {}};
    for (int k = 1; k <= 3; ++k)
      for (const double v :
           {hineri_now_.value[k].x, hineri_now_.value[k].y, hineri_now_.value[k].z})
        s.values.push_back(v);
    if (hineri_now_.behind)
      for (int k = 1; k <= 3; ++k)
        for (const double v :
             {hineri_now_.converged[k].x, hineri_now_.converged[k].y, hineri_now_.converged[k].z})
          s.fallback.push_back(v);
    return s;
  }
  void set_start_pose(const solver_start& s) override {
    zelko_twists start = hineri_now_.value;
    for (int k = 1; k <= 3; ++k) {
      const auto first = static_cast<std::size_t>(3 * (k - 1));
      kin_state& h = start[static_cast<std::size_t>(k)];
      h.x = s.values.at(first), h.y = s.values.at(first + 1), h.z = s.values.at(first + 2);
    }
    hineri_now_.set(start, s.solved);
    if (s.fallback.size() == s.values.size()) {
      for (int k = 1; k <= 3; ++k) {
        const auto first = static_cast<std::size_t>(3 * (k - 1));
        kin_state& h = start[static_cast<std::size_t>(k)];
        h.x = s.fallback[first], h.y = s.fallback[first + 1], h.z = s.fallback[first + 2];
      }
      hineri_now_.set_fallback(start);
    }
  }

 private:
  // Newton–Raphson from h; pp4 and shisei are the pose reached, which differs from the goal by
  // the residual left.
  void solve(int i, const kin_state& gp, const kin_state& gs, zelko_twists& h) {
    const nr_outcome out = zelko_inverse(tolerance_, geometry_, gp, gs, h);
    arrays.solver_record()[at(i)] = out;
    store_step(i, h);
    hineri_now_.keep_restarting(out, h);
  }

  double tolerance_ = 0;
  vec<6> start_, stop_;
  // The working twists: the start of every solve. They live as long as the window, across
  // steps, Runs and static poses, and start at zero.
  warm_start<zelko_twists> hineri_now_;
  std::vector<kin_state>& goal_p_;
  std::vector<kin_state>& goal_s_;
};

}  // namespace

const window_decl& Form_zelko_gyaku() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "Form_zelko_gyaku";
    d.title = "zelko_gyaku";
    controls& c = d.initial;
    declare_zelko_geometry(d);
    d.layout.push_back(readout_table(c, "", {{"許容誤差", tolerance_field, 0, "0.001"}}, false));
    struct row {
      const char* caption;
      const char* stop;
      slider range;
    };
    const row rows[] = {{"Px", "0.2", {-5, 5, 0, true}},    {"Py", "0.2", {-5, 5, 0, true}},
                        {"Pz", "0.6", {0, 10, 7, true}},    {"alfa", "10", {-18, 18, 0, true}},
                        {"beta", "10", {-18, 18, 0, true}}, {"ganma", "10", {-18, 18, 0, true}}};
    std::vector<start_stop_row> table;
    for (int k = 0; k < 6; ++k)
      table.push_back(orvak_start_stop.row(k, rows[k].caption, "", rows[k].stop, rows[k].range));
    control_grid start_stop = start_stop_table(c, "", {"", "start  stop", "", "", ""}, table);
    for (int k = 3; k < 6; ++k)
      start_stop.rows[static_cast<std::size_t>(k)].push_back(text_cell("(deg)"));
    d.layout.push_back(std::move(start_stop));
    // The joint readouts: each caption with "(deg)" beneath it.
    control_grid joints;
    joints.column_captions = {"α１", "β１", "γ１,γ3", "β２", "α３", "β３"};
    std::vector<grid_cell> fields, units;
    for (int k = 0; k < 6; ++k) {
      declare_field(c, orvak_readouts, k, "", joints.column_captions[static_cast<std::size_t>(k)]);
      fields.push_back(field_cell(orvak_readouts, k));
      units.push_back(text_cell("(deg)"));
    }
    mark_readouts(c, orvak_readouts);
    joints.rows = {units, fields};
    d.layout.push_back(std::move(joints));
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
                {"α2  dα2  ddα2", "hineri2", 'x', {}, true},
                {"β2  dβ2  ddβ2", "hineri2", 'y', {}, true},
                {"γ2  dγ2  ddγ2", "hineri2", 'z', {}, true},
                {"α3  dα3  ddα3", "hineri3", 'x', {}, true},
                {"β3  dβ3  ddβ3", "hineri3", 'y', {}, true},
                {"γ3  dγ3  ddγ3", "hineri3", 'z', {}, true},
                {"L11  dL11  ddL11", "leng1", 'x'},
                {"L12  dL12  ddL12", "leng1", 'y'},
                {"L13  dL13  ddL13", "leng1", 'z'},
                {"L31  dL31  ddL31", "leng2", 'x'},
                {"L32  dL32  ddL32", "leng2", 'y'},
                {"L33  dL33  ddL33", "leng2", 'z'}};
    d.solved_variables = {{"hineri1", 'x', true}, {"hineri1", 'y', true}, {"hineri1", 'z', true},
                          {"hineri2", 'y', true}, {"hineri3", 'x', true}, {"hineri3", 'y', true}};
    d.branch = solution_branch::arm_configuration;
    d.make_logic = [] { return std::make_unique<zelko_gyaku_logic>(); };
    return d;
  }();
  return decl;
}

}  // namespace kinelab
