#include "mechanisms/stewart/hexapod_file.h"

#include <cmath>
#include <cstdio>

#include "core/angles.h"
#include "core/posture.h"
#include "core/singular_values.h"

namespace kinelab {

namespace {

using json = nlohmann::json;

// The unit vector from base joint k to platform joint k at the pose, in the world, and the
// platform's R; false where the leg has zero length.
bool leg_direction(const stewart_geometry& g, int k, const kin_state& position,
                   const kin_state& posture, vec3& u, mat3& R) {
  R = rotation_matrix(posture.x, posture.y, posture.z);
  vec3 a, Ra;
  a(1) = g.ax(k), a(2) = g.ay(k), a(3) = g.az(k);
  mat_vec(3, R, a, Ra);
  vec3 p, B;
  p(1) = position.x + Ra(1), p(2) = position.y + Ra(2), p(3) = position.z + Ra(3);
  B(1) = g.Bx(k), B(2) = g.By(k), B(3) = g.Bz(k);
  const leg_vector leg = leg_between(p, B);
  if (leg.zero_length) return false;
  for (int i = 1; i <= 3; ++i) u(i) = leg.l(i) / leg.L;
  return true;
}

double angle_between(const vec3& u, const vec3& v) {
  double c = u(1) * v(1) + u(2) * v(2) + u(3) * v(3);
  c = std::fmax(-1.0, std::fmin(1.0, c));
  return std::acos(c);
}

std::string number_text(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

class reader : public mechanism_reader {
 public:
  using mechanism_reader::mechanism_reader;

  hexapod_file read(const json& root, const std::string& bytes) const {
    if (!root.is_object()) fail("format", message_id::mechanism_not_an_object_file);
    only_keys(root, "",
              {"format", "format_version", "name", "source", "kind", "unit", "base_joints",
               "platform_joints", "leg_length", "home", "joint_cone_deg"});
    const std::string k = kind(root);
    if (k == "serial arm") fail("kind", message_id::mechanism_arm_not_a_hexapod);
    if (k != "hexapod") fail("kind", message_id::mechanism_unknown_kind, {k});
    hexapod_file h;
    h.path = path();
    h.name = name(root);
    if (find(root, "source")) h.source = text(root["source"], "source");
    h.unit = unit(root);
    stewart_geometry& g = h.geometry;
    joints(root, "base_joints", g.Bx, g.By, g.Bz);
    joints(root, "platform_joints", g.ax, g.ay, g.az);
    same_legs(g);

    const json& range = need(root, "", "leg_length");
    if (!range.is_object()) fail("leg_length", message_id::hexapod_not_a_leg_range);
    only_keys(range, "leg_length", {"min", "max"});
    h.leg_min = number_of(range, "leg_length", "min");
    h.leg_max = number_of(range, "leg_length", "max");
    if (!(h.leg_min > 0)) fail("leg_length/min", message_id::hexapod_leg_min_not_positive);
    if (!(h.leg_min < h.leg_max))
      fail("leg_length/min", message_id::mechanism_limits_not_a_range, {"min", "max"});

    const json& home = need(root, "", "home");
    if (!home.is_object()) fail("home", message_id::mechanism_not_a_frame);
    only_keys(home, "home", {"xyz", "rpy_deg"});
    const vec3 xyz = triple(need(home, "home", "xyz"), "home/xyz");
    vec3 rpy;
    if (const json* v = find(home, "rpy_deg")) rpy = triple(*v, "home/rpy_deg");
    for (int i = 1; i <= 3; ++i) h.home(i) = xyz(i);
    if (rpy(1) != 0 || rpy(2) != 0 || rpy(3) != 0) {
      const posture_angles p = posture_angles_of(rpy_matrix(rpy));
      h.home(4) = p.a, h.home(5) = p.b, h.home(6) = p.c;
    }
    home_legs(h);

    if (const json* c = find(root, "joint_cone_deg")) {
      if (!c->is_object()) fail("joint_cone_deg", message_id::hexapod_not_cones);
      only_keys(*c, "joint_cone_deg", {"base", "platform"});
      for (const char* side : {"base", "platform"}) {
        if (!find(*c, side)) continue;
        const std::string key = std::string("joint_cone_deg/") + side;
        const double a = number((*c)[side], key);
        if (!(a > 0 && a < 180)) fail(key, message_id::hexapod_cone_angle);
        (side[0] == 'b' ? h.base_cone : h.platform_cone) = rad(a);
      }
    }
    h.content_hash = content_hash_of(bytes);
    return h;
  }

 private:
  void joints(const json& root, const char* key, vec<6>& x, vec<6>& y, vec<6>& z) const {
    const json& rows = need(root, "", key);
    if (!rows.is_array()) fail(key, message_id::hexapod_not_a_joint_list);
    if (rows.size() != 6) fail(key, message_id::hexapod_joint_count, {std::to_string(rows.size())});
    for (int k = 1; k <= 6; ++k) {
      const vec3 p = triple(rows[static_cast<std::size_t>(k - 1)],
                            std::string(key) + "/" + std::to_string(k - 1));
      x(k) = p(1), y(k) = p(2), z(k) = p(3);
    }
  }

  // Two legs between the same two joints are one leg twice: the platform is not held.
  void same_legs(const stewart_geometry& g) const {
    for (int j = 1; j <= 6; ++j)
      for (int k = j + 1; k <= 6; ++k)
        if (g.ax(j) == g.ax(k) && g.ay(j) == g.ay(k) && g.az(j) == g.az(k) && g.Bx(j) == g.Bx(k) &&
            g.By(j) == g.By(k) && g.Bz(j) == g.Bz(k))
          fail("platform_joints/" + std::to_string(k - 1), message_id::hexapod_same_legs,
               {std::to_string(j), std::to_string(k)});
  }

  // Every leg within its range at home, and the legs holding the platform there (a Jacobian
  // far from singular: coincident or collinear joints let it move with the legs held).
  void home_legs(hexapod_file& h) const {
    const pose q = pose_at(h.home);
    const stewart_leg_set legs = stewart_legs(h.geometry, q.position, q.posture);
    for (int k = 1; k <= 6; ++k) {
      const double L = legs.leg(k);
      if (!(L >= h.leg_min && L <= h.leg_max))
        fail("home", message_id::hexapod_home_leg_outside,
             {std::to_string(k), number_text(L), number_text(h.leg_min), number_text(h.leg_max)});
    }
    jacobian_matrix J;
    J.rows = J.cols = 6;
    mat<6, 21> H;
    stewart_jacobian(h.geometry, q.position, q.posture, J.m, H);
    const singularity_distance d = singularity_distance_of(singular_values(J));
    if (!(d.condition < 1e10)) fail("home", message_id::hexapod_home_singular);
    for (int k = 1; k <= 6; ++k) {
      vec3 u;
      mat3 R;
      leg_direction(h.geometry, k, q.position, q.posture, u, R);
      const auto i = static_cast<std::size_t>(k - 1);
      h.base_axis[i] = u;
      // In the platform frame: Rᵀ·u.
      for (int r = 1; r <= 3; ++r)
        h.platform_axis[i](r) = R(1, r) * u(1) + R(2, r) * u(2) + R(3, r) * u(3);
    }
  }
};

}  // namespace

hexapod_file parse_hexapod_file(const std::string& text, const std::string& path,
                                ui_language lang) {
  return read_mechanism_document<reader>(text, path, lang);
}

hexapod_file read_hexapod_file(const std::string& path, ui_language lang) {
  return parse_hexapod_file(read_mechanism_text(path, lang), path, lang);
}

double base_cone_angle(const hexapod_file& h, int k, const kin_state& position,
                       const kin_state& posture) {
  vec3 u;
  mat3 R;
  if (!leg_direction(h.geometry, k, position, posture, u, R)) return 0;
  return angle_between(u, h.base_axis[static_cast<std::size_t>(k - 1)]);
}

double platform_cone_angle(const hexapod_file& h, int k, const kin_state& position,
                           const kin_state& posture) {
  vec3 u, axis;
  mat3 R;
  if (!leg_direction(h.geometry, k, position, posture, u, R)) return 0;
  mat_vec(3, R, h.platform_axis[static_cast<std::size_t>(k - 1)], axis);
  return angle_between(u, axis);
}

hexapod_limit_check check_hexapod_limits(const hexapod_file& h, const vec<6>& legs,
                                         const kin_state& position, const kin_state& posture) {
  for (int k = 1; k <= 6; ++k) {
    if (!(legs(k) >= h.leg_min && legs(k) <= h.leg_max)) return {k, hexapod_limit::length};
    if (h.base_cone > 0 && base_cone_angle(h, k, position, posture) > h.base_cone)
      return {k, hexapod_limit::base_cone};
    if (h.platform_cone > 0 && platform_cone_angle(h, k, position, posture) > h.platform_cone)
      return {k, hexapod_limit::platform_cone};
  }
  return {};
}

}  // namespace kinelab
