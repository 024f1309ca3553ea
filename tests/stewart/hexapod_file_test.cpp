// Hexapods from mechanism files: the built-in Stewart platform written as a file moves exactly as
// the built-in windows, the file windows' rates are the derivatives of their lengths and poses,
// the forward window's converged steps meet their goals, the file's limits are recorded, and
// every bad file is refused with its line and key.
#include "mechanisms/stewart/hexapod_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/angles.h"
#include "core/number_text.h"
#include "core/profiles.h"
#include "mechanisms/mechanism_file.h"
#include "mechanisms/stewart/hexapod_window.h"
#include "mechanisms/stewart/stewart_window.h"
#include "support/file_text.h"
#include "support/finite_difference.h"
#include "support/refused_files.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

const std::string examples = std::string(KINELAB_SOURCE_DIR) + "/examples/mechanisms/";

std::shared_ptr<const hexapod_file> example(const std::string& file) {
  return std::make_shared<const hexapod_file>(read_hexapod_file(examples + file));
}

// A hexapod with joints off the planes z = 0 of their frames, turned at home: the general case
// the built-in table never has.
const char* const tilted_text = R"({
  "format": "kinelab mechanism",
  "format_version": "1.0",
  "kind": "hexapod",
  "unit": "m",
  "base_joints": [[1.0, -0.3, 0.1], [1.0, 0.3, -0.05], [-0.24, 1.02, 0.0],
                  [-0.76, 0.72, 0.12], [-0.76, -0.72, 0.0], [-0.24, -1.02, -0.1]],
  "platform_joints": [[0.35, -0.35, -0.05], [0.35, 0.35, 0.0], [0.13, 0.48, 0.05],
                      [-0.48, 0.13, 0.0], [-0.48, -0.13, -0.04], [0.13, -0.48, 0.02]],
  "leg_length": {"min": 0.8, "max": 2.2},
  "home": {"xyz": [0.05, -0.02, 1.2], "rpy_deg": [3, -4, 8]}
}
)";

// Every stored value of the arrays both windows have, to 1e-12 of its size.
void expect_same_arrays(const sim_window& file, const sim_window& builtin) {
  std::vector<std::string> names = {"pp", "sp"};
  for (int k = 1; k <= 6; ++k) {
    names.push_back("pj" + std::to_string(k));
    names.push_back("the" + std::to_string(k));
  }
  for (const std::string& name : names) {
    const trajectory_array* a = file.logic().arrays.find(name);
    const trajectory_array* b = builtin.logic().arrays.find(name);
    ASSERT_TRUE(a && b) << name;
    ASSERT_EQ(a->size(), b->size()) << name;
    for (std::size_t i = 0; i < a->size(); ++i) {
      const kin_state x = a->state(i), y = b->state(i);
      const double u[] = {x.x, x.dx, x.ddx, x.y, x.dy, x.ddy, x.z, x.dz, x.ddz};
      const double v[] = {y.x, y.dx, y.ddx, y.y, y.dy, y.ddy, y.z, y.dz, y.ddz};
      for (int c = 0; c < 9; ++c)
        ASSERT_NEAR(u[c], v[c], 1e-12 * std::fmax(1, std::fabs(v[c])))
            << name << " step " << i << " component " << c;
    }
  }
}

struct run_case {
  const char* what;
  std::vector<std::pair<std::string, std::string>> sets;  // address, value, in both windows
};

TEST(HexapodFile, BuiltinStewartAsAFileMovesAsTheBuiltinWindows) {
  const test::temp_working_dir dir;
  const auto file = example("builtin_stewart.json");
  struct window_case {
    const window_decl* builtin;
    hexapod_window_kind kind;
    std::vector<std::pair<std::string, std::string>> defaults;  // the built-in's, into the file's
    std::vector<run_case> runs;
  };
  const window_case cases[] = {
      {&form_stewart_gyaku(),
       hexapod_window_kind::inverse,
       {{"HScroll1(2)", "15"}, {"Text10(2)", "3"}, {"Text10(5)", "0"}},
       {{"default", {}},
        {"moved on the cubic profile",
         {{"Option1", "1"},
          {"HScroll1(0)", "2"},
          {"HScroll1(2)", "18"},
          {"HScroll1(5)", "-7"},
          {"Text10(0)", "0.2"},
          {"Text10(1)", "-0.1"},
          {"Text10(2)", "2.5"},
          {"Text10(3)", "5"},
          {"Text10(4)", "-3"},
          {"Text10(5)", "10"}}}}},
      {&form_stewart_jun(),
       hexapod_window_kind::forward,
       {{"HScroll1(0)", "20"},
        {"HScroll1(1)", "20"},
        {"HScroll1(2)", "20"},
        {"HScroll1(3)", "20"},
        {"HScroll1(4)", "20"},
        {"HScroll1(5)", "20"},
        {"Text10(0)", "3"},
        {"Text10(1)", "3"},
        {"Text10(2)", "3"},
        {"Text10(3)", "3"},
        {"Text10(4)", "3"},
        {"Text10(5)", "3"},
        {"Text4", "0.001"}},
       {{"default", {}},
        {"legs apart on constant velocity",
         {{"Option1", "2"},
          {"Text4", "1e-9"},
          {"HScroll1(1)", "22"},
          {"Text10(0)", "2.8"},
          {"Text10(1)", "3.1"},
          {"Text10(2)", "2.9"},
          {"Text10(4)", "3.2"},
          {"Text10(5)", "2.7"}}}}},
  };
  for (const window_case& c : cases) {
    for (const run_case& r : c.runs) {
      SCOPED_TRACE(c.builtin->name + ": " + r.what);
      sim_window builtin(*c.builtin);
      builtin.open();
      const std::unique_ptr<sim_window> w = make_hexapod_window(file, c.kind);
      w->open();
      for (const auto& [address, value] : c.defaults) w->set_value(address, value);
      // The solver starts where the built-in's does (the file's window opened on its own
      // defaults and solved them first), as a study of it would set it.
      if (const auto start = builtin.logic().start_pose()) w->logic().set_start_pose(*start);
      for (const auto& [address, value] : r.sets) {
        w->set_value(address, value);
        builtin.set_value(address, value);
      }
      ASSERT_TRUE(builtin.press("run"));
      ASSERT_TRUE(w->press("run"));
      expect_same_arrays(*w, builtin);
    }
  }
}

// The pose along a step's rates: q + h·q̇ + h²/2·q̈ has the step's first two derivatives at h = 0.
kin_state along(const kin_state& s, double h) {
  return {s.x + h * s.dx + h * h / 2 * s.ddx, 0, 0, s.y + h * s.dy + h * h / 2 * s.ddy, 0, 0,
          s.z + h * s.dz + h * h / 2 * s.ddz, 0, 0};
}

// Inverse: the stored leg rates and accelerations are the derivatives of the leg lengths along
// the stored pose motion. Forward: at every converged step the legs meet the profile's goals
// within the tolerance, and J·q̇ is the goals' rate.
TEST(HexapodFile, RatesAreTheDerivativesAndConvergedStepsMeetTheirGoals) {
  const test::temp_working_dir dir;
  const std::shared_ptr<const hexapod_file> files[] = {
      example("hexapod_650_250.json"),
      std::make_shared<const hexapod_file>(parse_hexapod_file(tilted_text, "tilted.json"))};
  for (const auto& h : files) {
    SCOPED_TRACE(h->name);
    const std::unique_ptr<sim_window> inv = make_hexapod_window(h, hexapod_window_kind::inverse);
    inv->open();
    // Every coordinate moves: the stop a little off the start in all six.
    const double step = hexapod_slider_step(*h);
    for (int k = 0; k < 6; ++k) {
      const double start =
          std::stod(std::get<std::string>(inv->value_of("Text9(" + std::to_string(k) + ")")));
      const double by = k < 3 ? step * (k + 1) : 3.0 * (k - 2);
      inv->set_value("Text10(" + std::to_string(k) + ")", format_number(start + by));
    }
    ASSERT_TRUE(inv->press("run"));
    const auto& arrays = inv->logic().arrays;
    const double size = h->leg_max;
    for (int i = 1; i < inv->N(); i += 7) {
      const kin_state p = arrays.find("pp")->state(static_cast<std::size_t>(i));
      const kin_state s = arrays.find("sp")->state(static_cast<std::size_t>(i));
      for (int k = 1; k <= 6; ++k) {
        const kin_state L =
            arrays.find("the" + std::to_string(k))->state(static_cast<std::size_t>(i));
        const test::fd_rates fd = test::central_rates(
            [&](double t) { return stewart_legs(h->geometry, along(p, t), along(s, t)).leg(k); }, 0,
            1e-3);
        EXPECT_NEAR(L.dx, fd.d1, 1e-6 * size) << "step " << i << " leg " << k;
        EXPECT_NEAR(L.ddx, fd.d2, 1e-4 * size) << "step " << i << " leg " << k;
      }
    }

    const std::unique_ptr<sim_window> fwd = make_hexapod_window(h, hexapod_window_kind::forward);
    fwd->open();
    const double tolerance = 1e-7 * size;
    fwd->set_value("Text4", format_number(tolerance));
    ASSERT_TRUE(fwd->press("run"));
    const auto& record = fwd->logic().arrays.solver_record();
    const auto& fa = fwd->logic().arrays;
    vec<6> start, stop;
    for (int k = 1; k <= 6; ++k) {
      start(k) =
          std::stod(std::get<std::string>(fwd->value_of("Text9(" + std::to_string(k - 1) + ")")));
      stop(k) =
          std::stod(std::get<std::string>(fwd->value_of("Text10(" + std::to_string(k - 1) + ")")));
    }
    int converged = 0;
    for (int i = 0; i <= fwd->N(); ++i) {
      if (record[static_cast<std::size_t>(i)].status != nr_status::converged) continue;
      ++converged;
      const profile_point pt = profile_at(profile_kind::quintic, i, fwd->N());
      const kin_state p = fa.find("pp")->state(static_cast<std::size_t>(i));
      const kin_state s = fa.find("sp")->state(static_cast<std::size_t>(i));
      const stewart_leg_set legs = stewart_legs(h->geometry, p, s);
      for (int k = 1; k <= 6; ++k) {
        const driven_value goal = apply_profile(pt, start(k), stop(k), fwd->T());
        EXPECT_LT(std::fabs(legs.leg(k) - goal.q), tolerance) << "step " << i << " leg " << k;
        // The legs' rates from the solved pose rates (J·q̇) are the goals' rates.
        EXPECT_NEAR(legs.dleg(k), goal.dq, 1e-9 * size) << "step " << i << " leg " << k;
      }
    }
    EXPECT_EQ(converged, fwd->N() + 1);
  }
}

// The leg range and the cones: a Run that leaves them is recorded per step and named in the
// status line, in the window's language; the atlas takes the range as the legs' limits.
TEST(HexapodFile, LimitsAreRecordedAndNamed) {
  const test::temp_working_dir dir;
  const auto h = example("hexapod_650_250.json");
  struct limit_case {
    const char* address;
    const char* stop;
    ui_language lang;
    const char* note;
  };
  for (const limit_case& c : {limit_case{"Text10(2)", "800", ui_language::english,
                                         "leg 2 leaves its length range at step 31"},
                              limit_case{"Text10(2)", "800", ui_language::japanese,
                                         "脚 2 はステップ 31 で長さの範囲を外れます"},
                              limit_case{"Text10(3)", "40", ui_language::english,
                                         "leg 1 leaves its platform joint's cone at step 34"}}) {
    SCOPED_TRACE(c.note);
    const std::unique_ptr<sim_window> w = make_hexapod_window(h, hexapod_window_kind::inverse);
    w->language = c.lang;
    w->open();
    w->set_value(c.address, c.stop);
    ASSERT_TRUE(w->press("run"));
    EXPECT_NE(w->status.find(c.note), std::string::npos) << w->status;
    const trajectory_array& outside = *w->logic().arrays.find("outside");
    EXPECT_EQ(outside.state(30).x, 0);
    EXPECT_NE(outside.state(outside.size() - 1).x, 0);
  }
  const std::unique_ptr<sim_window> w = make_hexapod_window(h, hexapod_window_kind::inverse);
  EXPECT_EQ(w->title(), "hexapod 650/250 inverse");
  EXPECT_EQ(w->shown_title(ui_language::japanese), "hexapod 650/250 逆運動学");
  w->open();
  const std::optional<atlas_mechanism> m = w->logic().atlas();
  ASSERT_TRUE(m);
  ASSERT_EQ(m->declared_limits.size(), 6u);
  EXPECT_EQ(m->declared_limits[0].lo, 400);
  EXPECT_EQ(m->declared_limits[0].hi, 750);
  // Tilted 40° about x the legs keep their lengths within range but leave their cones.
  const double q[] = {0, 0, 500, rad(40), 0, 0};
  double a[6];
  EXPECT_EQ(m->inverse(q, a), cell_state::outside_limits);
  const double home[] = {0, 0, 500, 0, 0, 0};
  EXPECT_EQ(m->inverse(home, a), cell_state::reachable);
}

std::string hexapod_text(const std::string& base, const std::string& extra = "",
                         const std::string& range = "{\"min\": 1, \"max\": 3}",
                         const std::string& home = "{\"xyz\": [0, 0, 1.5]}") {
  return "{\n"
         "  \"format\": \"kinelab mechanism\",\n"
         "  \"format_version\": \"1.0\",\n"
         "  \"kind\": \"hexapod\",\n"
         "  \"unit\": \"m\",\n" +
         extra + "  \"base_joints\": " + base +
         ",\n"
         "  \"platform_joints\": [[0.5, 0, 0], [0.5, 0.2, 0], [-0.2, 0.5, 0], [-0.4, 0.3, 0], "
         "[-0.3, -0.4, 0], [-0.1, -0.5, 0]],\n"
         "  \"leg_length\": " +
         range +
         ",\n"
         "  \"home\": " +
         home + "\n}\n";
}
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}
const std::string good_base =
    "[[1, -0.2, 0], [1, 0.3, 0], [-0.3, 1, 0], [-0.8, 0.6, 0], [-0.7, -0.8, 0], [-0.2, -1, 0]]";

TEST(HexapodFile, BadFilesRefusedWithLineAndKey) {
  ASSERT_NO_THROW(parse_hexapod_file(hexapod_text(good_base), "f.json"));
  const struct {
    std::string text, message;
  } cases[] = {
      {hexapod_text("[[1, 0, 0], [0, 1, 0]]"), "f.json:6: base_joints: 2 joints; a hexapod has 6"},
      {hexapod_text("[[1, \"a\", 0], [1, 0.3, 0], [-0.3, 1, 0], [-0.8, 0.6, 0], [-0.7, -0.8, 0], "
                    "[-0.2, -1, 0]]"),
       "f.json:6: base_joints/0/1: not a number"},
      {hexapod_text("[[1, 0], [1, 0.3, 0], [-0.3, 1, 0], [-0.8, 0.6, 0], [-0.7, -0.8, 0], "
                    "[-0.2, -1, 0]]"),
       "f.json:6: base_joints/0: not three numbers"},
      {hexapod_text(good_base, "", "{\"min\": 3, \"max\": 3}"),
       "f.json:8: leg_length/min: min not below max"},
      {hexapod_text(good_base, "", "{\"min\": 0, \"max\": 3}"),
       "f.json:8: leg_length/min: not above 0"},
      {hexapod_text(good_base, "", "{\"min\": 1, \"max\": 1e999}"),
       "f.json:8: max: a number beyond the range of numbers"},
      {hexapod_text(good_base, "", "{\"min\": 1, \"max\": NaN}"), "f.json:8: not JSON"},
      {hexapod_text(good_base, "", "{\"min\": 1.6, \"max\": 3}"),
       "f.json:9: home: leg 1 is 1.59374 long at the home pose, outside 1.6 to 3"},
      {hexapod_text(good_base, "", "{\"min\": 1, \"max\": 3}", "{\"rpy_deg\": [0, 0, 0]}"),
       "f.json:9: home/xyz: missing"},
      {hexapod_text(good_base, "  \"joint_cone_deg\": {\"base\": 190},\n"),
       "f.json:6: joint_cone_deg/base: a cone's half-angle lies between 0 and 180 degrees"},
      {hexapod_text(good_base, "  \"joint_cone_deg\": {\"top\": 20},\n"),
       "f.json:6: joint_cone_deg/top: unknown key"},
      // All base joints at one point: the platform turns about it with every leg held.
      {hexapod_text("[[0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0]]", "",
                    "{\"min\": 1, \"max\": 3}"),
       "f.json:9: home: the legs do not hold the platform at the home pose"},
      {replaced(hexapod_text("[[1, -0.2, 0], [1, 0.3, 0], [1, -0.2, 0], [-0.8, 0.6, 0], "
                             "[-0.7, -0.8, 0], [-0.2, -1, 0]]"),
                "[-0.2, 0.5, 0]", "[0.5, 0, 0]"),
       "f.json:7: platform_joints/2: legs 1 and 3 join the same two joints"},
      {replaced(hexapod_text(good_base), "\"hexapod\"", "\"serial arm\""),
       "f.json:4: kind: a serial arm, not a hexapod"},
      {hexapod_text(good_base, "  \"legs\": 6,\n"), "f.json:6: legs: unknown key"},
  };
  test::expect_refused_in_both_languages(
      [](const std::string& text, ui_language lang) { parse_hexapod_file(text, "f.json", lang); },
      cases);
}

// The atlas cache shares maps between windows whose files say the same: the cones and the leg
// range change the cells while the geometry stays.
TEST(HexapodFile, AtlasIdentityFollowsTheFile) {
  const std::string text = test::file_text(examples + "hexapod_650_250.json");
  const auto identity = [](const std::string& t, const std::string& path) {
    auto w = make_hexapod_window(std::make_shared<const hexapod_file>(parse_hexapod_file(t, path)),
                                 hexapod_window_kind::inverse);
    w->open();
    return w->logic().atlas()->identity;
  };
  const std::string same = identity(text, "a.json");
  EXPECT_FALSE(same.empty());
  EXPECT_EQ(identity(text, "a.json"), same);
  for (const std::string& edited : {replaced(text, "\"base\": 35", "\"base\": 30"),
                                    replaced(text, "\"max\": 750", "\"max\": 760")})
    EXPECT_NE(identity(edited, "a.json"), same);
  EXPECT_NE(identity(text, "b.json"), same);
}

// One entry reads either kind by its "kind".
TEST(HexapodFile, MechanismFilesOpenByTheirKind) {
  const mechanism_file h = read_mechanism_file(examples + "hexapod_650_250.json");
  ASSERT_TRUE(h.hexapod);
  EXPECT_FALSE(h.arm);
  EXPECT_EQ(h.hexapod->unit, "mm");
  EXPECT_EQ(h.hexapod->content_hash.size(), 16u);
  const mechanism_file a = read_mechanism_file(examples + "planar_rp.json");
  EXPECT_TRUE(a.arm);
  EXPECT_FALSE(a.hexapod);
}

}  // namespace
}  // namespace kinelab
