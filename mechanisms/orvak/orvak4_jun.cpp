// Form_orvak4_jun: four identical orvak units stacked, every unit at the same posture relative
// to the unit below it. Forward kinematics of the stack: every stage origin and joint in world
// coordinates, and the position and overall posture of the top platform.
#include <array>
#include <cmath>
#include <string>

#include "app/io/result_file.h"
#include "app/run/leg_report.h"
#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "mechanisms/orvak/orvak_forms.h"
#include "mechanisms/orvak/orvak_window.h"

namespace kinelab {

namespace {

constexpr int stages = 4;

class orvak4_jun_logic : public window_logic {
 public:
  orvak4_jun_logic()
      : unit_shisei_(arrays.add("unit_shisei", array_kind::point,
                                "posture of each unit relative to the one below (α, β, γ)", "rad")),
        shisei_(arrays.add("shisei", array_kind::point, "posture of the top platform (α, β, γ)",
                           "rad")),
        leng_(arrays.add("leng1", array_kind::point,
                         "lengths of the three legs of a unit (x, y, z)", "length")) {
    for (int j = 1; j <= stages; ++j)
      pp_[j] = &arrays.add("pp" + std::to_string(j), array_kind::point,
                           "position of the platform of stage " + std::to_string(j), "length");
    for (int j = 1; j <= stages; ++j)
      for (int m = 1; m <= 3; ++m) {
        const std::string jm = std::to_string(j) + "_" + std::to_string(m);
        plat_joint_[j][m] = &arrays.add(
            "plat_joint" + jm, array_kind::point,
            "position of platform joint " + std::to_string(m) + " of unit " + std::to_string(j),
            "length");
        base_joint_[j][m] = &arrays.add(
            "base_joint" + jm, array_kind::point,
            "position of base joint " + std::to_string(m) + " of unit " + std::to_string(j),
            "length");
      }
  }

  void read_parameters(sim_window& w) override {
    read_orvak_geometry(w.ctl, geometry_, d_);
    for (int u = 1; u <= stages; ++u) dist_[u] = d_;
    // The start posture is a slider setting: whatever was typed into its fields is replaced.
    const start_stop_fields& f = orvak_start_stop;
    for (int k = 0; k < 3; ++k)
      w.ctl.set_number(f.start, f.start_index(k), w.ctl.slider_at(f.sliders, k).value);
    w.set_width_scale(stages * d_, 2);
  }

  void static_pose(sim_window& w) override {
    const start_stop_fields& f = orvak_start_stop;
    kin_state s;
    s.x = rad(w.ctl.number(f.start, f.start_index(0)));
    s.y = rad(w.ctl.number(f.start, f.start_index(1)));
    s.z = rad(w.ctl.number(f.start, f.start_index(2)));
    unit_shisei_[0] = s;
    shisei_[0] = overall_posture(s);
    place(0);
  }

  void begin_run(sim_window& w) override {
    read_start_stop(w.ctl, orvak_start_stop, 3, start_, stop_, 1);
    zero_legs_.clear();
  }

  void trajectory_step(sim_window& w, int i, const profile_point& p) override {
    kin_state& u = unit_shisei_[at(i)];
    u = apply_profile(p, start_, stop_, 1, w.T());
    shisei_[at(i)] = overall_posture(u);
    place(i);
    // The in-unit legs are taken at the overall posture of the top platform, not at the
    // posture of unit 1: for a unit α of 10° they are the legs of α = 40°.
    const orvak_legs legs = orvak_inverse(geometry_, d_, shisei_[at(i)]);
    zero_legs_.note(i, zero_length_legs(legs));
    leng_[at(i)] = legs.leng;
  }

  void draw_step(sim_window& w, surface& s, const view_params& v, int i) override {
    const kin_state origin{};
    s.DrawWidth(2);
    world_dot(s, v, origin, 1);
    for (int u = 1; u <= stages; ++u) {
      for (int m = 1; m <= 3; ++m) world_dot(s, v, plat(u, m, i), 1);
      for (int m = 1; m <= 3; ++m) world_line(s, v, plat(u, m, i), plat(u, m % 3 + 1, i), 0);
      for (int m = 1; m <= 3; ++m) world_dot(s, v, base(u, m, i), 1);
      for (int m = 1; m <= 3; ++m) world_line(s, v, base(u, m, i), base(u, m % 3 + 1, i), 0);
      for (int m = 1; m <= 3; ++m) world_line(s, v, plat(u, m, i), base(u, m, i), m);
      world_dot(s, v, pp(u, i), 1);
    }
    world_line(s, v, origin, pp(1, i), 0);
    for (int u = 1; u < stages; ++u) world_line(s, v, pp(u, i), pp(u + 1, i), 0);
    draw_posture_frame(s, v, pp(stages, i), shisei_[at(i)], w.draw_size);
    s.DrawWidth(1);
  }

  const std::vector<kin_state>* output_path() const override { return pp_[stages]; }

  void fill_readouts(sim_window& w, int i) override {
    const kin_state& p = pp(stages, i);
    const kin_state& s = shisei_[at(i)];
    const double values[] = {p.x, p.y, p.z, deg(s.x), deg(s.y), deg(s.z)};
    for (int k = 0; k < 6; ++k) w.ctl.set_number(orvak_readouts, k, values[k]);
  }

  void write_header(result_text& out) const override {
    out.text(
        "i, pp(4, i).x, pp(4, i).y, pp(4, i).z,shisei(i).x, shisei(i).y, shisei(i).z, "
        "leng(1,i).x, leng(1,i).y, leng(1,i).z");
    out.end_line();
  }

  void write_row(result_text& out, int i) const override {
    const kin_state& p = pp(stages, i);
    const kin_state& s = shisei_[at(i)];
    const kin_state& l = leng_[at(i)];
    // The posture columns are radians.
    out.integer(i).number(p.x).number(p.y).number(p.z);
    out.number(s.x).number(s.y).number(s.z);
    out.number(l.x).number(l.y).number(l.z);
    out.end_line();
  }

  std::string run_note(ui_language lang) const override { return zero_legs_.text(lang); }

  // ∂(pp4, shisei)/∂u (6×3): the top platform's position and overall posture against the unit
  // posture all four units share, probed with unit rates through the stack.
  bool jacobian_at(int i, jacobian_matrix& J) const override {
    if (i < 0 || i > arrays.N()) return false;
    const kin_state& v = unit_shisei_[at(i)];
    return stack_jacobian(dist_, v, J);
  }

  // The unit posture moves; actuators the legs leng1 (x, y, z) the window takes at the
  // overall posture.
  std::optional<atlas_mechanism> atlas() const override {
    atlas_mechanism m;
    m.pose = {{"unit_shisei", 'x', true}, {"unit_shisei", 'y', true}, {"unit_shisei", 'z', true}};
    m.actuators = {{"leng1", 'x', false}, {"leng1", 'y', false}, {"leng1", 'z', false}};
    m.output = "pp4";
    const orvak_geometry g = geometry_;
    const double d = d_;
    std::array<double, stages + 1> dist{};
    std::copy(std::begin(dist_), std::end(dist_), dist.begin());
    add_identity(m.identity, g);
    add_identity(m.identity, d);
    add_identity(m.identity, dist);
    m.inverse = [g, d](const double* q, double* a) {
      const kin_state u{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
      const orvak_legs legs = orvak_inverse(g, d, overall_posture(u));
      a[0] = legs.leng.x, a[1] = legs.leng.y, a[2] = legs.leng.z;
      return legs.any_zero_length() ? cell_state::no_assembly : cell_state::reachable;
    };
    m.jacobian = [dist](const double* q, jacobian_matrix& J) {
      return stack_jacobian(dist.data(), kin_state{q[0], 0, 0, q[1], 0, 0, q[2], 0, 0}, J);
    };
    return m;
  }

 private:
  // ∂(pp4, shisei)/∂u at the unit posture v (its values), probed with unit rates.
  static bool stack_jacobian(const double* dist, const kin_state& v, jacobian_matrix& J) {
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
    double kin_state::*rate[] = {&kin_state::dx, &kin_state::dy, &kin_state::dz};
    J = {};
    J.rows = 6;
    J.cols = 3;
    for (int k = 1; k <= 3; ++k) {
      kin_state u{v.x, 0, 0, v.y, 0, 0, v.z, 0, 0};
      u.*rate[k - 1] = 1;
      const auto s = unit_postures(u);
      const kin_state top = orvak_stack_point(stages, dist, s.data(), kin_state{});
      const kin_state posture = chain_posture(stages, s.data());
      const double column[] = {top.dx, top.dy, top.dz, posture.dx, posture.dy, posture.dz};
      for (int r = 1; r <= 6; ++r) J.m(r, k) = column[r - 1];
    }
    return true;
  }

  static std::size_t at(int i) { return static_cast<std::size_t>(i); }
  const kin_state& pp(int j, int i) const { return pp_[j]->at(at(i)); }
  const kin_state& plat(int j, int m, int i) const { return plat_joint_[j][m]->at(at(i)); }
  const kin_state& base(int j, int m, int i) const { return base_joint_[j][m]->at(at(i)); }

  // Every unit takes the same relative posture u; [0] is unused, as chain_posture expects.
  static std::array<kin_state, stages + 1> unit_postures(const kin_state& u) {
    std::array<kin_state, stages + 1> s;
    for (int j = 1; j <= stages; ++j) s[static_cast<std::size_t>(j)] = u;
    return s;
  }
  // The same as one triple (R, Ṙ, R̈) shared by all four, for chain_matrices and
  // orvak_stack_point.
  static std::array<rotation_rates, stages + 1> unit_matrices(const kin_state& u) {
    std::array<rotation_rates, stages + 1> m;
    m.fill(posture_matrices(u));
    return m;
  }
  // R₁·R₂·R₃·R₄ of the top platform against the base, as angles with rates.
  static kin_state overall_posture(const kin_state& u) {
    return posture_from_matrices(chain_matrices(stages, unit_matrices(u).data()));
  }

  // Stage origins and joints at step i from the unit posture of step i, in world coordinates.
  void place(int i) {
    const auto m = unit_matrices(unit_shisei_[at(i)]);
    auto stack = [&](int j, const vec3& x) {
      return orvak_stack_point(j, dist_, m.data(), still_point(x));
    };
    for (int j = 1; j <= stages; ++j) {
      pp_[j]->at(at(i)) = stack(j, vec3{});
      for (int m = 1; m <= 3; ++m)
        plat_joint_[j][m]->at(at(i)) = stack(j, geometry_.platform_joint(m));
    }
    // The base joints of unit 1 are fixed; those of unit j + 1 ride on the platform of unit j.
    for (int m = 1; m <= 3; ++m)
      base_joint_[1][m]->at(at(i)) = still_point(geometry_.base_joint(m));
    for (int j = 1; j < stages; ++j)
      for (int m = 1; m <= 3; ++m)
        base_joint_[j + 1][m]->at(at(i)) = stack(j, geometry_.base_joint(m));
  }

  orvak_geometry geometry_;
  double d_ = 0;
  double dist_[stages + 1] = {};  // [1..4]: every column has the length d
  vec3 start_, stop_;
  std::vector<kin_state>& unit_shisei_;  // the relative posture shared by all four units
  std::vector<kin_state>& shisei_;
  std::vector<kin_state>& leng_;  // leg 1 in x, dx, ddx; leg 2 in y…; leg 3 in z…
  std::vector<kin_state>* pp_[stages + 1] = {};             // [1..4]
  std::vector<kin_state>* plat_joint_[stages + 1][4] = {};  // [unit][joint]
  std::vector<kin_state>* base_joint_[stages + 1][4] = {};  // [unit][joint]
  leg_fault_log zero_legs_{leg_fault::zero_length};
};

}  // namespace

const window_decl& Form_orvak4_jun() {
  static const window_decl decl = [] {
    window_decl d;
    d.name = "Form_orvak4_jun";
    d.title = "orvak4_jun";
    declare_orvak_controls(d);
    // The pose named as its readouts name it.
    d.graphs = {{"x   dx   ddx", "pp4", 'x', "Px"},
                {"y   dy   ddy", "pp4", 'y', "Py"},
                {"z   dz   ddz", "pp4", 'z', "Pz"},
                {"alfa dalfa ddalfa", "shisei", 'x', "alfa(deg)", true},
                {"beta dbeta ddbeta", "shisei", 'y', "beta(deg)", true},
                {"gan  dgan  ddgan", "shisei", 'z', "ganma(deg)", true},
                {"l1 dl1 ddl1", "leng1", 'x'},
                {"l2 dl2 ddl2", "leng1", 'y'},
                {"l3 dl3 ddl3", "leng1", 'z'}};
    d.make_logic = [] { return std::make_unique<orvak4_jun_logic>(); };
    return d;
  }();
  return decl;
}

}  // namespace kinelab
