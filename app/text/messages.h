#pragma once
// The catalogue of what the windows report, one text per language. The desktop program speaks
// Japanese unless asked for English and hands its language to each window; kinelab-cli keeps
// English, for scripts. Nothing here depends on a toolkit: captions a window declares are put
// in the program's language by the front end's translation of captions, passed in.
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kinelab {

enum class ui_language { english, japanese };

// A caption as the window declares it → as the user sees it (the front end's translation;
// unchanged by default).
using caption_translator = std::function<std::string(const std::string&)>;

enum class message_id {
  field_not_a_number,  // {1} the field as the user sees it, {2} its text, quoted
  field_below_zero,    // the same, for a number that must not be negative (a tolerance)
  field_empty,         // {1} the field as the user sees it
  cycle_time_not_a_number,
  cycle_time_not_positive,
  cycle_time_too_small,  // {1} the smallest
  divisions_not_a_number,
  divisions_not_whole,
  divisions_too_large,  // {1} the largest
  singularity,          // {1} σmin, {2} its step, {3} condition number, {4} its step
  singular_sigma_min,   // σmin shown where it is 0 or below rounding
  singular_condition,   // an infinite condition number
  run_written,          // {1} file, {2} lines, {3} folder, {4} seconds the Run took
  working_folder,
  no_run_yet,
  diagnostics_singularity_caption,  // over the first diagnostics page
  diagnostics_solver_caption,       // over the solver's page
  steps_not_converged,              // {1} failed, {2} steps
  steps_by_ending,                  // {1} the list of endings
  ending_iteration_limit,           // {1} how many
  ending_singular,                  // {1} how many
  ending_not_finite,                // {1} how many
  ending_unreachable,               // {1} how many
  first_unconverged,                // {1} step, {2} its residual and ending
  residual,                         // {1} the residual
  status_singular,
  status_not_finite,
  status_unreachable,   // {1} what the mechanism could not take
  reason_rod_off_rail,  // what the mechanism could not take (nr_obstacle)
  reason_leg_not_finite,
  reason_leg_rate_not_finite,
  minimum_norm_rates,  // {1} how many steps
  static_pose_minimum_norm_rates,
  static_pose_not_converged,  // {1} residual and ending
  every_step_converged,
  jumped_at_step,          // {1} step, {2} variable as the window shows it, {3} change
  jumped_at_steps,         // {1} how many steps, {2} the first, {3} its variable, {4} its change
  diverged_at_step,        // as jumped_at_step, where the solve did not converge
  diverged_at_steps,       // as jumped_at_steps, where the solve did not converge
  jump_to_configuration,   // what a converged jump means: the arms and the limb
  jump_to_assembly_mode,   // the platforms
  jump_diverged,           // a jump beside an unconverged step
  rates_near_singularity,  // {1} the quantity with the largest rate, {2} the rate, {3} its step

  // Files: {1} the file as given
  file_cannot_write,      // {2} the system's reason
  file_not_regular,       //
  file_read_only,         //
  file_written_in_place,  //
  file_not_written,       // {2} why
  result_kept,            // {1} result.dat, {2} why
  run_overflowed,         // {1} step, {2} column, {3} how many values
  run_interrupted,        // {1} the step reached, {2} N
  unconverged_warning,    // {1} how many, {2} steps, {3} the first
  atlas_interrupted,
  static_pose_not_finite,  // {1} how many values, {2} the first's column, {3} its step
  no_run_to_export,
  // The derivative check: {1} the quantity's column
  derivative_check,   // {1} the figures of the quantity on show
  quantity_at_rest,   //
  quantity_mismatch,  // {2}, {3} rate and acceleration mismatch, {4}, {5} their steps,
                      // {6}, {7} the differences' own errors
  // Legs at fault: {1} steps at fault, {2} steps, {3} the legs, {4} the first step
  legs_zero_length,
  legs_unreachable,
  one_leg,                  // {1} its name
  many_legs,                // {1} the list of names
  static_pose_unreachable,  // {1} the legs
  // Addresses that name no control: {1} the address or the group
  not_a_control,
  control_needs_index,
  control_has_no_index,
  control_indices,  // {2} the last index
  no_such_control,  // {1} the window, {2} the group
  // Edits a window refuses: {1} the control as the user sees it
  control_disabled,
  slider_range,  // {2}, {3} the ends
  option_range,  // {1} the last choice
  slider_whole,  // {1} the control, {2} the value typed
  slider_of,     // {1} the row the slider stands in
  // Study files: the file, line and key go before these
  study_no_key,  // {1} the key
  study_not_text,
  study_bad_version,  // {1} the version as written
  study_not_a_study,
  study_newer_format,  // {1} the file's format, {2} the one this program reads
  study_unknown_key,
  study_key_ignored,  // {1} the file's format, {2} the one this program reads
  study_N_range,      // {1} the largest N
  study_T_number,
  study_view_object,
  study_view_angle,  // {1} "x", "y" or "z"
  study_controls_by_name,
  study_slider_whole,
  study_field_text,
  study_truncated,
  // Any JSON document a user gives (a study, a mechanism file):
  json_syntax,          // {1} the parser's report
  json_too_deep,        // {1} the deepest nesting read
  json_number_range,    //
  study_duplicate_key,  // {1} the line it first stands on
  study_not_an_export,
  study_export_without_settings,
  study_field_not_a_number,  // {1} the field; the study is not saved
  study_unreadable,          // {1} the system's reason
  study_too_large,
  study_not_a_control,
  study_no_such_control,  // {1} the window
  study_no_such_element,  // {1} the window, {2} the group's addresses
  study_field_not_slider,
  study_slider_not_field,
  study_value_not_a_number,    // {1} the value
  study_fixed_at,              // {1} the value, {2} the window
  study_slider_not_whole,      // {1} the value
  study_outside_range,         // {1} the value, {2}, {3} the ends
  study_of_another_window,     // {1} the study's window, {2} this one
  study_not_a_profile,         // {1} the profile, {2} the window
  study_no_simulation_window,  // {1} the window
  study_start_pose,            // {1} how many values the window's start pose has
  study_start_pose_form,
  // The function-test windows
  result_out_of_range,
  newton_f_out_of_range,     // {1} x
  newton_slope_zero,         // {1} x
  newton_step_out_of_range,  // {1} x
  newton_stopped_at_start,   // {1} why
  newton_stopped_at_step,    // {1} step, {2} why
  newton_overflow_cell,      // in the x column of the rows not reached
  // The workspace atlas: its summary, why there is none, its picture.
  atlas_cells,                     // {1} "16 × 16" or "16 × 16 × 4"
  atlas_nothing_reachable,         // {1} the cells, {2} the state most cells are in
  atlas_reachable_area,            // {1} the area, {2} reachable cells, {3} the cells
  atlas_reachable_volume,          // the same, for a box
  atlas_reachable_posture_region,  // the same, for a posture slice (deg²)
  atlas_reachable_posture_volume,  // the same, for a posture box (deg³)
  atlas_condition_range,           // {1} best, {2} where, {3} worst, {4} where
  atlas_singular_cells,            // {1} the σmin of the locus, {2} atlas_count_cell(s)
  atlas_count_cell,                // {1} 1: "1 cell"
  atlas_count_cells,               // {1} any other count: "14 cells"
  atlas_not_sampled_cells,         // {1} atlas_count_cell(s) that no sample fell in
  atlas_condition_singular,        // the condition number of a singular Jacobian
  atlas_cell_reachable,            // the cell states
  atlas_cell_outside_limits,
  atlas_cell_no_assembly,
  atlas_cell_no_jacobian,
  atlas_cell_not_sampled,
  atlas_limit_count,         // {1} limits needed, {2} given
  atlas_limits_one_or_each,  // {1} actuators, {2} ranges given
  atlas_limits_not_a_range,  // {1} the actuator
  atlas_posture_only,        // {1} the window
  atlas_positions_only,      // {1} the window
  atlas_no_cells,
  atlas_too_many_cells,  // {1} "a × b × c", {2} the most
  atlas_extent_not_a_range,
  atlas_offset_not_finite,
  atlas_too_many_samples,  // {1} samples, {2} the most
  atlas_not_offered,       // {1} the window
  atlas_title,  // {1} 作業領域 as the user sees it, {2} the window's title, {3} plane, {4} mode
  atlas_title_offset,  // {1} the axis across the slice, {2} where the slice lies on it
  atlas_position,
  atlas_posture,
  atlas_key_condition,
  atlas_key_singular,
  atlas_key_unreachable,
  atlas_key_run_path,
  atlas_key_not_sampled,
  // Lines of the key ('\n' between them), each short enough for its narrow column:
  atlas_key_narrow,           // {1} the least condition number, {2} the largest
  atlas_key_angle_singular,   // the posture angles' own singularity at β = ±90°
  arm_forward_title,          // {1} the mechanism's name: a file window's title
  arm_inverse_title,          // {1} the mechanism's name
  arm_joint_outside_limits,   // {1} the joint's number, {2} its name, {3} the step
  arm_file_changed,           // {1} the mechanism file
  hexapod_leg_outside_range,  // {1} the leg's number, {2} the step
  hexapod_base_cone,          // {1} the leg's number, {2} the step: its base joint's cone left
  hexapod_platform_cone,      // {1} the leg's number, {2} the step
  // Mechanism files: the file, line and key go before these (a URDF's line where the problem
  // lies in it)
  mechanism_unreadable,           // {1} the file
  mechanism_too_large,            // {1} the file
  mechanism_missing,              //
  mechanism_not_text,             //
  mechanism_not_a_number,         //
  mechanism_not_three_numbers,    //
  mechanism_not_a_frame,          //
  mechanism_not_an_object_file,   //
  mechanism_not_the_format,       // {1} the format's name
  mechanism_bad_version,          // {1} the version as written
  mechanism_hexapod_not_an_arm,   //
  mechanism_arm_not_a_hexapod,    //
  mechanism_unknown_kind,         // {1} the kind as written
  mechanism_bad_unit,             //
  mechanism_joints_or_urdf,       //
  mechanism_only_with,            // {1} "urdf" or "joints"
  mechanism_not_a_convention,     //
  mechanism_not_a_joint_list,     //
  mechanism_joint_count,          // {1} how many
  mechanism_not_an_object,        //
  mechanism_unknown_joint_type,   // {1} the type as written
  mechanism_limits_not_a_range,   // {1} the lower key, {2} the upper
  mechanism_home_outside_limits,  //
  mechanism_inverse_not_named,    //
  mechanism_component_twice,      // {1} the component
  mechanism_not_a_component,      // {1} the text as written
  mechanism_inverse_not_a_list,   //
  mechanism_component_count,      // {1} components, {2} joints, {3} what the inverse tracks
  mechanism_truncated,            //
  mechanism_duplicate_key,        // {1} the line it first stands on
  hexapod_not_a_joint_list,       //
  hexapod_joint_count,            // {1} how many
  hexapod_same_legs,              // {1} and {2} the legs
  hexapod_not_a_leg_range,        //
  hexapod_leg_min_not_positive,   //
  hexapod_home_leg_outside,       // {1} the leg, {2} its length, {3} and {4} the range
  hexapod_home_singular,          //
  hexapod_not_cones,              //
  hexapod_cone_angle,             //
  // URDF robot descriptions read as arms: {1} a joint or link as the file names it
  urdf_not_a_robot,             //
  urdf_parser_report,           // {1} what the URDF parser said, in its words
  urdf_no_link,                 // {1} the link
  urdf_several_leaves,          // {1} the base link, {2} the leaves
  urdf_not_on_the_way,          // {1} the base link, {2} the tip
  urdf_refused_joint,           // {1} the joint, {2} its kind (urdf_kind_…)
  urdf_kind_floating,           //
  urdf_kind_planar,             //
  urdf_kind_unknown,            //
  urdf_mimic,                   // {1} the joint
  urdf_too_many_joints,         // {1} the most, {2} the base link, {3} the tip
  urdf_axis_without_direction,  // {1} the joint
  urdf_no_moving_joint,         // {1} the base link, {2} the tip
  urdf_two_parents,             // {1} the link, {2} and {3} its joints
  urdf_loop,                    // {1} the joints of the loop
  count                         // not a message: how many there are
};

// The message in `lang`, with {1}, {2}, … replaced by the arguments in order.
std::string message(ui_language lang, message_id id,
                    std::initializer_list<std::string_view> arguments = {});

// What the system says of error number `err`: strerror's text in English, the common ones in
// Japanese by their meaning.
std::string system_error(ui_language lang, int err);

// What separates the items of a list in a message: ", " / "、".
const char* list_separator(ui_language lang);
// What separates the reports joined on one status line: "; " / "。".
const char* report_separator(ui_language lang);

// What a reader of a user's file reports: "FILE:LINE: KEY: problem", without the line where it
// is 0 and without the key where it is empty. Control characters (a key holding JSON's \u0000)
// would cut the message short where it is shown: they are written as JSON writes them.
std::string located_message(const std::string& file, int line, const std::string& key,
                            const std::string& problem);

// A text the user typed, quoted for a message: "abc" / 「abc」; pasted text by its beginning
// and length.
std::string quoted_text(ui_language lang, const std::string& text);

// A field named by what the user sees beside it: "hz of J2" / 「J2 の hz」, or its caption
// alone; the captions in the user's language.
std::string field_name(ui_language lang, const std::string& caption, const std::string& of,
                       const caption_translator& translate);

}  // namespace kinelab
