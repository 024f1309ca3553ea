// The catalogue of what the windows report: one language at a time, fields named as the user
// sees them, and kinelab-cli's English with the control's name for scripts.
#include "app/text/messages.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/service/window_export.h"
#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "app/window/controls.h"
#include "app/window/sim_window.h"
#include "app/window/window_model.h"
#include "mechanisms/registry.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

TEST(Messages, ArgumentsGoToTheirPlacesInEitherLanguage) {
  EXPECT_EQ(message(ui_language::english, message_id::cycle_time_too_small, {"1E-06"}),
            "the cycle time (s) must be at least 1E-06");
  EXPECT_EQ(message(ui_language::japanese, message_id::cycle_time_too_small, {"1E-06"}),
            "サイクルタイム(秒)は1E-06以上にしてください");
  EXPECT_EQ(message(ui_language::english, message_id::run_written,
                    {"result.dat", "52", "working folder", "0.01"}),
            "result.dat: 52 lines, working folder (0.01 s)");
  EXPECT_EQ(quoted_text(ui_language::japanese, "abc"), "「abc」");
  EXPECT_EQ(quoted_text(ui_language::english, std::string(50, 'x')),
            "\"" + std::string(40, 'x') + "…\" (50 characters)");
  const caption_translator to_english = [](const std::string& c) {
    return c == "第１関節" ? std::string("1st joint") : c;
  };
  EXPECT_EQ(field_name(ui_language::japanese, "ax", "第１関節", {}), "「第１関節 の ax」");
  EXPECT_EQ(field_name(ui_language::english, "ax", "第１関節", to_english), "ax of 1st joint");
  EXPECT_EQ(field_name(ui_language::english, "許容誤差", "", {}), "許容誤差");
}

// A field that is not a number, or is empty, reported by a window in each of the ways a front
// end asks for.
TEST(Messages, AFieldThatIsNotANumberIsNamedAsTheUserSeesIt) {
  const struct {
    const char* window;
    const char* control;
    int index;
    const char* text;
    ui_language lang;
    bool with_control;
    const char* expected;
  } cases[] = {
      {"form_3r_jun", "Text2", 1, "abc", ui_language::english, true,
       "stop of the1 (Text2(1)) is not a number: \"abc\""},
      {"form_3r_jun", "Text2", 1, "abc", ui_language::english, false,
       "stop of the1 is not a number: \"abc\""},
      {"form_3r_jun", "Text2", 1, "abc", ui_language::japanese, false,
       "「the1 の stop」の「abc」は数値ではありません"},
      {"form_stewart_jun", "Text10", 0, "abc", ui_language::japanese, false,
       "「L1 の stop」の「abc」は数値ではありません"},
      {"test_newton", "Text1", 0, "abc", ui_language::japanese, false,
       "初期値の「abc」は数値ではありません"},
      {"form_3r_jun", "Text2", 1, "", ui_language::english, true,
       "stop of the1 (Text2(1)) is empty"},
      {"form_3r_jun", "Text2", 1, " ", ui_language::japanese, false, "「the1 の stop」が空です"},
      {"test_newton", "Text1", 0, "", ui_language::japanese, false, "初期値が空です"},
  };
  for (const auto& c : cases) {
    const window_entry* entry = find_window(c.window);
    ASSERT_NE(entry, nullptr) << c.window;
    SCOPED_TRACE(c.window);
    std::unique_ptr<window_model> w = entry->make();
    w->language = c.lang;
    w->name_controls_in_status = c.with_control;
    w->open();
    w->ctl.set_text(c.control, c.index, c.text);
    w->press(w->buttons().front().name);
    EXPECT_TRUE(w->status_is_error);
    EXPECT_EQ(w->status, c.expected);
  }
}

// A readout shows rounding noise about zero as 0, relative to the window's length (and to 1 for
// angles in degrees); values of any size that matters, and texts that are not numbers, stay.
TEST(Messages, ReadoutsShowRoundingNoiseAsZero) {
  const struct {
    const char* text;
    double length_scale;
    const char* shown;
  } cases[] = {
      {"4.84663372329776E-15", 0.4, "0"},
      {"3.18E-15", 1, "0"},
      {"-4.45278e-14", 1, "0"},
      {"-4.45278e-14", 1e-6, "0"},
      {"4.45278e-9", 1e4, "0"},
      {"4.45278e-9", 1, "4.45278e-9"},
      {"1E-11", 0.4, "1E-11"},
      {"0.385", 0.4, "0.385"},
      {"-60", 1, "-60"},
      {"0", 1, "0"},
      {"", 1, ""},
      {"abc", 1, "abc"},
      {"4.84663372329776E-15", std::nan(""), "0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(readout_text(c.text, c.length_scale), c.shown) << c.text << " at " << c.length_scale;
}

// After a Run the window can say what it wrote, where, and how long the Run took; the status
// proper stays for problems (kinelab-cli prints it).
TEST(Messages, ARunSaysWhatItWrote) {
  const window_entry* entry = find_window("form_3r_jun");
  ASSERT_NE(entry, nullptr);
  run_settings s;
  s.N = 10;
  s.result_path = std::filesystem::temp_directory_path() / "kinelab_messages_test.dat";
  std::unique_ptr<window_model> model = entry->make(s);
  auto& w = dynamic_cast<sim_window&>(*model);
  w.open();
  EXPECT_EQ(w.run_written(), "");
  w.press("run");
  const std::string prefix =
      "kinelab_messages_test.dat: 12 lines, " + s.result_path.parent_path().string() + " (";
  EXPECT_EQ(w.run_written().rfind(prefix, 0), 0u) << w.run_written();
  EXPECT_EQ(w.run_written().substr(w.run_written().size() - 3), " s)");
  EXPECT_EQ(w.status, "");
  std::filesystem::remove(s.result_path);
}

// What is left of a message once the names it may carry (files, quantities, keys) and its
// numbers ("1E+200", "3.1e-07") are taken out.
std::string without_names(std::string text, std::vector<std::string> names) {
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& n : names)
    for (std::size_t at = text.find(n); at != std::string::npos; at = text.find(n, at))
      text.erase(at, n.size());
  return std::regex_replace(text, std::regex("[0-9][0-9.]*([eE][-+]?[0-9]+)?"), "#");
}

bool has_japanese(const std::string& text) {
  // Every kana, CJK punctuation mark and ideograph starts with one of these UTF-8 lead bytes.
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b == 0xE3 || (b >= 0xE4 && b <= 0xE9) || b == 0xEF;
  });
}

bool has_ascii_letter(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

std::string edit_refusal(const std::function<void()>& edit) {
  try {
    edit();
  } catch (const edit_error& e) {
    return e.what();
  }
  return "(accepted)";
}

// A study file written next to the test, opened into the window as the GUI's 開く does.
std::string study_refusal(window_model& w, const std::string& document) {
  std::ofstream("bad.kinelab") << document;
  try {
    open_study(read_study("bad.kinelab", w.language), dynamic_cast<sim_window&>(w));
  } catch (const study_error& e) {
    return e.what();
  }
  return "(opened)";
}

// Every message a window gives the desktop program comes from the catalogue in its language:
// in Japanese no English word is left beside the names of files, quantities and keys, and in
// English no Japanese.
TEST(Messages, EveryReportSpeaksTheWindowsLanguage) {
  test::temp_working_dir dir;
  const std::string newer_study =
      "{\"format\": \"kinelab study\", \"format_version\": \"2.0\", \"window\": \"form_3r_jun\"}";
  const std::string stewart_study =
      "{\"format\": \"kinelab study\", \"format_version\": "
      "\"1.0\", \"window\": \"form_stewart_jun\", \"N\": 5, \"T\": 1}";
  // The status after some edits and presses.
  using edits = std::vector<std::pair<std::string, std::string>>;
  const auto after = [](edits e, std::vector<std::string> buttons) {
    return [=](window_model& w) {
      for (const auto& [address, value] : e) w.set_value(address, value);
      for (const std::string& b : buttons) w.press(b);
      return w.status;
    };
  };
  // A Run against a result.dat that `make` has put in its way.
  const auto run_with_result_file = [](std::function<void()> make) {
    return [=](window_model& w) {
      make();
      w.press("run");
      std::filesystem::remove("result.dat");
      return w.status;
    };
  };
  const struct {
    const char* what;
    const char* window;
    std::function<std::string(window_model&)> trigger;
    // What the message may name in ASCII: files, keys, quantities and the captions the windows
    // show as declared ("stop", "Run").
    std::vector<std::string> names;
  } cases[] = {
      {"a read-only result file",
       "form_3r_jun",
       run_with_result_file([] {
         std::ofstream("result.dat") << "old";
         ::chmod("result.dat", 0444);
       }),
       {"result.dat"}},
      {"a result file that is a directory",
       "form_3r_jun",
       run_with_result_file([] { std::filesystem::create_directory("result.dat"); }),
       {"result.dat"}},
      {"a Run that overflowed",
       "form_3r_jun",
       after({{"Text7(1)", "1e308"}}, {"run"}),
       {"result.dat", "Run", "p3.ddx"}},
      {"the derivative check",
       "form_stewart_gyaku",
       after({}, {"run", "check_derivatives", "next"}),
       {"L1"}},
      {"rods off their rails", "form_selvo_gyaku", after({{"Text10(2)", "0.4"}}, {"run"}), {}},
      {"an unreachable static pose",
       "form_selvo_gyaku",
       after({{"Text6", "0.1"}, {"HScroll1(0)", "1"}}, {}),
       {}},
      {"legs of zero length",
       "form_stewart_gyaku",
       after({{"Text1(0)", "0"},
              {"Text2(0)", "0"},
              {"Text3(0)", "0"},
              {"Text6(0)", "0"},
              {"Text1(3)", "0"},
              {"HScroll1(2)", "0"},
              {"Text10(0)", "0"},
              {"Text10(1)", "0"},
              {"Text10(2)", "0"},
              {"Text10(3)", "30"}},
             {"run"}),
       {}},
      {"an export before any Run",
       "form_3r_jun",
       [](window_model& w) { return csv_refusal(dynamic_cast<sim_window&>(w)); },
       {"Run"}},
      {"a disabled field",
       "form_3r_jun",
       [](window_model& w) {
         w.ctl.field("Text2", 3).enabled = false;
         return edit_refusal([&] { w.set_text("Text2(3)", "1"); });
       },
       {"the2", "stop"}},
      {"a slider moved beyond its range",
       "form_3r_jun",
       [](window_model& w) { return edit_refusal([&] { w.set_slider("HScroll2(0)", 99); }); },
       {"the1"}},
      {"a study of a newer format",
       "form_3r_jun",
       [&](window_model& w) { return study_refusal(w, newer_study); },
       {"bad.kinelab", "format_version"}},
      {"a study of another window",
       "form_3r_jun",
       [&](window_model& w) { return study_refusal(w, stewart_study); },
       {"bad.kinelab", "window", "form_stewart_jun", "form_3r_jun"}},
      {"a study that cannot be read",
       "form_3r_jun",
       [](window_model& w) {
         try {
           read_study("missing.kinelab", w.language);
         } catch (const study_error& e) {
           return std::string(e.what());
         }
         return std::string("(read)");
       },
       {"missing.kinelab"}},
      {"a study saved with a field that is not a number",
       "form_3r_jun",
       [](window_model& w) {
         w.set_text("Text2(1)", "abc");
         std::string error;
         save_study(dynamic_cast<sim_window&>(w), "s.kinelab", error);
         return error;
       },
       {"the1", "stop"}},
      {"a function test out of the range of numbers",
       "test_kakudo",
       after({{"Text1(3)", "1e200"}}, {"Command1"}),
       {}},
      // The status, and the text that stands in the x column of the rows not reached.
      {"Newton's method leaving the range of numbers",
       "test_newton",
       [&](window_model& w) {
         return after({{"Text1(0)", "1e200"}}, {"Command1"})(w) + " " + w.ctl.text("Text1", 5);
       },
       {"f(x)", "x"}},
  };
  for (const auto& c : cases) {
    const window_entry* entry = find_window(c.window);
    ASSERT_NE(entry, nullptr) << c.window;
    for (const ui_language lang : {ui_language::japanese, ui_language::english}) {
      const bool japanese = lang == ui_language::japanese;
      SCOPED_TRACE(std::string(c.what) + (japanese ? " in Japanese" : " in English"));
      std::unique_ptr<window_model> w = entry->make();
      w->language = lang;
      w->name_controls_in_status = false;
      w->open();
      const std::string text = c.trigger(*w);
      ASSERT_FALSE(text.empty());
      const std::string rest = without_names(text, c.names);
      if (japanese) {
        EXPECT_TRUE(has_japanese(text)) << text;
        EXPECT_FALSE(has_ascii_letter(rest)) << text;
      } else {
        EXPECT_FALSE(has_japanese(text)) << text;
        EXPECT_TRUE(has_ascii_letter(rest)) << text;
      }
    }
  }
}

}  // namespace
}  // namespace kinelab
