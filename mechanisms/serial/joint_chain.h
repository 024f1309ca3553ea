#pragma once
// A serial chain of 1..7 joints of either kind, for arms described by a table (DH rows) or a
// robot file rather than by the built-in link table.
//
// Joint k sits after a fixed transform F_k = (R_k, t_k) from the frame before it, and moves
// its frame about its own z axis (revolute, by q_k + offset) or along it (prismatic):
//   frame_k = frame_{k−1} · F_k · J_k(q_k),   tool = frame_n · F_tool.
// Every quantity is in base axes (docs/notation.md for units and the posture angles). The
// built-in arms are the case F_k = (Rx(α_k)·Ry(β_k), h_k), all joints revolute, F_tool = (I, h_P).
#include <vector>

#include "core/array_algebra.h"
#include "core/kin_state.h"
#include "core/posture.h"

namespace kinelab {

inline constexpr int max_chain_joints = 7;

enum class joint_kind { revolute, prismatic };

struct rigid_transform {
  mat3 R = identity();
  vec3 t;  // the child's origin in parent axes

  static mat3 identity() {
    mat3 I;
    mat_identity(3, I);
    return I;
  }
};

struct chain_joint {
  rigid_transform fixed;  // F_k, before the joint moves
  joint_kind kind = joint_kind::revolute;
  double offset = 0;  // added to q_k: θ offset (rad) or d offset (length)
};

struct joint_chain {
  int joints = 0;
  chain_joint joint[max_chain_joints + 1];  // 1..joints
  rigid_transform tool;                     // F_tool, after the last joint
};

// A row of a Denavit–Hartenberg table: link length a, twist α (rad), offset d and angle θ
// (rad). The joint variable adds to θ (revolute) or to d (prismatic).
struct dh_row {
  double a = 0, alpha = 0, d = 0, theta = 0;
  joint_kind kind = joint_kind::revolute;
};
enum class dh_convention {
  standard,  // T_k = Rz(θ_k)·Tz(d_k)·Tx(a_k)·Rx(α_k)
  modified,  // T_k = Rx(α_{k−1})·Tx(a_{k−1})·Rz(θ_k)·Tz(d_k), row k holding a_{k−1}, α_{k−1}
};
// The chain of a DH table between a fixed base frame (before the first row) and a tool frame
// (after the last).
joint_chain chain_from_dh(const std::vector<dh_row>& rows, dh_convention convention,
                          const rigid_transform& base, const rigid_transform& tool);
// a·b: first a, then b in a's frame.
rigid_transform compose(const rigid_transform& a, const rigid_transform& b);

// The values, rates and accelerations of the joint variables, 1..joints.
struct joint_motion {
  vec<max_chain_joints> q, dq, ddq;
};

// The chain at one motion: each joint's frame origin (with rates) and axis, the tool point and
// its posture angles with rates, and the tool frame's angular velocity and acceleration.
struct chain_state {
  kin_state origin[max_chain_joints + 1];  // frame k's origin, k = 0 (base) .. joints
  vec3 axis[max_chain_joints + 1];         // frame k's z axis, k = 1 .. joints
  kin_state tool;                          // the tool point
  kin_state posture;                       // the tool frame's posture angles
  mat3 R;                                  // the tool frame's rotation
  vec3 omega, domega;                      // its angular velocity and acceleration
};
chain_state chain_motion(const joint_chain& c, const joint_motion& m);

// The chain at one set of joint values, without rates, built once per set so that the residual,
// every Jacobian column and every second-order column of a Newton–Raphson step share it.
// Joint k turns about (or slides along) z[k] through o[k], both in base axes.
struct chain_pose {
  vec<max_chain_joints> q;  // the values it was built for
  vec3 o[max_chain_joints + 1], z[max_chain_joints + 1];
  vec3 P;                 // the tool point
  mat3 R;                 // the tool frame's rotation
  posture_angles angles;  // of R
};
void build_pose(const joint_chain& c, const vec<max_chain_joints>& q, chain_pose& p);

// Rows x, y, z of the tool point, then α, β, γ of its posture, for unit joint rates: column k
// is z_k × (P − o_k) with Ṙ = [z_k]×·R for a revolute joint, z_k with Ṙ = 0 for a prismatic
// one. Equal to the rates chain_motion propagates.
void pose_jacobian(const joint_chain& c, const chain_pose& p, mat<6, max_chain_joints>& J);

// Squares and pairs of the joint rates, as the Newton–Raphson driver orders them.
inline constexpr int max_chain_products = max_chain_joints * (max_chain_joints + 1) / 2;
// The pose accelerations with zero joint accelerations are Σ q̇ₖ²·Hₖ + Σ_{i<j} q̇ᵢq̇ⱼ·Hᵢⱼ:
// columns 1..joints the squares, then the pairs in lexicographic order (twice the mixed second
// derivative), rows as pose_jacobian. With v_k the column of P in pose_jacobian:
//   square k (revolute):  z_k × v_k,   Ṙ = [z_k]×·R, R̈ = [z_k]×²·R
//   pair i<j, i revolute: 2·z_i × v_j (the outer joint's column turns with joint i),
//                         R̈ = ([z_i]×² + 2·[z_i]×·[z_j]× + [z_j]×²)·R less the squares'
// and zero for a prismatic square or a pair whose inner joint slides.
void pose_quadratic_terms(const joint_chain& c, const chain_pose& p, mat<6, max_chain_products>& H);

// Column k = 1..joints of the geometric Jacobian: the tool point's velocity (rows 1..3) and
// the tool frame's angular velocity (rows 4..6) for a unit rate of joint k.
void chain_jacobian(const joint_chain& c, const chain_state& s, mat<6, max_chain_joints>& J);

}  // namespace kinelab
