#pragma once
// What a window tells the workspace atlas about its mechanism, at the geometry it last read
// from its fields: the variables it drives, its actuators, and the maps the atlas evaluates per
// cell. The maps hold the geometry by value, so one description serves every thread at once.
//
// Two kinds. A platform (Stewart, the rail platforms, the orvak unit) is placed at a pose and its
// actuators follow in closed form: pose q = (x, y, z, α, β, γ), or (α, β, γ) where only the
// posture is free, lengths in the window's unit and angles in radians. A sampled mechanism (the
// arms, the zelko limb) is moved through its joints q (radians) and its output point follows.
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "app/run/diagnostics.h"
#include "core/singular_values.h"

namespace kinelab {

enum class atlas_kind { platform, sampled };

// What became of one cell; every state but `reachable` names the reason it is not.
enum class cell_state : std::uint8_t {
  reachable,
  outside_limits,  // an actuator (a leg, a slider, a joint) beyond its limits
  no_assembly,     // the inverse has no solution there: a rod short of its rail, a leg of length 0
  no_jacobian,     // the Jacobian could not be formed (a value not finite)
  not_sampled,     // no sample of the joint ranges fell in the cell
};
// "reachable", "actuator outside its limits", ...: the words of the atlas's CSV.
const char* to_string(cell_state s);

struct atlas_mechanism {
  atlas_kind kind = atlas_kind::platform;
  // The variables the atlas moves, as the window stores them (array, component, angle):
  // a platform's pose (six, or the three posture angles), a sampled mechanism's joints.
  std::vector<solved_variable> pose;
  // The actuators whose limits decide reachability, as stored; a sampled mechanism's are its
  // joints.
  std::vector<solved_variable> actuators;
  // The point a sampled mechanism's cells are binned by, and whose path the picture marks.
  std::string output;
  // Platform: the actuator values at pose q (one per actuator); reachable or no_assembly.
  std::function<cell_state(const double* q, double* actuators)> inverse;
  // Sampled: the output point at joints q into p[0..2]; false when it is not finite.
  std::function<bool(const double* q, double* p)> forward;
  // The Jacobian the diagnostics use, at pose (or joints) q; false where it cannot be formed.
  std::function<bool(const double* q, jacobian_matrix& J)> jacobian;

  // Limits the mechanism itself declares for its actuators (an arm file's joint limits), as
  // stored, one per actuator or none: where given they are the atlas's default limits in place
  // of the Run's widened range.
  struct declared_limit {
    bool given = false;
    double lo = 0, hi = 0;
  };
  std::vector<declared_limit> declared_limits;
  // The geometry the maps hold, as bytes (add_identity): two descriptions with equal, non-empty
  // identities have the same maps, so that an atlas of one serves the other. Empty: never reused.
  std::string identity;
  // A platform whose position is free (not only its posture).
  bool position_free() const { return kind == atlas_kind::platform && pose.size() == 6; }
};

// Appends the bytes of geometry held by value to an identity: numbers, or structs of doubles.
template <class T>
void add_identity(std::string& identity, const T& value) {
  static_assert(std::is_trivially_copyable_v<T> &&
                (std::is_arithmetic_v<T> || sizeof(T) % sizeof(double) == 0));
  identity.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// The six pose variables of a platform stored as a position and a posture array:
// position.x, .y, .z, then posture.x, .y, .z (angles).
inline std::vector<solved_variable> platform_pose_variables(const std::string& position,
                                                            const std::string& posture) {
  return {{position, 'x', false}, {position, 'y', false}, {position, 'z', false},
          {posture, 'x', true},   {posture, 'y', true},   {posture, 'z', true}};
}

}  // namespace kinelab
