// Study files made to break the reader: numbers beyond a double, nesting deep enough to
// overflow the stack of a recursive copy, keys twice, whole numbers beyond their type. Each is
// refused as FILE:LINE: KEY: problem, and none reaches the window.
#include <gtest/gtest.h>

#include <string>

#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "app/window/sim_window.h"
#include "mechanisms/registry.h"
#include "mechanisms/serial/serial_forward.h"
#include "support/file_text.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

std::string saved_study() {
  test::temp_working_dir dir;
  sim_window w(form_3r_jun());
  w.open();
  std::string error;
  EXPECT_TRUE(save_study(w, "s.kinelab", error)) << error;
  return test::file_text("s.kinelab");
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(hostile_study, every_hostile_document_is_refused_with_its_place) {
  const std::string s = saved_study();
  const std::string deep =
      "\"zz\": " + std::string(200000, '[') + "1" + std::string(200000, ']') + ",\n  \"format\"";
  const std::string deep_objects = "\"zz\": " + [] {
    std::string t;
    for (int k = 0; k < 200000; ++k) t += "{\"a\":";
    return t + "1" + std::string(200000, '}');
  }() + ",\n  \"format\"";
  std::string many_fields;
  for (int k = 0; k < 40000; ++k) many_fields += "\"Z" + std::to_string(k) + "\": \"0\",\n";
  const struct {
    const char* what;
    std::string text;
    std::string message;
  } cases[] = {
      {"T beyond a double", replaced(s, "\"T\": 1.0", "\"T\": 1e400"),
       "s.kinelab:8: T: a number beyond the range of numbers"},
      {"N of 401 digits", replaced(s, "\"N\": 50", "\"N\": 1" + std::string(400, '0')),
       "s.kinelab:7: N: a number beyond the range of numbers"},
      {"a slider at -1e309", replaced(s, "\"HScroll2(0)\": 0", "\"HScroll2(0)\": -1e309"),
       "HScroll2(0): a number beyond the range of numbers"},
      {"a newer key holding 1e999",
       replaced(s, "\"format_version\": \"1.1\"", "\"format_version\": \"1.9\", \"x\": [1e999]"),
       "s.kinelab:3: x: a number beyond the range of numbers"},
      {"deep arrays", replaced(s, "\"format\"", deep), "nested deeper than 64 levels"},
      {"deep objects", replaced(s, "\"format\"", deep_objects), "nested deeper than 64 levels"},
      {"window twice", replaced(s, "\"title\"", "\"window\": \"form_6r_jun\",\n  \"title\""),
       "s.kinelab:6: window: stands twice (first on line 5)"},
      {"a slider beyond a whole number's range",
       replaced(s, "\"HScroll2(0)\": 0", "\"HScroll2(0)\": 18446744073709551615"), "HScroll2(0)"},
      {"a number beyond a double before bytes not text", "0.8e100001\t\xff\xff,",
       "s.kinelab:1: a number beyond the range of numbers"},
      // The NUL would cut the message short where it is shown.
      {"a key holding NUL", replaced(s, "\"Text2(1)\"", "\"Text2(1)\\u0000\""),
       "s.kinelab:35: Text2(1)\\u0000: not a control name"},
      {"a field holding NUL", replaced(s, "\"Text2(1)\": \"20\"", "\"Text2(1)\": \"2\\u00000\""),
       "s.kinelab:35: Text2(1): \"2\\u00000\" is not a number"},
      {"40000 fields that are not controls",
       replaced(s, "\"fields\": {\n", "\"fields\": {\n" + many_fields),
       "s.kinelab:16: Z0: form_3r_jun has no such control"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      const study st = parse_study(c.text, "s.kinelab");
      // Read, it must still be refused by the window it names.
      std::unique_ptr<window_model> w = find_window(st.window)->make();
      open_study(st, dynamic_cast<sim_window&>(*w));
      ADD_FAILURE() << "opened";
    } catch (const study_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// An export's header with tens of thousands of indexed values reads in one pass.
TEST(hostile_study, a_long_indexed_header_line_is_read_whole) {
  std::string line = "# Text2: (0) 0";
  for (int k = 1; k < 40000; ++k) line += ", (" + std::to_string(k) + ") " + std::to_string(k);
  const std::string text =
      "# window: form_3r_jun (3r_jun)\n# N = 50, T = 1, profile: quintic\n" + line + "\n";
  const study st = parse_study(text, "e.csv");
  ASSERT_EQ(st.controls.size(), 40000u);
  EXPECT_EQ(st.controls.back().address, "Text2(39999)");
  EXPECT_EQ(st.controls.back().value, "39999");
}

}  // namespace
}  // namespace kinelab
