#include "app/text/messages.h"

#include <cerrno>
#include <cstring>

namespace kinelab {

namespace {

struct entry {
  const char* english;
  const char* japanese;
};

// In message_id's order.
constexpr entry catalogue[] = {
    {"{1} is not a number: {2}", "{1}の{2}は数値ではありません"},
    {"{1} is not a number of 0 or more: {2}", "{1}の{2}は0以上の数値ではありません"},
    {"the cycle time (s) is not a number: {1}", "サイクルタイム(秒)の{1}は数値ではありません"},
    {"the cycle time (s) must be above 0", "サイクルタイム(秒)は正の数を入力してください"},
    {"the cycle time (s) must be at least {1}", "サイクルタイム(秒)は{1}以上にしてください"},
    {"the number of time divisions is not a number: {1}", "時分割数の{1}は数値ではありません"},
    {"the number of time divisions must be a whole number of 1 or more",
     "時分割数は1以上の整数を入力してください"},
    {"the number of time divisions must be at most {1}", "時分割数は{1}以下にしてください"},
    {"σmin {1} at step {2} (smallest), condition number {3} at step {4} (largest)",
     "σmin {1}（ステップ {2}、最小）、条件数 {3}（ステップ {4}、最大）"},
    {"0 (singular)", "0（特異）"},
    {"∞ (singular)", "∞（特異）"},
    {"{1}: {2} lines, {3} ({4} s)", "{1}: {2} 行、{3}（{4} 秒）"},
    {"working folder", "作業フォルダー"},
    {"no Run yet: the diagnostics show the steps of the last Run",
     "まだ Run していません: 診断は最後の Run の各ステップを示します"},
    {"{1} of {2} steps did not reach the tolerance",
     "{2} ステップ中 {1} ステップが許容誤差に達しませんでした"},
    {": {1}", ": {1}"},
    {"{1} at the iteration limit", "反復回数の上限で {1}"},
    {"{1} at a singular Jacobian", "特異なヤコビ行列で {1}"},
    {"{1} not finite", "有限でない値で {1}"},
    {"{1} unreachable", "到達できない姿勢で {1}"},
    {" (first: step {1}, {2})", "（最初: ステップ {1}、{2}）"},
    {"residual {1}", "残差 {1}"},
    {"singular Jacobian", "特異なヤコビ行列"},
    {"not finite", "有限でない値"},
    {"unreachable: {1}", "到達不能: {1}"},
    {"a rod off its rail", "ロッドがレールから外れる"},
    {"a leg not finite", "脚長が有限でない"},
    {"a leg rate not finite", "脚の速度が有限でない"},
    {"the rates of {1} steps are minimum-norm: the Jacobian is singular at their solution",
     "{1} ステップの速度は最小ノルム解です: 解でヤコビ行列が特異です"},
    {"the static pose's rates are minimum-norm: the Jacobian is singular there",
     "静止姿勢の速度は最小ノルム解です: そこでヤコビ行列が特異です"},
    {"the static pose did not reach the tolerance ({1})",
     "静止姿勢が許容誤差に達しませんでした（{1}）"},
    {"every step reached the tolerance", "すべてのステップが許容誤差に達しました"},
    {"the solution jumped at step {1}: {2} by {3}", "ステップ {1} で解が跳びました: {2} が {3}"},
    {"the solution jumped at {1} steps, first step {2}: {3} by {4}",
     "{1} ステップで解が跳びました。最初はステップ {2}: {3} が {4}"},
    {"the solve diverged at step {1}: {2} by {3}", "ステップ {1} で解が発散しました: {2} が {3}"},
    {"the solve diverged at {1} steps, first step {2}: {3} by {4}",
     "{1} ステップで解が発散しました。最初はステップ {2}: {3} が {4}"},
    {" (the solver moved to another elbow or wrist configuration)",
     "（別の肘・手首の構成に移りました）"},
    {" (the solver moved to another assembly mode)", "（別の組立モードに移りました）"},
    {" (the steps around it did not reach the tolerance)",
     "（前後のステップが許容誤差に達していません）"},

    {"cannot write {1}: {2}", "{1} に書き込めません: {2}"},
    {"cannot write {1}: not a regular file, a FIFO or a character device",
     "{1} に書き込めません: 通常のファイル、FIFO、キャラクターデバイスのいずれでもありません"},
    {"{1} is read-only", "{1} は読み取り専用です"},
    {"{1} was written in place: its directory is not writable",
     "{1} はその場で上書きしました: フォルダーに書き込めません"},
    {"{1} was not written: {2}", "{1} は書き込めませんでした: {2}"},
    {"{1} kept: {2}", "{1} は前のままです: {2}"},
    {"the Run overflowed at step {1} ({2}); {3} values drawn as 0",
     "Run の値がステップ {1} で数値の範囲を超えました（{2}）。{3} 個の値を 0 として描いています"},
    {"{1} values were not finite and were set to 0 (first: {2} at step {3})",
     "{1} 個の値が有限でないため 0 にしました（最初: ステップ {3} の {2}）"},
    {"no Run yet: the trajectory arrays hold no Run to export",
     "まだ Run していません: 書き出す軌道の配列がありません"},
    {"derivative check, {1}", "微分の検査、{1}"},
    {"{1}: at rest", "{1}: 静止"},
    {"{1}: rate {2}, acceleration {3} of the curve's scale (at steps {4} and {5}; the "
     "differences' own error about {6} and {7})",
     "{1}: 曲線の尺度に対して速度 {2}、加速度 {3}（ステップ {4} と {5}。差分自体の誤差は約 {6} と "
     "{7}）"},
    {"zero length at {1} of {2} steps ({3}; first: step {4}), rate and acceleration shown as 0",
     "{2} ステップ中 {1} ステップで長さ 0（{3}、最初: ステップ {4}）。速度と加速度は 0 と表示"},
    {"unreachable at {1} of {2} steps ({3}; first: step {4})",
     "{2} ステップ中 {1} ステップで到達不能（{3}、最初: ステップ {4}）"},
    {"leg {1}", "脚 {1}"},
    {"legs {1}", "脚 {1}"},
    {"the static pose is unreachable ({1})", "静止姿勢に到達できません（{1}）"},
    {"{1} is disabled", "{1}は変更できません"},
    {"{1} ranges from {2} to {3}", "{1}の範囲は {2} から {3} までです"},
    {"Option1 takes 0..{1}", "曲線は 0 から {1} までの番号で選びます"},
    {"a slider takes a whole number: {1}={2}", "{1}には整数を指定してください: {2}"},
    {"the slider of {1}", "{1} のスライダー"},
    {"no \"{1}\" key", "キー \"{1}\" がありません"},
    {"must be a text in quotes", "引用符で囲んだ文字列にしてください"},
    {"\"{1}\" is not a version such as \"1.0\"",
     "\"{1}\" は \"1.0\" のような形式の版ではありません"},
    {"not a kinelab study (no \"format\": \"kinelab study\")",
     "kinelab のスタディではありません（\"format\": \"kinelab study\" がありません）"},
    {"format {1} is newer than this program reads ({2})",
     "形式 {1} はこのプログラムが読める形式（{2}）より新しいものです"},
    {"unknown key", "不明なキーです"},
    {"ignored (a key of format {1}, newer than {2})",
     "無視しました（{2} より新しい形式 {1} のキー）"},
    {"must be a whole number from 1 to {1}", "1 から {1} までの整数にしてください"},
    {"must be a number of seconds", "秒数を数値で指定してください"},
    {"must hold \"x\", \"y\" and \"z\" in degrees", "\"x\"、\"y\"、\"z\" を度で指定してください"},
    {"needs the number \"{1}\" in degrees", "数値 \"{1}\"（度）が必要です"},
    {"must hold controls by name", "コントロールを名前ごとに指定してください"},
    {"a slider takes a whole number", "スライダーの値は整数にしてください"},
    {"a field takes a text in quotes", "フィールドの値は引用符で囲んだ文字列にしてください"},
    {"the file ends before the study does", "スタディの途中でファイルが終わっています"},
    {"not JSON: {1}", "JSON として読めません"},
    {"not a kinelab study or export (no \"# window:\" line)",
     "kinelab のスタディでもエクスポートでもありません（\"# window:\" の行がありません）"},
    {"the export does not say N and T (no \"# N = \" line)",
     "エクスポートに N と T がありません（\"# N = \" の行がありません）"},
    {"{1} does not hold a number: the study was not saved",
     "{1}が数値ではないため、スタディを保存しませんでした"},
    {"cannot be read: {1}", "読み込めません: {1}"},
    {"too large to be a study", "スタディとしては大きすぎます"},
    {"not a control name", "コントロールの名前ではありません"},
    {"{1} has no such control", "{1} にこのコントロールはありません"},
    {"{1} has no such control ({2})", "{1} にこのコントロールはありません（{2}）"},
    {"is a field, not a slider", "スライダーではなくフィールドです"},
    {"is a slider, not a field", "フィールドではなくスライダーです"},
    {"\"{1}\" is not a number", "\"{1}\" は数値ではありません"},
    {"is fixed at {1} in {2}", "{2} では {1} に固定されています"},
    {"a slider takes a whole number, not \"{1}\"",
     "スライダーの値は整数にしてください（\"{1}\" ではなく）"},
    {"{1} is outside its range {2}..{3}", "{1} は範囲 {2}..{3} の外です"},
    {"a study of {1}, not of {2}", "{2} ではなく {1} のスタディです"},
    {"\"{1}\" is not a profile of {2}", "\"{1}\" は {2} の曲線ではありません"},
    {"no simulation window {1}", "シミュレーションウィンドウ {1} はありません"},
    {"the result is out of the range of numbers; use smaller inputs",
     "結果が数値の範囲を超えました。もっと小さな値を入力してください"},
    {"f(x) is out of the range of numbers at x = {1}", "x = {1} で f(x) が数値の範囲を超えました"},
    {"f'(x) = 0 at x = {1}, so the step E/f'(x) is undefined",
     "x = {1} で f'(x) = 0 のため、ステップ E/f'(x) が定まりません"},
    {"the step from x = {1} leaves the range of numbers",
     "x = {1} からのステップが数値の範囲を超えました"},
    {"stopped at the start value: {1}", "初期値で止まりました: {1}"},
    {"stopped at step {1}: {2}", "{1} 回目で止まりました: {2}"},
    {"overflow", "桁あふれ"},
    // The workspace atlas.
    {"{1} cells", "{1} セル"},
    {"nothing is reachable in the {1} within these limits (most cells: {2})",
     "この制限では {1}のどこにも到達できません（最も多いセル: {2}）"},
    {"reachable area {1} unit² ({2} of {3})", "到達できる面積 {1} 単位²（{3}中 {2}）"},
    {"reachable volume {1} unit³ ({2} of {3})", "到達できる体積 {1} 単位³（{3}中 {2}）"},
    {"reachable region {1} deg² ({2} of {3})", "到達できる姿勢の範囲 {1} deg²（{3}中 {2}）"},
    {"reachable volume {1} deg³ ({2} of {3})", "到達できる姿勢の範囲 {1} deg³（{3}中 {2}）"},
    {"; condition number best {1} at {2}, worst {3} at {4}", "。条件数 最良 {1} {2}、最悪 {3} {4}"},
    {"; singular (sigma_min <= {1}) in {2} cells", "。特異（σmin ≤ {1}）のセル {2} 個"},
    {"reachable", "到達できる"},
    {"actuator outside its limits", "アクチュエータが制限の外"},
    {"no assembly", "組み立てられない"},
    {"Jacobian not formed", "ヤコビ行列が作れない"},
    {"no sample", "標本なし"},
    {"the atlas needs {1} limits ({2} given)", "地図には {1} 個の制限が要ります（{2} 個あります）"},
    {"the limits of {1} are not a range (low ≤ high)",
     "{1} の制限が範囲になっていません（下限 ≤ 上限）"},
    {"{1} moves its posture only: ask for the posture atlas",
     "{1} は姿勢だけが動きます: 姿勢の地図を選んでください"},
    {"{1} is sampled over its joints: its atlas is of positions only",
     "{1} は関節を標本化します: 地図は位置だけです"},
    {"an atlas needs at least one cell along each axis",
     "地図には各軸に少なくとも 1 セルが要ります"},
    {"a grid of {1} cells is more than the {2} an atlas may hold",
     "{1} セルの格子は地図の上限 {2} セルを超えます"},
    {"an extent of the grid is not a range (low < high)",
     "格子の広がりが範囲になっていません（下限 < 上限）"},
    {"the offset of the slice is not finite", "断面の位置が有限ではありません"},
    {"{1} samples are more than the {2} an atlas may draw",
     "標本数 {1} は地図の上限 {2} を超えます"},
    {"{1} has no workspace atlas", "{1} には作業領域の地図がありません"},
    {"{1} {2}: {3} {4}", "{1} {2}: {3} 平面、{4}"},
    {" at {1} = {2}", "、{1} = {2}"},
    {"position", "位置"},
    {"posture", "姿勢"},
    {"log10 cond", "log10 条件数"},
    {"singular", "特異"},
    {"unreachable", "到達不能"},
    {"Run path", "Run の軌跡"},
};
static_assert(std::size(catalogue) == static_cast<std::size_t>(message_id::atlas_key_run_path) + 1);

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
