#include "mechanisms/zelko/zelko_window.h"

#include <cmath>

#include "app/io/result_file.h"
#include "app/window/decl_builder.h"
#include "core/angles.h"
#include "draw/view.h"

namespace kinelab {

namespace {
// The middle-joint offsets Hx1, Hz1, Hx3, Hz3.
constexpr const char* offset_fields = "Text4";
}  // namespace

void declare_zelko_geometry(window_decl& d) {
  controls& c = d.initial;
  for (control_grid& g : orvak_geometry_tables(c)) d.layout.push_back(std::move(g));
  d.layout.push_back(readout_table(c, "",
                                   {{"Hx1=", offset_fields, 0, "0.06"},
                                    {"Hz1=", offset_fields, 1, "0.01"},
                                    {"Hx3=", offset_fields, 2, "0.06"},
                                    {"Hz3=", offset_fields, 3, "-0.01"}}));
}

zelko_logic::zelko_logic()
    : shisei_(
          arrays.add("shisei", array_kind::point, "posture of the top platform (α, β, γ)", "rad")) {
  for (int k = 1; k <= 3; ++k)
    hineri_[k] = &arrays.add("hineri" + std::to_string(k), array_kind::point,
                             "twist of joint " + std::to_string(k) + " (α, β, γ)", "rad");
  for (int j = 1; j <= 4; ++j)
    pp_[j] = &arrays.add("pp" + std::to_string(j), array_kind::point,
                         "position of the platform of stage " + std::to_string(j), "length");
  for (int u = 1; u <= 2; ++u)
    for (int m = 1; m <= 3; ++m) {
      const std::string um = std::to_string(u) + "_" + std::to_string(m);
      plat_joint_[u][m] = &arrays.add(
          "plat_joint" + um, array_kind::point,
          "position of platform joint " + std::to_string(m) + " of unit " + std::to_string(u),
          "length");
      base_joint_[u][m] = &arrays.add(
          "base_joint" + um, array_kind::point,
          "position of base joint " + std::to_string(m) + " of unit " + std::to_string(u),
          "length");
    }
  leng_[1] = &arrays.add("leng1", array_kind::point,
                         "lengths of the three legs of unit 1 (x, y, z)", "length");
}

void zelko_logic::read_geometry(sim_window& w) {
  zelko_geometry g;
  read_orvak_geometry(w.ctl, g.unit, g.d);
  g.Hx1 = w.ctl.number(offset_fields, 0);
  g.Hz1 = w.ctl.number(offset_fields, 1);
  g.Hx3 = w.ctl.number(offset_fields, 2);
  g.Hz3 = w.ctl.number(offset_fields, 3);
  geometry_ = g;
  w.set_width_scale(2 * g.d, 2.5);
}

void zelko_logic::store_step(int i, const zelko_twists& twists) {
  zelko_twists h = twists;
  const zelko_placement p = zelko_place(geometry_, h);
  // zelko_place clears the α and γ of the middle twist; store the twists as placed.
  for (int k = 1; k <= 3; ++k) hineri_[k]->at(at(i)) = h[static_cast<std::size_t>(k)];
  shisei_[at(i)] = p.posture;
  placed_step_ = i;
  placed_legs_[1] = p.unit_legs[1], placed_legs_[2] = p.unit_legs[2];
  for (int j = 1; j <= 4; ++j) pp_[j]->at(at(i)) = p.pp[j];
  for (int u = 1; u <= 2; ++u)
    for (int m = 1; m <= 3; ++m) {
      plat_joint_[u][m]->at(at(i)) = p.plat_joint[u][m];
      base_joint_[u][m]->at(at(i)) = p.base_joint[u][m];
    }
}

void zelko_logic::store_legs(int i) {
  // Both units use the in-unit formula at their own twist. For the upper unit that is not the
  // length of the drawn upper leg once β3 ≠ 0 (the upper unit is turned about y).
  for (int u = 1; u <= 2; ++u) {
    if (!leng_[u]) continue;
    // store_step has just placed step i and taken these legs at the same twists.
    const orvak_legs legs = placed_step_ == i ? placed_legs_[u]
                                              : orvak_inverse(geometry_.unit, geometry_.d,
                                                              hineri_[2 * u - 1]->at(at(i)));
    zero_legs_.note(i, zero_length_legs(legs, 3 * (u - 1)));
    leng_[u]->at(at(i)) = legs.leng;
  }
}

void zelko_logic::clear_run_notes() {
  zero_legs_.clear();
}

std::string zelko_logic::run_note(ui_language lang) const {
  return zero_legs_.text(lang);
}

bool zelko_logic::jacobian_at(int i, jacobian_matrix& J) const {
  if (i < 0 || i > arrays.N()) return false;
  zelko_twists h{};
  for (int k = 1; k <= 3; ++k) {
    const kin_state& v = hineri_[k]->at(at(i));
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
    h[static_cast<std::size_t>(k)] = {v.x, 0, 0, v.y, 0, 0, v.z, 0, 0};
  }
  J = {};
  J.rows = J.cols = 6;
  J.m = zelko_jacobian(geometry_, h);
  return true;
}

std::optional<atlas_mechanism> zelko_logic::atlas() const {
  atlas_mechanism m;
  m.kind = atlas_kind::sampled;
  m.pose = {{"hineri1", 'x', true}, {"hineri1", 'y', true}, {"hineri1", 'z', true},
            {"hineri2", 'y', true}, {"hineri3", 'x', true}, {"hineri3", 'y', true}};
  m.actuators = m.pose;
  m.output = "pp4";
  const zelko_geometry g = geometry_;
  add_identity(m.identity, g);
  // θ = (α1, β1, γ1, β2, α3, β3) as twists, γ3 = γ1.
  auto twists = [](const double* q) {
    zelko_twists h{};
    h[1] = {q[0], 0, 0, q[1], 0, 0, q[2], 0, 0};
    h[2] = {0, 0, 0, q[3], 0, 0, 0, 0, 0};
    h[3] = {q[4], 0, 0, q[5], 0, 0, q[2], 0, 0};
    return h;
  };
  m.forward = [g, twists](const double* q, double* p) {
    zelko_twists h = twists(q);
    const vec<6> f = zelko_end_pose(g, h);
    p[0] = f(1), p[1] = f(2), p[2] = f(3);
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
  };
  m.jacobian = [g, twists](const double* q, jacobian_matrix& J) {
    for (int k = 0; k < 6; ++k)
      if (!std::isfinite(q[k])) return false;
    zelko_twists h = twists(q);
    J = {};
    J.rows = J.cols = 6;
    J.m = zelko_jacobian(g, h);
    return true;
  };
  return m;
}

void zelko_logic::draw_step(sim_window& w, surface& s, const view_params& v, int i) {
  const kin_state origin{};
  s.DrawWidth(2);
  world_dot(s, v, origin, 1);
  for (int u = 1; u <= 2; ++u) {
    auto plat = [&](int m) -> const kin_state& { return plat_joint_[u][m]->at(at(i)); };
    auto base = [&](int m) -> const kin_state& { return base_joint_[u][m]->at(at(i)); };
    for (int m = 1; m <= 3; ++m) world_dot(s, v, plat(m), 1);
    for (int m = 1; m <= 3; ++m) world_line(s, v, plat(m), plat(m % 3 + 1), 0);
    for (int m = 1; m <= 3; ++m) world_dot(s, v, base(m), 1);
    for (int m = 1; m <= 3; ++m) world_line(s, v, base(m), base(m % 3 + 1), 0);
    for (int m = 1; m <= 3; ++m) world_line(s, v, plat(m), base(m), m);
  }
  // The centre line: lower column, the two arms of the middle joint, upper column.
  for (int j = 1; j <= 4; ++j) world_dot(s, v, pp_[j]->at(at(i)), 1);
  world_line(s, v, origin, pp_[1]->at(at(i)), 0);
  for (int j = 1; j < 4; ++j) world_line(s, v, pp_[j]->at(at(i)), pp_[j + 1]->at(at(i)), 0);
  draw_posture_frame(s, v, pp_[4]->at(at(i)), shisei_[at(i)], w.draw_size);
  s.DrawWidth(1);
}

void zelko_logic::write_zelko_header(result_text& out, bool last_comma) {
  out.text(
      "i, pp(4,i).x, pp(4,i).y, pp(4,i).z, deg(shisei(i).x), deg(shisei(i).y), "
      "deg(shisei(i).z),");
  out.end_line();
  out.text("deg(hineri(1,i).x),deg(hineri(1,i).y),deg(hineri(1,i).z),");
  out.end_line();
  out.text("deg(hineri(2,i).x),deg(hineri(2,i).y),deg(hineri(2,i).z),");
  out.end_line();
  out.text(last_comma ? "deg(hineri(3,i).x),deg(hineri(3,i).y),deg(hineri(3,i).z),"
                      : "deg(hineri(3,i).x),deg(hineri(3,i).y),deg(hineri(3,i).z)");
  out.end_line();
}

void zelko_logic::write_row(result_text& out, int i) const {
  // Four pieces on one line: the pose reached, then each twist in degrees (the middle twist's
  // α and γ included, always 0). Each piece leaves the position at the next print zone.
  const kin_state& p = pp_[4]->at(at(i));
  const kin_state& s = shisei_[at(i)];
  out.integer(i).number(p.x).number(p.y).number(p.z);
  out.number(deg(s.x)).number(deg(s.y)).number(deg(s.z));
  for (int k = 1; k <= 3; ++k) {
    const kin_state& h = hineri_[k]->at(at(i));
    out.number(deg(h.x)).number(deg(h.y)).number(deg(h.z));
  }
  out.end_line();
}

}  // namespace kinelab
