#include "mechanisms/test_windows/test_windows.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/window/decl_builder.h"
#include "core/kin_state.h"
#include "core/number_text.h"
#include "core/posture.h"

namespace kinelab {

namespace {

// A result that cannot be shown as a number (an input so large that a product overflows).
// Like a field that is not a number, it is reported and leaves every output field as it was.
struct result_out_of_range {};

// ---- layout helpers ----

// Explanatory labels, one text cell per row, in reading order.
control_grid text_grid(const std::vector<std::string>& lines) {
  control_grid g;
  for (const std::string& line : lines) g.rows.push_back({text_cell(line)});
  return g;
}

// One column of fields group(0..n−1) with a caption beside each.
control_grid field_column(std::string title, const std::string& group,
                          const std::vector<std::string>& row_captions) {
  control_grid g;
  g.title = std::move(title);
  g.row_captions = row_captions;
  for (int i = 0; i < static_cast<int>(row_captions.size()); ++i)
    g.rows.push_back({field_cell(group, i)});
  return g;
}

// A 3×3 matrix shown row by row: group(3(r−1) + (c−1)) is element (r, c).
control_grid matrix_grid(std::string title, const std::string& group) {
  control_grid g;
  g.title = std::move(title);
  for (int r = 0; r < 3; ++r) {
    std::vector<grid_cell> row;
    for (int c = 0; c < 3; ++c) row.push_back(field_cell(group, 3 * r + c));
    g.rows.push_back(std::move(row));
  }
  return g;
}

std::vector<std::string> affixed(const std::string& prefix,
                                 const std::vector<std::string>& captions,
                                 const std::string& suffix = "") {
  std::vector<std::string> out;
  for (const std::string& c : captions) out.push_back(prefix + c + suffix);
  return out;
}

// ---- kin_state ↔ a group of nine fields ----
// The nine fields hold the values, then the rates, then the accelerations: x, y, z, dx, dy, dz,
// ddx, ddy, ddz (for a posture α, β, γ and their rates and accelerations).

std::array<double, 9> state_values(const kin_state& s) {
  return {s.x, s.y, s.z, s.dx, s.dy, s.dz, s.ddx, s.ddy, s.ddz};
}

kin_state read_state(const controls& ctl, const std::string& group) {
  std::array<double, 9> v;
  for (int i = 0; i < 9; ++i) v[i] = ctl.number(group, i);
  kin_state s;
  s.x = v[0], s.y = v[1], s.z = v[2];
  s.dx = v[3], s.dy = v[4], s.dz = v[5];
  s.ddx = v[6], s.ddy = v[7], s.ddz = v[8];
  return s;
}

void write_values(controls& ctl, const std::string& group, const std::array<double, 9>& v) {
  for (int i = 0; i < 9; ++i) ctl.set_number(group, i, v[i]);
}

// [T] = Rᵀ laid out row by row: element i = 3(r−1) + (c−1) shows M(c, r).
std::array<double, 9> transposed(const mat3& M) {
  std::array<double, 9> v;
  for (int r = 1; r <= 3; ++r)
    for (int c = 1; c <= 3; ++c) v[3 * (r - 1) + (c - 1)] = M(c, r);
  return v;
}

void require_finite(const std::array<double, 9>& v) {
  for (double x : v)
    if (!std::isfinite(x)) throw result_out_of_range();
}

// ---- the common window ----

class test_window : public window_model {
 public:
  test_window(std::string name, std::string title, std::vector<button_decl> buttons)
      : name_(std::move(name)), title_(std::move(title)), buttons_(std::move(buttons)) {}

  const std::string& name() const override { return name_; }
  const std::string& title() const override { return title_; }
  const std::vector<button_decl>& buttons() const override { return buttons_; }
  const std::vector<control_grid>& layout() const override { return layout_; }

  bool press(const std::string& button) override {
    int which = -1;
    for (int i = 0; i < static_cast<int>(buttons_.size()); ++i)
      if (buttons_[i].name == button) which = i;
    if (which < 0) return false;
    status.clear();
    status_is_error = false;
    field_in_error.clear();
    // Every input is read and every result computed before the first output field is written,
    // so a failure leaves the window exactly as it was.
    try {
      act(which);
    } catch (const field_error& e) {
      status = describe(e, language, translate_caption, name_controls_in_status);
      status_is_error = true;
      field_in_error = e.control;
      ++field_stops;
    } catch (const result_out_of_range&) {
      status = message(language, message_id::result_out_of_range);
      status_is_error = true;
    }
    return true;
  }

 protected:
  // Button number `which` of buttons(); may set an informational status.
  virtual void act(int which) = 0;

  std::vector<control_grid> layout_;

 private:
  std::string name_, title_;
  std::vector<button_decl> buttons_;
};

// ---- zahyou_henkan ----

// The nine-field groups: the point in the static and in the moving frame, the posture of the
// moving frame, and [T], [dT], [ddT].
constexpr const char *static_point = "Text2", *moving_point = "Text1", *posture_fields = "Text3",
                     *T_fields = "Text4", *dT_fields = "Text5", *ddT_fields = "Text6";

class test_zahyou : public test_window {
 public:
  test_zahyou()
      : test_window("test_zahyou", "zahyou_henkan",
                    {{"Command1", "静→動"}, {"Command2", "静←動"}}) {
    const std::vector<std::string> statics = {"X", "Y", "Z", "DX", "DY", "DZ", "DDX", "DDY", "DDZ"};
    const std::vector<std::string> moving = {"x", "y", "z", "dx", "dy", "dz", "ddx", "ddy", "ddz"};
    const std::vector<std::string> posture = {"α",   "β",     "γ",     "ｄα",  "ｄβ",
                                              "ｄγ", "ｄｄα", "ｄｄβ", "ｄｄγ"};
    const std::vector<std::string> labels = {
        "動座標と静止座標の変換を行う。",
        "動座標は静止座標のX軸を中心にαrad回転、回転後のY軸中心にβrad回転、そのまた回転後の"
        "Z軸中心にγradだけ回転したものとする。",
        "空間上の点Pが動座標から見て（ｘ、ｙ、ｚ）、静止座標系から見て（X,Y,Z)とすると、次式が"
        "成り立つ。",
        "①　（X,Y,Z)＝（ｘ、ｙ、ｚ）＊［T］　ただし行列［Ｔ］は回転行列でαとβとγの関数",
        "②　（ｄX,ｄY,ｄZ)＝（ｄｘ、ｄｙ、ｄｚ）＊［T］＋（ｘ、ｙ、ｚ）＊［ｄＴ］",
        "③　（ｄｄX,ｄｄY,ｄｄZ)"
        "＝（ｄｄｘ、ｄｄｙ、ｄｄｚ）＊［T］＋２＊（ｄｘ、ｄｙ、ｄｚ）＊［ｄＴ］"
        "＋（ｘ、ｙ、ｚ）＊［ｄｄＴ］"};

    ctl.add_texts(static_point, {"0", "1", "1", "0", "0", "0", "0", "0", "0"},
                  affixed("静止座標系 ", statics));
    ctl.add_texts(posture_fields, {"1", "0", "1", "0", "1", "0", "0", "1", "0"}, posture);
    std::vector<std::string> cells;
    for (int r = 1; r <= 3; ++r)
      for (int c = 1; c <= 3; ++c)
        cells.push_back("(" + std::to_string(r) + "," + std::to_string(c) + ")");
    ctl.add_texts(T_fields, std::vector<std::string>(9), affixed("[T]", cells));
    ctl.add_texts(dT_fields, std::vector<std::string>(9), affixed("[dT]", cells));
    ctl.add_texts(ddT_fields, std::vector<std::string>(9), affixed("[ddT]", cells));
    ctl.add_texts(moving_point, {"1", "0", "0", "0", "0", "0", "0", "0", "0"},
                  affixed("動座標系 ", moving));
    for (int k = 0; k < static_cast<int>(labels.size()); ++k)
      ctl.add_label("Label3(" + std::to_string(k) + ")", labels[k]);

    layout_ = {text_grid(labels),
               field_column("静止座標系", static_point, statics),
               field_column("", posture_fields, posture),
               matrix_grid("[T]", T_fields),
               matrix_grid("[dT]", dT_fields),
               matrix_grid("[ddT]", ddT_fields),
               field_column("動座標系", moving_point, moving)};
  }

 protected:
  void act(int which) override {
    // Command1 reads the static point and writes the moving one; Command2 the other way.
    const bool to_moving = which == 0;
    const kin_state point = read_state(ctl, to_moving ? static_point : moving_point);
    const kin_state posture = read_state(ctl, posture_fields);

    const rotation_rates m = posture_matrices(posture);
    // The moving frame's origin stays at the static origin.
    const kin_state zero_offset{};
    const kin_state result =
        to_moving ? to_child(zero_offset, posture, point) : to_parent(zero_offset, posture, point);

    const std::array<double, 9> T = transposed(m.R), dT = transposed(m.dR), ddT = transposed(m.ddR),
                                out = state_values(result);
    for (const auto* v : {&T, &dT, &ddT, &out}) require_finite(*v);
    write_values(ctl, T_fields, T);
    write_values(ctl, dT_fields, dT);
    write_values(ctl, ddT_fields, ddT);
    write_values(ctl, to_moving ? moving_point : static_point, out);
  }
};

// ---- kakudo ----

// The posture with its rates, typed in and as it comes back.
constexpr const char *kakudo_input = "Text1", *kakudo_output = "Text2";

class test_kakudo : public test_window {
 public:
  test_kakudo() : test_window("test_kakudo", "kakudo", {{"Command1", "実行"}}) {
    const std::vector<std::string> rows = {"alfa",   "beta",   "ganma",  "dalfa",  "dbeta",
                                           "dganma", "ddalfa", "ddbeta", "ddganma"};
    const std::string heading = "入力　　       　出力";
    const std::string explanation =
        "姿勢角を回転行列に変換し、それをまた姿勢角に戻す。βが９０（1.5707963rad)に近いほど誤差"
        "が大きくなる。";

    ctl.add_texts(kakudo_input, {"0.5", "1", "2", "1.5", "1", "2", "2.5", "1", "2"}, rows);
    ctl.add_texts(kakudo_output, std::vector<std::string>(9), affixed("", rows, " (出力)"));
    ctl.add_label("Label2", heading);
    ctl.add_label("Label3", explanation);

    // The heading label stands over both columns; the grid carries its two words, one per column.
    control_grid g;
    g.column_captions = {"", "入力", "出力"};
    g.row_captions = rows;
    for (int i = 0; i < 9; ++i)
      g.rows.push_back({field_cell(kakudo_input, i), field_cell(kakudo_output, i)});
    layout_ = {std::move(g), text_grid({explanation})};
  }

 protected:
  void act(int) override {
    const kin_state in = read_state(ctl, kakudo_input);
    const kin_state out = posture_from_matrices(posture_matrices(in));
    const std::array<double, 9> v = state_values(out);
    require_finite(v);
    write_values(ctl, kakudo_output, v);
  }
};

// ---- newton ----

// f(x) = x² − sin x, whose zeros are where y = x² meets y = sin x; E = 0 − f(x) is the
// deviation from the target 0 and f′(x) = 2x − cos x its slope (x in radians).
struct newton_point {
  double E, df;
};
newton_point newton_evaluate(double x) {
  const double f = x * x - std::sin(x);
  return {0.0 - f, 2 * x - std::cos(x)};
}

constexpr int newton_steps = 9;
// Row k: x after k steps (row 0: the start value typed in) and its E.
constexpr const char *newton_x = "Text1", *newton_E = "Text2";

class test_newton : public test_window {
 public:
  test_newton() : test_window("test_newton", "newton", {{"Command1", "実行"}}) {
    const std::vector<std::string> rows = {"初期値", "１回", "２回", "３回", "４回",
                                           "５回",   "６回", "７回", "８回", "９回"};
    const std::vector<std::string> explanation = {
        "ｙ＝ｘ^2とｙ＝sin(ｘ)との交点のｘ値を求める。ただし解は２つ。",
        "ｆ（ｘ）＝ｘ^2－sin(ｘ)とし、ｆの目標値を０とする。",
        "偏差E＝０－ｆ（ｘ）とすると、Δｆ（ｘ）＝df(x)*dx＝Ｅとなるようにｘを変化させる。",
        "以上のことをＥが十分ゼロに近づくまで繰り返す。。"};

    ctl.add_texts(newton_x, {"1", "", "", "", "", "", "", "", "", ""}, rows);
    ctl.add_texts(newton_E, std::vector<std::string>(10), affixed("", rows, " Ｅ"));
    ctl.add_label("Label2(0)", "Ｘ　　　　　　　　　　　Ｅ");
    for (int k = 0; k < static_cast<int>(explanation.size()); ++k)
      ctl.add_label("Label3(" + std::to_string(k) + ")", explanation[k]);

    control_grid g;
    g.column_captions = {"", "Ｘ", "Ｅ"};
    g.row_captions = rows;
    for (int k = 0; k <= newton_steps; ++k)
      g.rows.push_back({field_cell(newton_x, k), field_cell(newton_E, k)});
    layout_ = {text_grid(explanation), std::move(g)};
  }

 protected:
  void act(int) override {
    double x = ctl.number(newton_x, 0);
    newton_point p = newton_evaluate(x);

    // Rows 0..newton_steps; row 0's x is the input and is never written.
    std::array<std::string, newton_steps + 1> xs, es;
    int stopped_at = newton_steps + 1;  // first row not computed
    std::string why;
    bool overflow = false;  // else f'(x) = 0
    if (!std::isfinite(p.E)) {
      stopped_at = 0;
      why = message(language, message_id::newton_f_out_of_range, {format_number(x)});
      overflow = true;
    } else {
      es[0] = format_number(p.E);
    }
    for (int k = 1; k < stopped_at && k <= newton_steps; ++k) {
      // Δx = E / f′(x) makes the linearised change f′·Δx equal to E.
      if (p.df == 0) {
        stopped_at = k;
        why = message(language, message_id::newton_slope_zero, {format_number(x)});
        break;
      }
      const double next = x + p.E / p.df;
      const newton_point q = newton_evaluate(next);
      if (!std::isfinite(next) || !std::isfinite(q.E) || !std::isfinite(q.df)) {
        stopped_at = k;
        why = message(language, message_id::newton_step_out_of_range, {format_number(x)});
        overflow = true;
        break;
      }
      x = next;
      p = q;
      xs[k] = format_number(x);
      es[k] = format_number(p.E);
    }

    if (stopped_at <= newton_steps) {
      // Row 0 keeps its input; the message stands in the x column of the rows not reached.
      const std::string row_text =
          overflow ? message(language, message_id::newton_overflow_cell) : "f'(x)=0";
      for (int k = std::max(stopped_at, 1); k <= newton_steps; ++k) xs[k] = row_text;
      if (stopped_at == 0) es[0] = row_text;
      status = stopped_at == 0 ? message(language, message_id::newton_stopped_at_start, {why})
                               : message(language, message_id::newton_stopped_at_step,
                                         {std::to_string(stopped_at), why});
      // A number out of range is a failure, as in the other test windows; f'(x) = 0 is where
      // the method itself ends.
      status_is_error = overflow;
    }
    for (int k = 0; k <= newton_steps; ++k) {
      if (k > 0) ctl.set_text(newton_x, k, xs[k]);
      ctl.set_text(newton_E, k, es[k]);
    }
  }
};

}  // namespace

std::unique_ptr<window_model> make_test_zahyou() {
  return std::make_unique<test_zahyou>();
}
std::unique_ptr<window_model> make_test_kakudo() {
  return std::make_unique<test_kakudo>();
}
std::unique_ptr<window_model> make_test_newton() {
  return std::make_unique<test_newton>();
}

}  // namespace kinelab
