#pragma once
// A Gough–Stewart hexapod read from a mechanism file (docs/mechanism_files.md): six base joints
// in world coordinates, six platform joints in platform coordinates, the range of the leg
// lengths, the home pose and, optionally, the joints' cone limits. Every problem is refused with
// "FILE:LINE: KEY: problem" before anything is built.
#include <array>
#include <string>

#include "app/study/mechanism_document.h"
#include "mechanisms/stewart/stewart_kinematics.h"

namespace kinelab {

struct hexapod_file {
  std::string path;  // as given
  std::string name, source;
  std::string unit;  // of every length
  stewart_geometry geometry;
  double leg_min = 0, leg_max = 0;  // every leg's range, 0 < leg_min < leg_max
  // The home pose: x, y, z in the unit, the posture angles α, β, γ in radians (the file's
  // roll, pitch, yaw turned into them).
  vec<6> home;
  // The joints' cone half-angles in radians, 0 where the file gives none. A joint's axis is
  // its leg's direction at the home pose, fixed in the base or in the platform.
  double base_cone = 0, platform_cone = 0;
  std::array<vec3, 6> base_axis, platform_axis;  // unit vectors, leg k at [k − 1]
  std::string content_hash;                      // of the file's bytes, hex
};

// Reads a hexapod file; throws mechanism_file_error, the problem in `lang`.
hexapod_file read_hexapod_file(const std::string& path, ui_language lang = ui_language::english);
// The same from the file's text; `path` names it in messages.
hexapod_file parse_hexapod_file(const std::string& text, const std::string& path,
                                ui_language lang = ui_language::english);

// Where the legs stand against the file's limits at a pose: the first leg (1..6) whose length
// is outside the range or whose joint leaves its cone, 0 for none, and which limit.
enum class hexapod_limit { none, length, base_cone, platform_cone };
struct hexapod_limit_check {
  int leg = 0;
  hexapod_limit limit = hexapod_limit::none;
};
hexapod_limit_check check_hexapod_limits(const hexapod_file& h, const vec<6>& legs,
                                         const kin_state& position, const kin_state& posture);
// The angle between leg k's direction and its base joint's (platform joint's) axis, radians.
double base_cone_angle(const hexapod_file& h, int k, const kin_state& position,
                       const kin_state& posture);
double platform_cone_angle(const hexapod_file& h, int k, const kin_state& position,
                           const kin_state& posture);

}  // namespace kinelab
