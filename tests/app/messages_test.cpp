// The catalogue of what the windows report: one language at a time, fields named as the user
// sees them, and kinelab-cli's English with the control's name for scripts.
#include "app/messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/sim_window.h"
#include "app/window_model.h"
#include "mechanisms/registry.h"

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

// A field that is not a number, reported by a window in each of the ways a front end asks for.
TEST(Messages, AFieldThatIsNotANumberIsNamedAsTheUserSeesIt) {
  const struct {
    const char* window;
    const char* control;
    int index;
    ui_language lang;
    bool with_control;
    const char* expected;
  } cases[] = {
      {"form_3r_jun", "Text2", 1, ui_language::english, true,
       "stop of the1 (Text2(1)) is not a number: \"abc\""},
      {"form_3r_jun", "Text2", 1, ui_language::english, false,
       "stop of the1 is not a number: \"abc\""},
      {"form_3r_jun", "Text2", 1, ui_language::japanese, false,
       "「the1 の stop」の「abc」は数値ではありません"},
      {"form_stewart_jun", "Text10", 0, ui_language::japanese, false,
       "「L1 の stop」の「abc」は数値ではありません"},
      {"test_newton", "Text1", 0, ui_language::japanese, false,
       "初期値の「abc」は数値ではありません"},
  };
  for (const auto& c : cases) {
    const window_entry* entry = find_window(c.window);
    if (!entry) continue;
    SCOPED_TRACE(c.window);
    std::unique_ptr<window_model> w = entry->make();
    w->language = c.lang;
    w->name_controls_in_status = c.with_control;
    w->open();
    w->ctl.set_text(c.control, c.index, "abc");
    w->press(w->buttons().front().name);
    EXPECT_TRUE(w->status_is_error);
    EXPECT_EQ(w->status, c.expected);
  }
}

// After a Run the window can say what it wrote, where, and how long the Run took; the status
// proper stays for problems (kinelab-cli prints it).
TEST(Messages, ARunSaysWhatItWrote) {
  const window_entry* entry = find_window("form_3r_jun");
  if (!entry) GTEST_SKIP();
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

}  // namespace
}  // namespace kinelab
