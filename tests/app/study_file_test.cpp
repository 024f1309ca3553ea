// Study files: every window's setup survives a save and an open (and an export's header), the
// Run after opening writes the very bytes of the original's, and a bad file changes nothing.
#include "app/study/study_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "app/service/window_export.h"
#include "app/study/open_study.h"
#include "core/number_text.h"
#include "mechanisms/registry.h"
#include "support/result_rows.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

using test::slurp;

std::unique_ptr<window_model> open_window(const window_entry& e, run_settings s) {
  std::unique_ptr<window_model> w = e.make(s);
  w->open();
  return w;
}

sim_window& sim(std::unique_ptr<window_model>& w) {
  return dynamic_cast<sim_window&>(*w);
}

void write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A user's setup away from every default: each enabled field a little off its value, the
// profile cubic, every enabled pose slider one step on; then the start fields (Text9) that the
// slider moves rewrote typed once more (a start typed after the slider, which some windows run
// from).
void set_away_from_defaults(sim_window& w) {
  auto away = [](const std::string& text) {
    return format_number(*parse_number(text) * 1.01 + 0.001);
  };
  for (const text_group& g : w.ctl.texts) {
    if (g.name == w.decl().style.step_readout) continue;
    for (std::size_t k = 0; k < g.fields.size(); ++k)
      if (g.fields[k].enabled)
        w.set_text(address_text(g.name, static_cast<int>(k), g.indexed), away(g.fields[k].text));
  }
  w.select_option(1);
  const controls typed = w.ctl;
  for (const slider_group& g : w.ctl.sliders) {
    if (g.name == w.decl().style.time_slider) continue;
    for (std::size_t k = 0; k < g.sliders.size(); ++k) {
      const slider& s = g.sliders[k];
      if (!s.enabled) continue;
      w.set_slider(address_text(g.name, static_cast<int>(k), g.indexed),
                   s.value < s.max ? s.value + 1 : s.value - 1);
    }
  }
  if (const text_group* starts = w.ctl.find_texts("Text9"); starts && starts->indexed)
    for (std::size_t k = 0; k < starts->fields.size(); ++k)
      if (starts->fields[k].text != typed.text("Text9", static_cast<int>(k)))
        w.set_text(address_text("Text9", static_cast<int>(k), true), away(starts->fields[k].text));
}

// Every window: save, open in a fresh window with the default N and T, Run: result.dat is the
// original's byte for byte; the same from the header of the original's CSV export.
TEST(StudyFile, EveryWindowRoundTripsToTheSameResultFile) {
  test::temp_working_dir dir;
  for (const window_entry& e : window_registry()) {
    if (!e.simulation) continue;
    SCOPED_TRACE(e.name);
    std::unique_ptr<window_model> original = open_window(e, {37, 2.5, "original.dat"});
    set_away_from_defaults(sim(original));
    std::string error;
    ASSERT_TRUE(save_study(sim(original), "setup.kinelab", error)) << error;
    original->press("run");
    const std::string expected = slurp("original.dat");
    ASSERT_FALSE(expected.empty());
    write("export.csv", window_csv(sim(original)));

    for (const char* file : {"setup.kinelab", "export.csv"}) {
      SCOPED_TRACE(file);
      std::unique_ptr<window_model> reopened = open_window(e, {50, 1, "reopened.dat"});
      open_study(read_study(file), sim(reopened));
      EXPECT_EQ(reopened->settings.N, 37);
      EXPECT_EQ(reopened->settings.T, 2.5);
      EXPECT_EQ(sim(reopened).profile(), profile_kind::cubic);
      reopened->press("run");
      EXPECT_TRUE(slurp("reopened.dat") == expected) << "result.dat differs";
      // After the Run both windows show the same fields, the readouts of step 0 included.
      EXPECT_EQ(study_document(sim(reopened)), study_document(sim(original)));
    }
  }
}

// The document is readable: one control a line, under the keys that describe it.
TEST(StudyFile, DocumentDescribesTheWindowOneControlALine) {
  std::unique_ptr<window_model> w = open_window(*find_window("form_3r_jun"), {80, 0.5});
  w->set_value("HScroll2(1)", "4");
  const std::string doc = study_document(sim(w));
  for (const char* line :
       {"\n  \"format\": \"kinelab study\",\n", "\n  \"format_version\": \"1.1\",\n",
        "\n  \"window\": \"form_3r_jun\",\n", "\n  \"N\": 80,\n", "\n  \"T\": 0.5,\n",
        "\n  \"profile\": \"quintic\",\n", "\n    \"Text2(1)\": \"20\",\n",
        "\n    \"HScroll2(1)\": 4,\n", "\n    \"HScroll1\": 0\n"})
    EXPECT_NE(doc.find(line), std::string::npos) << line << "\n" << doc;
  EXPECT_NE(doc.find("\"program_version\": \"" + std::string(program_version()) + "\""),
            std::string::npos);
}

// A field that does not hold a number is not saved: the study could not be opened again.
TEST(StudyFile, FieldThatIsNotANumberIsNotSaved) {
  test::temp_working_dir dir;
  std::unique_ptr<window_model> w = open_window(*find_window("form_3r_jun"), {});
  w->set_text("Text2(1)", "abc");
  std::string error;
  EXPECT_FALSE(save_study(sim(w), "s.kinelab", error));
  EXPECT_EQ(error, "Text2(1) does not hold a number: the study was not saved");
  EXPECT_FALSE(std::filesystem::exists("s.kinelab"));
}

// Every bad file: a message naming the file, the line and the key; the window exactly as it was.
TEST(StudyFile, BadFilesChangeNothingAndSayWhere) {
  test::temp_working_dir dir;
  const window_entry& e = *find_window("form_3r_jun");
  std::unique_ptr<window_model> source = open_window(e, {});
  const std::string good = study_document(sim(source));
  auto with = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    const auto at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return t.replace(at, from.size(), to);
  };
  auto line_of = [&](const std::string& key) {
    const auto at = good.find("\"" + key + "\":");
    return std::to_string(1 + std::count(good.begin(), good.begin() + static_cast<long>(at), '\n'));
  };
  const std::string text2_1 = "\"Text2(1)\": \"20\"";
  const std::string slider_1 = "\"HScroll2(1)\": 0";
  ASSERT_TRUE(sim(source).compute_trajectory());  // an export holds a Run
  const std::string csv = window_csv(sim(source));

  struct {
    const char* what;
    std::string content;
    std::string message;
  } cases[] = {
      {"not JSON", "hello", "bad.kinelab:1: not JSON: "},
      {"truncated", good.substr(0, good.size() / 2),
       "bad.kinelab:" +
           std::to_string(
               1 + std::count(good.begin(), good.begin() + long(good.size() / 2) - 1, '\n')) +
           ": the file ends before the study does"},
      {"not a study", "{\"N\": 3}",
       "bad.kinelab: not a kinelab study (no \"format\": \"kinelab study\")"},
      {"another window's", with("\"form_3r_jun\"", "\"form_6r_jun\""),
       "bad.kinelab:" + line_of("window") + ": window: a study of form_6r_jun, not of form_3r_jun"},
      {"another window's, by its title",
       [&] {
         std::string t = with("\"form_3r_jun\"", "\"form_6r_jun\"");
         return t.replace(t.find("\"3r_jun\""), 8, "\"6r_jun\"");
       }(),
       "bad.kinelab:" + line_of("window") + ": window: a study of 6r_jun, not of 3r_jun"},
      {"unknown control", with(text2_1, "\"Text99(0)\": \"20\""),
       "bad.kinelab:" + line_of("Text2(1)") + ": Text99(0): form_3r_jun has no such control"},
      {"index past the end", with(text2_1, "\"Text2(40)\": \"20\""),
       "bad.kinelab:" + line_of("Text2(1)") + ": Text2(40): form_3r_jun has no such control"},
      {"slider outside its range", with(slider_1, "\"HScroll2(1)\": 40"),
       "bad.kinelab:" + line_of("HScroll2(1)") + ": HScroll2(1): 40 is outside its range -18..18"},
      {"slider not whole", with(slider_1, "\"HScroll2(1)\": 2.5"),
       "bad.kinelab:" + line_of("HScroll2(1)") + ": HScroll2(1): a slider takes a whole number"},
      {"time slider past N", with("\"HScroll1\": 0", "\"HScroll1\": 51"),
       "bad.kinelab:" + line_of("HScroll1") + ": HScroll1: 51 is outside its range 0..50"},
      {"field not a number", with(text2_1, "\"Text2(1)\": \"2O\""),
       "bad.kinelab:" + line_of("Text2(1)") + ": Text2(1): \"2O\" is not a number"},
      {"field as a slider", with(slider_1, "\"HScroll2(1)\": 0, \"Text2(0)\": 1"),
       "bad.kinelab:" + line_of("HScroll2(1)") + ": Text2(0): is a field, not a slider"},
      {"future format", with("\"1.1\"", "\"2.0\""),
       "bad.kinelab:" + line_of("format_version") +
           ": format_version: format 2.0 is newer than this program reads (1.1)"},
      {"unknown key of this version", with("\"title\"", "\"subtitle\""),
       "bad.kinelab:" + line_of("title") + ": subtitle: unknown key"},
      {"N out of range", with("\"N\": 50", "\"N\": 0"),
       "bad.kinelab:" + line_of("N") + ": N: must be a whole number from 1 to 200000"},
      {"T too small", with("\"T\": 1.0", "\"T\": 0.0"), "bad.kinelab:" + line_of("T") + ": T: "},
      {"unknown profile", with("\"quintic\"", "\"sinusoid\""),
       "bad.kinelab:" + line_of("profile") +
           ": profile: \"sinusoid\" is not a profile of form_3r_jun"},
      {"export of another window",
       [&] {
         std::string t = csv;
         return t.replace(t.find("form_3r_jun"), 11, "form_6r_jun");
       }(),
       "bad.kinelab:2: window: a study of form_6r_jun, not of form_3r_jun"},
      {"export of another window, by its title",
       [&] {
         std::string t = csv;
         return t.replace(t.find("form_3r_jun (3r_jun)"), 20, "form_6r_jun (6r_jun)");
       }(),
       "bad.kinelab:2: window: a study of 6r_jun, not of 3r_jun"},
      {"export with a bad field",
       [&] {
         std::string t = csv;
         return t.replace(t.find("(1) 20"), 6, "(1) x");
       }(),
       "bad.kinelab:" +
           std::to_string(1 +
                          std::count(csv.begin(), csv.begin() + long(csv.find("(1) 20")), '\n')) +
           ": Text2(1): \"x\" is not a number"},
      {"export without its header", "i,p2.x\n0,1\n", "bad.kinelab:1: not JSON: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<window_model> w = open_window(e, {});
    w->set_value("Text2(3)", "7");
    w->set_value("HScroll2(2)", "-2");
    const std::string before = study_document(sim(w));
    const std::string status_before = w->status;
    write("bad.kinelab", c.content);
    try {
      open_study(read_study("bad.kinelab"), sim(w));
      ADD_FAILURE() << "opened";
    } catch (const study_error& error) {
      EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u)
          << error.what() << "\nexpected: " << c.message;
    }
    EXPECT_EQ(study_document(sim(w)), before);
    EXPECT_EQ(w->settings.N, 50);
    EXPECT_EQ(w->status, status_before);
  }

  std::unique_ptr<window_model> w = open_window(e, {});
  try {
    read_study("missing.kinelab");
    ADD_FAILURE() << "read a missing file";
  } catch (const study_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "missing.kinelab: cannot be read: No such file or directory");
  }
}

// A newer minor version's extra keys are skipped with a note naming them; the rest is opened.
TEST(StudyFile, KeysOfANewerMinorVersionAreIgnoredWithANote) {
  std::unique_ptr<window_model> source = open_window(*find_window("form_3r_jun"), {});
  source->set_value("Text2(1)", "33");
  std::string doc = study_document(sim(source));
  doc.replace(doc.find("\"1.1\""), 5, "\"1.4\"");
  doc.replace(doc.find("\"title\""), 7, "\"colour\": \"blue\",\n  \"title\"");
  const study s = parse_study(doc, "new.kinelab");
  ASSERT_EQ(s.notes.size(), 1u);
  EXPECT_EQ(s.notes[0], "new.kinelab:6: colour: ignored (a key of format 1.4, newer than 1.1)");
  std::unique_ptr<window_model> w = open_window(*find_window("form_3r_jun"), {});
  open_study(s, sim(w));
  EXPECT_EQ(std::get<std::string>(w->value_of("Text2(1)")), "33");
}

}  // namespace
}  // namespace kinelab
