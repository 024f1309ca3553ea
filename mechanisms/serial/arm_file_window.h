#pragma once
// The windows of an arm read from a mechanism file: a forward window (the joints move from
// their start to their stop values; sliders pose each joint) and an inverse window (the tool
// pose moves and Newton–Raphson finds the joints, warm-started step to step), declared as the
// built-in serial windows are and showing the same arrays, graphs and result columns.
//
// The inverse tracks the file's task components (arm_file::task): as many as the arm has
// joints, up to six. With seven joints the correction is the minimum-norm step plus a
// null-space term that draws the limited joints toward the middle of their limits; the rates
// and accelerations are then the minimum-norm ones, q̇ = J⁺·ẋ and q̈ = J⁺·(ẍ − J̇·q̇), so that
// J·q̇ is the commanded rate while the self-motion the null-space term makes is left out.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "core/newton.h"
#include "mechanisms/serial/arm_file.h"

namespace kinelab {

enum class arm_window_kind { forward, inverse };

// "forward", "inverse".
const char* to_string(arm_window_kind k);
std::optional<arm_window_kind> arm_window_kind_from(const std::string& text);

// A window over `arm`; it owns its declaration.
std::unique_ptr<sim_window> make_arm_file_window(std::shared_ptr<const arm_file> arm,
                                                 arm_window_kind kind,
                                                 const run_settings& settings = {});

// The tracked task components at a chain state: their values, rates and accelerations.
struct task_state {
  vec<6> value, rate, accel;
};
task_state task_of(const std::vector<task_component>& task, const chain_state& s);
// One solve of the inverse window: the joints that give `goal` (its values; its rates and
// accelerations give the joint rates and accelerations) from the values q holds, as each step
// of a Run solves it.
nr_outcome solve_arm_inverse(const arm_file& arm, double tolerance, const task_state& goal,
                             vec<max_chain_joints>& q, vec<max_chain_joints>& dq,
                             vec<max_chain_joints>& ddq);
// ∂task/∂q at q (rows the task components, columns the joints): the rows of pose_jacobian.
void task_jacobian(const joint_chain& c, const std::vector<task_component>& task,
                   const vec<max_chain_joints>& q, mat<6, max_chain_joints>& J);

}  // namespace kinelab
