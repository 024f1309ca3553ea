// Whatever a user types or drags, every window keeps working: each enabled text field in turn
// holds hostile text, each slider goes to its ends, and after every Run, static pose and button
// press no value that is not finite may stand in an array, result.dat, a field, the status line
// or the SVG of the view and of any graph, and nothing may be drawn off the surface. A field
// that is not a number is reported by its address; once the field holds its valid text again,
// the window runs without an error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/window/sim_window.h"
#include "core/number_text.h"
#include "draw/svg_surface.h"
#include "mechanisms/registry.h"
#include "support/result_rows.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

using test::slurp;

// Few steps keep the table fast (every window of the registry × every field × 8 texts, each
// with a Run, a static pose and every graph); the hostile values break a window at N = 4 as
// well as at 2000.
constexpr int table_divisions = 4;
// The status line is read by a person: a 100 000-character field must not be echoed whole.
constexpr std::size_t longest_readable_status = 400;

const std::vector<std::string>& hostile_texts() {
  static const std::vector<std::string> texts = {"",    "abc", "1e999", "nan",
                                                 "inf", "-0",  "1e300", std::string(100000, '7')};
  return texts;
}

std::string shown(const std::string& text) {
  return text.size() > 20 ? text.substr(0, 20) + "…(" + std::to_string(text.size()) + " chars)"
                          : "\"" + text + "\"";
}

// How printf, to_chars and format_number spell a value that is not finite ("infinity" and
// "-nan" included).
bool names_non_finite(const std::string& text) {
  for (const char* word : {"nan", "NAN", "NaN", "inf", "INF", "Inf"})
    if (text.find(word) != std::string::npos) return true;
  return false;
}

bool op_inside(const draw_op& op, double W, double H) {
  // A pen-width's slack: a clipped line may end on the border itself.
  constexpr double slack = 1e-6;
  auto in = [&](double x, double y, double margin) {
    return x >= -margin - slack && x <= W + margin + slack && y >= -margin - slack &&
           y <= H + margin + slack;
  };
  switch (op.what) {
    case draw_op::kind::line:
      return in(op.x1, op.y1, 0) && in(op.x2, op.y2, 0);
    case draw_op::kind::circle:
      return in(op.x1, op.y1, std::fabs(op.radius));
    case draw_op::kind::text:
      return in(op.x1, op.y1, 0);
    case draw_op::kind::rect:
      return in(op.x1, op.y1, 0) && in(op.x1 + op.x2, op.y1 + op.y2, 0);
  }
  return false;
}

// Everything a user can see or read back after one action: the first problem found, or "".
class inspector {
 public:
  explicit inspector(window_model& w) : w_(w), sim_(dynamic_cast<sim_window*>(&w)) {}

  std::string problems(const std::string& typed) {
    if (w_.status.size() > longest_readable_status)
      return "status line of " + std::to_string(w_.status.size()) + " characters";
    if (w_.status.find("NAN") != std::string::npos || w_.status.find("INF") != std::string::npos)
      return "status shows a value that is not finite: " + w_.status;
    for (const text_group& g : w_.ctl.texts)
      for (std::size_t i = 0; i < g.fields.size(); ++i) {
        const std::string& t = g.fields[i].text;
        if (t != typed && names_non_finite(t))
          return address_text(g.name, static_cast<int>(i), g.indexed) + " shows " + t;
      }
    if (!sim_) return "";
    for (const trajectory_array& a : sim_->logic().arrays.all())
      for (std::size_t i = 0; i < a.size(); ++i)
        for (const array_column& c : array_columns(a))
          if (!std::isfinite(a.get(i, c.field)))
            return c.name + " at step " + std::to_string(i) + " is not finite";
    for (const nr_outcome& r : sim_->logic().arrays.solver_record())
      if (!std::isfinite(r.residual)) return "a solver residual is not finite";
    if (std::filesystem::exists("result.dat") && names_non_finite(slurp("result.dat")))
      return "result.dat holds a value that is not finite";
    return picture_problem("view");
  }

  // Every graph of the window in turn ("next figure"), then the view again.
  std::string graph_problems() {
    if (!sim_) return "";
    for (std::size_t k = 0; k < sim_->decl().graphs.size(); ++k) {
      sim_->next_figure();
      if (std::string p = picture_problem("graph " + sim_->decl().graphs[k].caption); !p.empty())
        return p;
    }
    sim_->redraw();
    return "";
  }

 private:
  std::string picture_problem(const std::string& what) {
    recording_surface* p = w_.picture();
    if (!p) return "";
    const double W = p->ScaleWidth(), H = p->ScaleHeight();
    for (const draw_op& op : p->ops()) {
      if (!op_inside(op, W, H))
        return what + ": an element at (" + format_number(op.x1) + ", " + format_number(op.y1) +
               ")–(" + format_number(op.x2) + ", " + format_number(op.y2) + ") radius " +
               format_number(op.radius) + " text \"" + op.text.substr(0, 20) +
               "\" lies outside the surface " + format_number(W) + " × " + format_number(H);
      if (op.what == draw_op::kind::text && names_non_finite(op.text))
        return what + ": label " + op.text;
    }
    svg_surface svg(W, H);
    p->replay(svg);
    if (names_non_finite(svg.document())) return what + ": the SVG holds a non-finite number";
    return "";
  }

  window_model& w_;
  sim_window* sim_;
};

class hostile_input : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const window_entry* e = find_window(GetParam());
    ASSERT_NE(e, nullptr);
    w_ = e->make({.N = table_divisions});
    w_->open();
    ASSERT_FALSE(w_->status_is_error) << w_->status;
    sim_ = dynamic_cast<sim_window*>(w_.get());
    valid_ = w_->ctl;
  }
  // What a user does next: Run, the static pose, a timer tick and a drag of the view, or every
  // button of a function-test window;
  // the first problem any of them leaves, with the status of the action that left it.
  std::string act_and_inspect(const std::string& typed, std::vector<std::string>& statuses) {
    inspector look(*w_);
    auto after = [&](const std::string& action) -> std::string {
      statuses.push_back(w_->status_is_error ? w_->status : "");
      const std::string p = look.problems(typed);
      return p.empty() ? "" : "after " + action + ": " + p;
    };
    if (sim_) {
      sim_->run();
      if (auto p = after("Run"); !p.empty()) return p;
      // The step and view readouts are rewritten by the timer and by a drag of the view.
      sim_->tick();
      sim_->pointer_moved(1, 1, true);
      if (auto p = after("a tick and a drag"); !p.empty()) return p;
      // Every graph once per Run: the static pose rewrites only step 0 of the same arrays,
      // which the array check after it covers.
      if (auto p = look.graph_problems(); !p.empty()) return "after Run: " + p;
      sim_->static_pose();
      if (auto p = after("static pose"); !p.empty()) return p;
      return "";
    }
    for (const button_decl& b : w_->buttons()) {
      w_->press(b.name);
      if (auto p = after(b.name); !p.empty()) return p;
    }
    return "";
  }

  // With every control back at its valid value, a Run (or every button) ends without an error
  // and, for a simulation window, writes result.dat.
  void expect_recovery(const std::string& after_what) {
    w_->ctl = valid_;
    std::filesystem::remove("result.dat");
    if (sim_) {
      sim_->run();
      EXPECT_FALSE(w_->status_is_error) << after_what << ": Run after restoring: " << w_->status;
      EXPECT_TRUE(std::filesystem::exists("result.dat")) << after_what;
    } else {
      for (const button_decl& b : w_->buttons()) {
        w_->press(b.name);
        EXPECT_FALSE(w_->status_is_error) << after_what << ": " << b.name << ": " << w_->status;
      }
    }
  }

  test::temp_working_dir dir_;
  std::unique_ptr<window_model> w_;
  sim_window* sim_ = nullptr;
  controls valid_;
};

TEST_P(hostile_input, every_field_with_every_hostile_text) {
  for (const text_group& g : valid_.texts)
    for (int i = 0; i < static_cast<int>(g.fields.size()); ++i) {
      if (!g.fields[static_cast<std::size_t>(i)].enabled) continue;  // a readout: not typed in
      const std::string address = address_text(g.name, i, g.indexed);
      for (const std::string& typed : hostile_texts()) {
        const std::string where = address + " = " + shown(typed);
        w_->ctl = valid_;
        w_->ctl.set_text(g.name, i, typed);
        std::vector<std::string> errors;
        const std::string problem = act_and_inspect(typed, errors);
        EXPECT_EQ(problem, "") << where;

        // A text that is not a number is reported by the field's address, unless the window
        // only writes that field (an output of a function-test window) and so replaced it.
        const bool number = parse_number(typed).has_value();
        const bool reported = std::any_of(errors.begin(), errors.end(), [&](const std::string& s) {
          return s.find(address) != std::string::npos;
        });
        const bool replaced = w_->ctl.text(g.name, i) != typed;
        if (!number) {
          EXPECT_TRUE(reported || replaced) << where << ": not reported";
          // Any error an action reports about a mistyped field names that field.
          for (const std::string& s : errors) {
            if (!s.empty()) {
              EXPECT_NE(s.find(address), std::string::npos) << where << ": " << s;
            }
          }
        }
        expect_recovery(where);
      }
    }
}

TEST_P(hostile_input, every_slider_at_both_ends) {
  for (const slider_group& g : valid_.sliders)
    for (int i = 0; i < static_cast<int>(g.sliders.size()); ++i) {
      const slider& s = g.sliders[static_cast<std::size_t>(i)];
      if (!s.enabled) continue;
      for (const int value : {s.min, s.max}) {
        const std::string where =
            address_text(g.name, i, g.indexed) + " = " + std::to_string(value);
        w_->ctl = valid_;
        w_->ctl.slider_at(g.name, i).value = value;
        w_->slider_changed(g.name, i);
        inspector look(*w_);
        EXPECT_EQ(look.problems(""), "") << where << ": on the change";
        std::vector<std::string> errors;
        EXPECT_EQ(act_and_inspect("", errors), "") << where;
        expect_recovery(where);
      }
    }
}

std::vector<std::string> window_names() {
  std::vector<std::string> names;
  for (const window_entry& e : window_registry()) names.push_back(e.name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(all_windows, hostile_input, testing::ValuesIn(window_names()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kinelab
