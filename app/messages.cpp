#include "app/messages.h"

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
    {"the cycle time (s) is not a number: {1}", "サイクルタイム(秒){1}は数値ではありません"},
    {"the cycle time (s) must be above 0", "サイクルタイム(秒)は正の数を入力してください"},
    {"the cycle time (s) must be at least {1}", "サイクルタイム(秒)は{1}以上にしてください"},
    {"the number of time divisions is not a number: {1}", "時分割数{1}は数値ではありません"},
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

}  // namespace

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
