#include "app/text/messages.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kinelab {

namespace {

struct entry {
  message_id id;
  const char* english;
  const char* japanese;
};

// Each text beside the id it answers; message() looks them up by position, which the check
// below holds to the ids, so that an entry out of place does not compile.
constexpr entry catalogue[] = {
    {message_id::field_not_a_number, "{1} is not a number: {2}", "{1}の{2}は数値ではありません"},
    {message_id::field_below_zero, "{1} is not a number of 0 or more: {2}",
     "{1}の{2}は0以上の数値ではありません"},
    {message_id::field_empty, "{1} is empty", "{1}が空です"},
    {message_id::cycle_time_not_a_number, "the cycle time (s) is not a number: {1}",
     "サイクルタイム(秒)の{1}は数値ではありません"},
    {message_id::cycle_time_not_positive, "the cycle time (s) must be above 0",
     "サイクルタイム(秒)は正の数を入力してください"},
    {message_id::cycle_time_too_small, "the cycle time (s) must be at least {1}",
     "サイクルタイム(秒)は{1}以上にしてください"},
    {message_id::divisions_not_a_number, "the number of time divisions is not a number: {1}",
     "時分割数の{1}は数値ではありません"},
    {message_id::divisions_not_whole,
     "the number of time divisions must be a whole number of 1 or more",
     "時分割数は1以上の整数を入力してください"},
    {message_id::divisions_too_large, "the number of time divisions must be at most {1}",
     "時分割数は{1}以下にしてください"},
    {message_id::singularity,
     "σmin {1} at step {2} (smallest), condition number {3} at step {4} (largest)",
     "σmin {1}（ステップ {2}、最小）、条件数 {3}（ステップ {4}、最大）"},
    {message_id::singular_sigma_min, "0 (singular)", "0（特異）"},
    {message_id::singular_condition, "∞ (singular)", "∞（特異）"},
    {message_id::run_written, "{1}: {2} lines, {3} ({4} s)", "{1}: {2} 行、{3}（{4} 秒）"},
    {message_id::working_folder, "working folder", "作業フォルダー"},
    {message_id::no_run_yet, "no Run yet: the diagnostics show the steps of the last Run",
     "まだ Run していません: 診断は最後の Run の各ステップを示します"},
    {message_id::diagnostics_singularity_caption,
     "diagnostics: sigma_min (blue), log10 condition (green)",
     "診断: σmin（青）、条件数の log10（緑）"},
    {message_id::diagnostics_solver_caption,
     "diagnostics: corrections (blue), residual (green), status (red)",
     "診断: 修正回数（青）、残差（緑）、状態（赤）"},
    {message_id::steps_not_converged, "{1} of {2} steps did not reach the tolerance",
     "{2} ステップ中 {1} ステップが許容誤差に達しませんでした"},
    {message_id::steps_by_ending, ": {1}", ": {1}"},
    {message_id::ending_iteration_limit, "{1} at the iteration limit", "反復回数の上限で {1}"},
    {message_id::ending_singular, "{1} at a singular Jacobian", "特異なヤコビ行列で {1}"},
    {message_id::ending_not_finite, "{1} not finite", "有限でない値で {1}"},
    {message_id::ending_unreachable, "{1} unreachable", "到達できない姿勢で {1}"},
    {message_id::first_unconverged, " (first: step {1}, {2})", "（最初: ステップ {1}、{2}）"},
    {message_id::residual, "residual {1}", "残差 {1}"},
    {message_id::status_singular, "singular Jacobian", "特異なヤコビ行列"},
    {message_id::status_not_finite, "not finite", "有限でない値"},
    {message_id::status_unreachable, "unreachable: {1}", "到達不能: {1}"},
    {message_id::reason_rod_off_rail, "a rod off its rail", "ロッドがレールから外れる"},
    {message_id::reason_leg_not_finite, "a leg not finite", "脚長が有限でない"},
    {message_id::reason_leg_rate_not_finite, "a leg rate not finite", "脚の速度が有限でない"},
    {message_id::minimum_norm_rates,
     "the rates of {1} steps are minimum-norm: the Jacobian is singular at their solution",
     "{1} ステップの速度は最小ノルム解です: 解でヤコビ行列が特異です"},
    {message_id::static_pose_minimum_norm_rates,
     "the static pose's rates are minimum-norm: the Jacobian is singular there",
     "静止姿勢の速度は最小ノルム解です: そこでヤコビ行列が特異です"},
    {message_id::static_pose_not_converged, "the static pose did not reach the tolerance ({1})",
     "静止姿勢が許容誤差に達しませんでした（{1}）"},
    {message_id::every_step_converged, "every step reached the tolerance",
     "すべてのステップが許容誤差に達しました"},
    {message_id::jumped_at_step, "the solution jumped at step {1}: {2} by {3}",
     "ステップ {1} で解が跳びました: {2} が {3}"},
    {message_id::jumped_at_steps, "the solution jumped at {1} steps, first step {2}: {3} by {4}",
     "{1} ステップで解が跳びました。最初はステップ {2}: {3} が {4}"},
    {message_id::diverged_at_step, "the solve diverged at step {1}: {2} by {3}",
     "ステップ {1} で解が発散しました: {2} が {3}"},
    {message_id::diverged_at_steps, "the solve diverged at {1} steps, first step {2}: {3} by {4}",
     "{1} ステップで解が発散しました。最初はステップ {2}: {3} が {4}"},
    {message_id::jump_to_configuration,
     " (the solver moved to another elbow or wrist configuration)",
     "（別の肘・手首の構成に移りました）"},
    {message_id::jump_to_assembly_mode, " (the solver moved to another assembly mode)",
     "（別の組立モードに移りました）"},
    {message_id::jump_diverged, " (the steps around it did not reach the tolerance)",
     "（前後のステップが許容誤差に達していません）"},
    {message_id::rates_near_singularity, "rates near a singularity: {1} up to {2} at step {3}",
     "特異点の近くの速度: {1} がステップ {3} で最大 {2}"},
    {message_id::file_cannot_write, "cannot write {1}: {2}", "{1} に書き込めません: {2}"},
    {message_id::file_not_regular,
     "cannot write {1}: not a regular file, a FIFO or a character device",
     "{1} に書き込めません: 通常のファイル、FIFO、キャラクターデバイスのいずれでもありません"},
    {message_id::file_read_only, "{1} is read-only", "{1} は読み取り専用です"},
    {message_id::file_written_in_place, "{1} was written in place: its directory is not writable",
     "{1} はその場で上書きしました: フォルダーに書き込めません"},
    {message_id::file_not_written, "{1} was not written: {2}", "{1} は書き込めませんでした: {2}"},
    {message_id::result_kept, "{1} kept: {2}", "{1} は前のままです: {2}"},
    {message_id::run_overflowed, "the Run overflowed at step {1} ({2}); {3} values drawn as 0",
     "Run の値がステップ {1} で数値の範囲を超えました（{2}）。{3} 個の値を 0 として描いています"},
    {message_id::run_interrupted, "the Run was interrupted at step {1} of {2}: no Run is kept",
     "Run はステップ {1}/{2} で中断されました: Run の結果はありません"},
    {message_id::unconverged_warning,
     "{1} of {2} steps did not reach the tolerance; the first is step {3}",
     "{2} ステップ中 {1} ステップが許容誤差に達しませんでした。最初はステップ {3} です"},
    {message_id::atlas_interrupted, "the atlas was interrupted", "アトラスの計算は中断されました"},
    {message_id::static_pose_not_finite,
     "{1} values were not finite and were set to 0 (first: {2} at step {3})",
     "{1} 個の値が有限でないため 0 にしました（最初: ステップ {3} の {2}）"},
    {message_id::no_run_to_export, "no Run yet: the trajectory arrays hold no Run to export",
     "まだ Run していません: 書き出す軌道の配列がありません"},
    {message_id::derivative_check, "derivative check, {1}", "微分の検査、{1}"},
    {message_id::quantity_at_rest, "{1}: at rest", "{1}: 静止"},
    {message_id::quantity_mismatch,
     "{1}: rate {2}, acceleration {3} of the curve's scale (at steps {4} and {5}; the "
     "differences' own error about {6} and {7})",
     "{1}: 曲線の尺度に対して速度 {2}、加速度 {3}（ステップ {4} と {5}。差分自体の誤差は約 {6} と "
     "{7}）"},
    {message_id::legs_zero_length,
     "zero length at {1} of {2} steps ({3}; first: step {4}), rate and acceleration shown as 0",
     "{2} ステップ中 {1} ステップで長さ 0（{3}、最初: ステップ {4}）。速度と加速度は 0 と表示"},
    {message_id::legs_unreachable, "unreachable at {1} of {2} steps ({3}; first: step {4})",
     "{2} ステップ中 {1} ステップで到達不能（{3}、最初: ステップ {4}）"},
    {message_id::one_leg, "leg {1}", "脚 {1}"},
    {message_id::many_legs, "legs {1}", "脚 {1}"},
    {message_id::static_pose_unreachable, "the static pose is unreachable ({1})",
     "静止姿勢に到達できません（{1}）"},
    {message_id::not_a_control, "not a control: {1}", "コントロールの名前ではありません: {1}"},
    {message_id::control_needs_index, "{1} needs an index, e.g. {1}(0)",
     "{1} には添字が要ります（例: {1}(0)）"},
    {message_id::control_has_no_index, "{1} has no index", "{1} に添字はありません"},
    {message_id::control_indices, "{1} has indices 0..{2}", "{1} の添字は 0..{2} です"},
    {message_id::no_such_control, "{1} has no control {2}", "{1} にコントロール {2} はありません"},
    {message_id::control_disabled, "{1} is disabled", "{1}は変更できません"},
    {message_id::slider_range, "{1} ranges from {2} to {3}", "{1}の範囲は {2} から {3} までです"},
    {message_id::option_range, "Option1 takes 0..{1}", "曲線は 0 から {1} までの番号で選びます"},
    {message_id::slider_whole, "a slider takes a whole number: {1}={2}",
     "{1}には整数を指定してください: {2}"},
    {message_id::slider_of, "the slider of {1}", "{1} のスライダー"},
    {message_id::study_no_key, "no \"{1}\" key", "キー \"{1}\" がありません"},
    {message_id::study_not_text, "must be a text in quotes", "引用符で囲んだ文字列にしてください"},
    {message_id::study_bad_version, "\"{1}\" is not a version such as \"1.0\"",
     "\"{1}\" は \"1.0\" のような形式の版ではありません"},
    {message_id::study_not_a_study, "not a kinelab study (no \"format\": \"kinelab study\")",
     "kinelab のスタディではありません（\"format\": \"kinelab study\" がありません）"},
    {message_id::study_newer_format, "format {1} is newer than this program reads ({2})",
     "形式 {1} はこのプログラムが読める形式（{2}）より新しいものです"},
    {message_id::study_unknown_key, "unknown key", "不明なキーです"},
    {message_id::study_key_ignored, "ignored (a key of format {1}, newer than {2})",
     "無視しました（{2} より新しい形式 {1} のキー）"},
    {message_id::study_N_range, "must be a whole number from 1 to {1}",
     "1 から {1} までの整数にしてください"},
    {message_id::study_T_number, "must be a number of seconds", "秒数を数値で指定してください"},
    {message_id::study_view_object, "must hold \"x\", \"y\" and \"z\" in degrees",
     "\"x\"、\"y\"、\"z\" を度で指定してください"},
    {message_id::study_view_angle, "needs the number \"{1}\" in degrees",
     "数値 \"{1}\"（度）が必要です"},
    {message_id::study_controls_by_name, "must hold controls by name",
     "コントロールを名前ごとに指定してください"},
    {message_id::study_slider_whole, "a slider takes a whole number",
     "スライダーの値は整数にしてください"},
    {message_id::study_field_text, "a field takes a text in quotes",
     "フィールドの値は引用符で囲んだ文字列にしてください"},
    {message_id::study_truncated, "the file ends before the study does",
     "スタディの途中でファイルが終わっています"},
    {message_id::json_syntax, "not JSON: {1}", "JSON として読めません"},
    {message_id::json_too_deep, "nested deeper than {1} levels", "入れ子が {1} 段を超えています"},
    {message_id::json_number_range, "a number beyond the range of numbers",
     "数値の範囲を超える数があります"},
    {message_id::study_duplicate_key, "stands twice (first on line {1})",
     "2 回あります（最初は {1} 行目）"},
    {message_id::study_not_an_export, "not a kinelab study or export (no \"# window:\" line)",
     "kinelab のスタディでもエクスポートでもありません（\"# window:\" の行がありません）"},
    {message_id::study_export_without_settings,
     "the export does not say N and T (no \"# N = \" line)",
     "エクスポートに N と T がありません（\"# N = \" の行がありません）"},
    {message_id::study_field_not_a_number, "{1} does not hold a number: the study was not saved",
     "{1}が数値ではないため、スタディを保存しませんでした"},
    {message_id::study_unreadable, "cannot be read: {1}", "読み込めません: {1}"},
    {message_id::study_too_large, "too large to be a study", "スタディとしては大きすぎます"},
    {message_id::study_not_a_control, "not a control name", "コントロールの名前ではありません"},
    {message_id::study_no_such_control, "{1} has no such control",
     "{1} にこのコントロールはありません"},
    {message_id::study_no_such_element, "{1} has no such control ({2})",
     "{1} にこのコントロールはありません（{2}）"},
    {message_id::study_field_not_slider, "is a field, not a slider",
     "スライダーではなくフィールドです"},
    {message_id::study_slider_not_field, "is a slider, not a field",
     "フィールドではなくスライダーです"},
    {message_id::study_value_not_a_number, "\"{1}\" is not a number",
     "\"{1}\" は数値ではありません"},
    {message_id::study_fixed_at, "is fixed at {1} in {2}", "{2} では {1} に固定されています"},
    {message_id::study_slider_not_whole, "a slider takes a whole number, not \"{1}\"",
     "スライダーの値は整数にしてください（\"{1}\" ではなく）"},
    {message_id::study_outside_range, "{1} is outside its range {2}..{3}",
     "{1} は範囲 {2}..{3} の外です"},
    {message_id::study_of_another_window, "a study of {1}, not of {2}",
     "{2} ではなく {1} のスタディです"},
    {message_id::study_not_a_profile, "\"{1}\" is not a profile of {2}",
     "\"{1}\" は {2} の曲線ではありません"},
    {message_id::study_no_simulation_window, "no simulation window {1}",
     "シミュレーションウィンドウ {1} はありません"},
    {message_id::study_start_pose, "the start pose takes {1} finite numbers",
     "開始姿勢は有限の数値 {1} 個です"},
    {message_id::study_start_pose_form,
     "takes \"values\" (numbers) and \"converged\" (true or false)",
     "\"values\"（数値）と \"converged\"（true か false）が必要です"},
    {message_id::result_out_of_range,
     "the result is out of the range of numbers; use smaller inputs",
     "結果が数値の範囲を超えました。もっと小さな値を入力してください"},
    {message_id::newton_f_out_of_range, "f(x) is out of the range of numbers at x = {1}",
     "x = {1} で f(x) が数値の範囲を超えました"},
    {message_id::newton_slope_zero, "f'(x) = 0 at x = {1}, so the step E/f'(x) is undefined",
     "x = {1} で f'(x) = 0 のため、ステップ E/f'(x) が定まりません"},
    {message_id::newton_step_out_of_range, "the step from x = {1} leaves the range of numbers",
     "x = {1} からのステップが数値の範囲を超えました"},
    {message_id::newton_stopped_at_start, "stopped at the start value: {1}",
     "初期値で止まりました: {1}"},
    {message_id::newton_stopped_at_step, "stopped at step {1}: {2}", "{1} 回目で止まりました: {2}"},
    {message_id::newton_overflow_cell, "overflow", "桁あふれ"},
    {message_id::atlas_cells, "{1} cells", "{1} セル"},
    {message_id::atlas_nothing_reachable,
     "nothing is reachable in the {1} within these limits (most cells: {2})",
     "この制限では {1}のどこにも到達できません（最も多いセル: {2}）"},
    {message_id::atlas_reachable_area, "reachable area {1} unit² ({2} of {3})",
     "到達できる面積 {1} 単位²（{3}中 {2}）"},
    {message_id::atlas_reachable_volume, "reachable volume {1} unit³ ({2} of {3})",
     "到達できる体積 {1} 単位³（{3}中 {2}）"},
    {message_id::atlas_reachable_posture_region, "reachable region {1} deg² ({2} of {3})",
     "到達できる姿勢の範囲 {1} deg²（{3}中 {2}）"},
    {message_id::atlas_reachable_posture_volume, "reachable volume {1} deg³ ({2} of {3})",
     "到達できる姿勢の範囲 {1} deg³（{3}中 {2}）"},
    {message_id::atlas_condition_range, "; condition number best {1} at {2}, worst {3} at {4}",
     "。条件数 最良 {1} {2}、最悪 {3} {4}"},
    {message_id::atlas_singular_cells, "; singular (sigma_min <= {1}) in {2}",
     "。特異（σmin ≤ {1}）のセル {2}"},
    {message_id::atlas_count_cell, "{1} cell", "{1} 個"},
    {message_id::atlas_count_cells, "{1} cells", "{1} 個"},
    {message_id::atlas_not_sampled_cells, "; no sample in {1} (not counted as unreachable)",
     "。標本のないセル {1}（到達不能に数えない）"},
    {message_id::atlas_condition_singular, "∞ (singular)", "∞（特異）"},
    {message_id::atlas_cell_reachable, "reachable", "到達できる"},
    {message_id::atlas_cell_outside_limits, "actuator outside its limits",
     "アクチュエータが制限の外"},
    {message_id::atlas_cell_no_assembly, "no assembly", "組み立てられない"},
    {message_id::atlas_cell_no_jacobian, "Jacobian not formed", "ヤコビ行列が作れない"},
    {message_id::atlas_cell_not_sampled, "no sample", "標本なし"},
    {message_id::atlas_limit_count, "the atlas needs {1} limits ({2} given)",
     "地図には {1} 個の制限が要ります（{2} 個あります）"},
    {message_id::atlas_limits_one_or_each, "--limits needs one range or {1} ({2} given)",
     "--limits には範囲を 1 つか {1} 個与えてください（{2} 個あります）"},
    {message_id::atlas_limits_not_a_range, "the limits of {1} are not a range (low ≤ high)",
     "{1} の制限が範囲になっていません（下限 ≤ 上限）"},
    {message_id::atlas_posture_only, "{1} moves its posture only: ask for the posture atlas",
     "{1} は姿勢だけが動きます: 姿勢の地図を選んでください"},
    {message_id::atlas_positions_only,
     "{1} is sampled over its joints: its atlas is of positions only",
     "{1} は関節を標本化します: 地図は位置だけです"},
    {message_id::atlas_no_cells, "an atlas needs at least one cell along each axis",
     "地図には各軸に少なくとも 1 セルが要ります"},
    {message_id::atlas_too_many_cells, "a grid of {1} cells is more than the {2} an atlas may hold",
     "{1} セルの格子は地図の上限 {2} セルを超えます"},
    {message_id::atlas_extent_not_a_range, "an extent of the grid is not a range (low < high)",
     "格子の広がりが範囲になっていません（下限 < 上限）"},
    {message_id::atlas_offset_not_finite, "the offset of the slice is not finite",
     "断面の位置が有限ではありません"},
    {message_id::atlas_too_many_samples, "{1} samples are more than the {2} an atlas may draw",
     "標本数 {1} は地図の上限 {2} を超えます"},
    {message_id::atlas_not_offered, "{1} has no workspace atlas",
     "{1} には作業領域の地図がありません"},
    {message_id::atlas_title, "{1} {2}: {3} {4}", "{1} {2}: {3} 平面、{4}"},
    {message_id::atlas_title_offset, " at {1} = {2}", "、{1} = {2}"},
    {message_id::atlas_position, "position", "位置"},
    {message_id::atlas_posture, "posture", "姿勢"},
    {message_id::atlas_key_condition, "log10 cond", "log10 条件数"},
    {message_id::atlas_key_singular, "singular", "特異"},
    {message_id::atlas_key_unreachable, "unreachable", "到達不能"},
    {message_id::atlas_key_run_path, "Run path", "Run の軌跡"},
    {message_id::atlas_key_not_sampled, "no sample", "標本なし"},
    {message_id::atlas_key_narrow, "{1}…{2}\n(within ×2)", "{1}…{2}\n（2 倍未満）"},
    {message_id::atlas_key_angle_singular, "β = ±90°:\nangles' own\nsingularity",
     "β = ±90°:\n角度表現の\n特異"},
    {message_id::arm_forward_title, "{1} forward", "{1} 順運動学"},
    {message_id::arm_inverse_title, "{1} inverse", "{1} 逆運動学"},
    {message_id::arm_joint_outside_limits, "joint {1} ({2}) leaves its limits at step {3}",
     "関節 {1}（{2}）はステップ {3} で可動範囲を外れます"},
    {message_id::arm_file_changed, "the mechanism file {1} has changed since the study was saved",
     "機構ファイル {1} はスタディの保存後に変更されています"},
    {message_id::hexapod_leg_outside_range, "leg {1} leaves its length range at step {2}",
     "脚 {1} はステップ {2} で長さの範囲を外れます"},
    {message_id::hexapod_base_cone, "leg {1} leaves its base joint's cone at step {2}",
     "脚 {1} はステップ {2} でベース側の関節の円錐を外れます"},
    {message_id::hexapod_platform_cone, "leg {1} leaves its platform joint's cone at step {2}",
     "脚 {1} はステップ {2} でプラットフォーム側の関節の円錐を外れます"},
    {message_id::mechanism_unreadable, "cannot read {1}", "{1} を読み込めません"},
    {message_id::mechanism_too_large, "{1} is larger than 16 MB", "{1} は 16 MB を超えています"},
    {message_id::mechanism_missing, "missing", "ありません"},
    {message_id::mechanism_not_text, "not a text", "文字列ではありません"},
    {message_id::mechanism_not_a_number, "not a number", "数値ではありません"},
    {message_id::mechanism_not_three_numbers, "not three numbers", "3 つの数値ではありません"},
    {message_id::mechanism_not_a_frame, "not an object with xyz and rpy_deg",
     "xyz と rpy_deg を持つオブジェクトではありません"},
    {message_id::mechanism_not_an_object_file, "the file is not a JSON object",
     "ファイルが JSON のオブジェクトではありません"},
    {message_id::mechanism_not_the_format, "not \"{1}\"", "\"{1}\" ではありません"},
    {message_id::mechanism_bad_version, "version {1} is not one this kinelab reads (1.x)",
     "版 {1} はこの kinelab が読める版（1.x）ではありません"},
    {message_id::mechanism_hexapod_not_an_arm, "a hexapod, not a serial arm",
     "シリアルアームではなくヘキサポッドです"},
    {message_id::mechanism_arm_not_a_hexapod, "a serial arm, not a hexapod",
     "ヘキサポッドではなくシリアルアームです"},
    {message_id::mechanism_unknown_kind, "unknown kind \"{1}\"", "不明な種類 \"{1}\" です"},
    {message_id::mechanism_bad_unit, "a unit of length is a short word without blanks or brackets",
     "長さの単位は空白や括弧を含まない短い語にしてください"},
    {message_id::mechanism_joints_or_urdf, "give either joints or urdf",
     "joints か urdf のどちらか一方を指定してください"},
    {message_id::mechanism_only_with, "only with {1}", "{1} と一緒にだけ使えます"},
    {message_id::mechanism_not_a_convention, "not standard or modified",
     "standard でも modified でもありません"},
    {message_id::mechanism_not_a_joint_list, "not a list of joints", "関節のリストではありません"},
    {message_id::mechanism_joint_count, "{1} joints; an arm has 1 to 7",
     "関節が {1} 個です。アームの関節は 1 から 7 個です"},
    {message_id::mechanism_not_an_object, "not an object", "オブジェクトではありません"},
    {message_id::mechanism_unknown_joint_type, "unknown joint type \"{1}\"; revolute or prismatic",
     "不明な関節の種類 \"{1}\" です。revolute か prismatic にしてください"},
    {message_id::mechanism_limits_not_a_range, "{1} not below {2}",
     "{1} が {2} より小さくありません"},
    {message_id::mechanism_home_outside_limits, "outside the limits", "可動範囲の外です"},
    {message_id::mechanism_inverse_not_named,
     "not \"position and posture\", \"position\" or a list of components",
     "\"position and posture\"、\"position\"、成分のリストのいずれでもありません"},
    {message_id::mechanism_component_twice, "{1} twice", "{1} が 2 回あります"},
    {message_id::mechanism_not_a_component, "\"{1}\" is not x, y, z, alpha, beta or gamma",
     "\"{1}\" は x、y、z、alpha、beta、gamma のいずれでもありません"},
    {message_id::mechanism_inverse_not_a_list, "not a text or a list of components",
     "文字列でも成分のリストでもありません"},
    {message_id::mechanism_component_count, "{1} components for {2} joints; the inverse tracks {3}",
     "関節 {2} 個に成分が {1} 個です。逆運動学が追うのは {3} 個です"},
    {message_id::mechanism_truncated, "the file ends inside the document",
     "文書の途中でファイルが終わっています"},
    {message_id::mechanism_duplicate_key, "given twice (first on line {1})",
     "2 回あります（最初は {1} 行目）"},
    {message_id::hexapod_not_a_joint_list, "not a list of six [x, y, z]",
     "6 つの [x, y, z] のリストではありません"},
    {message_id::hexapod_joint_count, "{1} joints; a hexapod has 6",
     "関節が {1} 個です。ヘキサポッドの関節は 6 個です"},
    {message_id::hexapod_same_legs, "legs {1} and {2} join the same two joints",
     "脚 {1} と脚 {2} が同じ 2 つの関節を結んでいます"},
    {message_id::hexapod_not_a_leg_range, "not an object with min and max",
     "min と max を持つオブジェクトではありません"},
    {message_id::hexapod_leg_min_not_positive, "not above 0", "0 より大きくありません"},
    {message_id::hexapod_home_leg_outside,
     "leg {1} is {2} long at the home pose, outside {3} to {4}",
     "ホームの姿勢で脚 {1} の長さは {2} で、{3} から {4} の範囲の外です"},
    {message_id::hexapod_home_singular,
     "the legs do not hold the platform at the home pose (the Jacobian is singular): joints "
     "coincide or lie in line",
     "ホームの姿勢で脚がプラットフォームを支えていません（ヤコビ行列が特異です）: "
     "関節が一致しているか一直線に並んでいます"},
    {message_id::hexapod_not_cones, "not an object with base and platform",
     "base と platform を持つオブジェクトではありません"},
    {message_id::hexapod_cone_angle, "a cone's half-angle lies between 0 and 180 degrees",
     "円錐の半頂角は 0 度と 180 度の間にしてください"},
    {message_id::urdf_not_a_robot, "not a URDF robot description",
     "URDF のロボット記述ではありません"},
    {message_id::urdf_parser_report, "{1}", "URDF を解析できません: {1}"},
    {message_id::urdf_no_link, "no link {1}", "リンク {1} がありません"},
    {message_id::urdf_several_leaves,
     "several leaves below {1} ({2}): name the tip in a mechanism file",
     "{1} の先に末端が複数あります（{2}）: 機構ファイルで先端を指定してください"},
    {message_id::urdf_not_on_the_way, "link {1} is not on the way from the root to {2}",
     "リンク {1} は根から {2} への経路上にありません"},
    {message_id::urdf_refused_joint, "joint {1}: {2} cannot be part of a serial arm",
     "関節 {1}: {2}はシリアルアームに使えません"},
    {message_id::urdf_kind_floating, "a floating joint", "浮動関節"},
    {message_id::urdf_kind_planar, "a planar joint", "平面関節"},
    {message_id::urdf_kind_unknown, "a joint of unknown type", "種類の不明な関節"},
    {message_id::urdf_mimic, "joint {1}: mimic joints are not supported",
     "関節 {1}: mimic 関節には対応していません"},
    {message_id::urdf_too_many_joints, "more than {1} moving joints between {2} and {3}",
     "{2} と {3} の間に動く関節が {1} 個を超えてあります"},
    {message_id::urdf_axis_without_direction, "joint {1}: its axis has no direction",
     "関節 {1}: 軸に向きがありません"},
    {message_id::urdf_no_moving_joint, "no moving joint between {1} and {2}",
     "{1} と {2} の間に動く関節がありません"},
    {message_id::urdf_two_parents,
     "link {1} is the child of both {2} and {3}: a closed chain cannot be a serial arm",
     "リンク {1} は {2} と {3} の両方の子です: 閉じた連鎖はシリアルアームになりません"},
    {message_id::urdf_loop, "the joints {1} close a loop: a closed chain cannot be a serial arm",
     "関節 {1} がループを閉じています: 閉じた連鎖はシリアルアームになりません"},
};
constexpr bool in_id_order() {
  for (std::size_t i = 0; i < std::size(catalogue); ++i)
    if (catalogue[i].id != static_cast<message_id>(i)) return false;
  return true;
}
static_assert(in_id_order(), "the catalogue's entries must stand in message_id's order");
static_assert(std::size(catalogue) == static_cast<std::size_t>(message_id::count));

// Text pasted by mistake (a page, a file) is quoted by its beginning and its length.
constexpr std::size_t quoted_characters = 40;

bool continues_utf8(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The reasons a file is not written or read that a user meets, in Japanese.
constexpr struct {
  int err;
  const char* japanese;
} system_errors[] = {
    {ENOENT, "そのようなファイルやフォルダーはありません"},
    {EACCES, "アクセスが許可されていません"},
    {EPERM, "操作が許可されていません"},
    {ENOSPC, "ディスクに空きがありません"},
    {EDQUOT, "ディスクの使用量が上限に達しました"},
    {EISDIR, "フォルダーです"},
    {ENOTDIR, "パスの途中がフォルダーではありません"},
    {EROFS, "読み取り専用のファイルシステムです"},
    {ELOOP, "シンボリックリンクの段数が多すぎます"},
    {ENAMETOOLONG, "ファイル名が長すぎます"},
    {EFBIG, "ファイルが大きすぎます"},
    {EIO, "入出力エラー"},
    {EBADF, "ファイル記述子が正しくありません"},
    {EPIPE, "読み手のいないパイプです"},
    {ENXIO, "そのようなデバイスはありません"},
    {ETXTBSY, "使用中のファイルです"},
};

}  // namespace

std::string system_error(ui_language lang, int err) {
  if (lang == ui_language::japanese) {
    for (const auto& e : system_errors)
      if (e.err == err) return e.japanese;
    return "システムエラー " + std::to_string(err);
  }
  return std::strerror(err);
}

const char* list_separator(ui_language lang) {
  return lang == ui_language::japanese ? "、" : ", ";
}

const char* report_separator(ui_language lang) {
  return lang == ui_language::japanese ? "。" : "; ";
}

std::string message(ui_language lang, message_id id,
                    std::initializer_list<std::string_view> arguments) {
  const entry& e = catalogue[static_cast<std::size_t>(id)];
  const std::string_view text = lang == ui_language::japanese ? e.japanese : e.english;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t k = i + 2 < text.size() && text[i] == '{' && text[i + 2] == '}'
                              ? static_cast<std::size_t>(text[i + 1] - '1')
                              : arguments.size();
    if (k < arguments.size()) {
      out += *(arguments.begin() + k);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string located_message(const std::string& file, int line, const std::string& key,
                            const std::string& problem) {
  std::string m = file;
  if (line > 0) m += ":" + std::to_string(line);
  m += ": ";
  if (!key.empty()) m += key + ": ";
  m += problem;
  std::string shown;
  for (const char c : m) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      shown += c;
      continue;
    }
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", byte);
    shown += escape;
  }
  return shown;
}

std::string quoted_text(ui_language lang, const std::string& text) {
  const bool japanese = lang == ui_language::japanese;
  const char* open = japanese ? "「" : "\"";
  const char* close = japanese ? "」" : "\"";
  std::size_t cut = 0, characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (continues_utf8(text[i])) continue;
    if (characters++ == quoted_characters) cut = i;
  }
  if (characters <= quoted_characters) return open + text + close;
  const std::string length = std::to_string(characters);
  return open + text.substr(0, cut) + "…" + close +
         (japanese ? "（" + length + " 文字）" : " (" + length + " characters)");
}

std::string field_name(ui_language lang, const std::string& caption, const std::string& of,
                       const caption_translator& translate) {
  const auto in_language = [&](const std::string& c) { return translate ? translate(c) : c; };
  if (of.empty()) return in_language(caption);
  if (lang == ui_language::japanese)
    return "「" + in_language(of) + " の " + in_language(caption) + "」";
  return in_language(caption) + " of " + in_language(of);
}

}  // namespace kinelab
