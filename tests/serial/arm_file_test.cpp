// Mechanism files of serial arms: a good file builds the chain its DH table describes, a URDF
// reference is read relative to the file, and every bad file is refused with its line and key.
#include "mechanisms/serial/arm_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

#include "core/angles.h"
#include "mechanisms/serial/arm_file_window.h"
#include "mechanisms/serial/serial_window.h"
#include "support/finite_difference.h"
#include "support/refused_files.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

vec<max_chain_joints> arm_home(const arm_file& a) {
  vec<max_chain_joints> q;
  for (int k = 1; k <= a.joints(); ++k) q(k) = a.home[static_cast<std::size_t>(k - 1)];
  return q;
}

std::string arm_text(const std::string& joints, const std::string& extra = "") {
  return "{\n"
         "  \"format\": \"kinelab mechanism\",\n"
         "  \"format_version\": \"1.0\",\n"
         "  \"kind\": \"serial arm\",\n"
         "  \"unit\": \"m\",\n"
         "  \"convention\": \"standard\",\n" +
         extra + "  \"joints\": [\n" + joints + "  ]\n}\n";
}
const std::string revolute =
    "    {\"type\": \"revolute\", \"a\": 0.5, \"alpha_deg\": 90, \"d\": 0.1, \"theta_deg\": 0, "
    "\"min_deg\": -90, \"max_deg\": 90}";
const std::string prismatic =
    "    {\"type\": \"prismatic\", \"a\": 0, \"alpha_deg\": 0, \"d\": 0.2, \"theta_deg\": 0}";

TEST(ArmFile, GoodFileGivesChainLimitsTaskAndHash) {
  const arm_file a = parse_arm_file(
      arm_text(revolute + ",\n" + prismatic + "\n", "  \"tool\": {\"xyz\": [0, 0, 0.05]},\n"),
      "arm.json");
  ASSERT_EQ(a.joints(), 2);
  EXPECT_EQ(a.unit, "m");
  EXPECT_EQ(a.name, "arm");
  EXPECT_EQ(a.chain.joint[2].kind, joint_kind::prismatic);
  EXPECT_DOUBLE_EQ(a.chain.joint[2].offset, 0.2);
  ASSERT_TRUE(a.limits[0].limited);
  EXPECT_DOUBLE_EQ(a.limits[0].upper, rad(90));
  EXPECT_FALSE(a.limits[1].limited);
  ASSERT_EQ(a.task.size(), 2u);  // two joints track x and y
  EXPECT_EQ(a.task[1], task_component::y);
  EXPECT_EQ(a.content_hash.size(), 16u);
  // At zero the tool stands at Rz(0)·Tz(0.1)·Tx(0.5)·Rx(90), then d = 0.2 along the new z
  // (world −y), then 0.05 more along it.
  const chain_state s = chain_motion(a.chain, joint_motion{});
  EXPECT_NEAR(s.tool.x, 0.5, 1e-15);
  EXPECT_NEAR(s.tool.y, -0.25, 1e-15);
  EXPECT_NEAR(s.tool.z, 0.1, 1e-15);
}

TEST(ArmFile, InverseComponentsAsWritten) {
  const std::string four = revolute + ",\n" + revolute + ",\n" + revolute + ",\n" + revolute + "\n";
  const arm_file a = parse_arm_file(
      arm_text(four, "  \"inverse\": [\"z\", \"x\", \"y\", \"gamma\"],\n"), "a.json");
  ASSERT_EQ(a.task.size(), 4u);
  EXPECT_EQ(a.task[0], task_component::x);
  EXPECT_EQ(a.task[3], task_component::gamma);
}

// Every line of arm_text is fixed, so each message names the line of the entry at fault.
TEST(ArmFile, BadFilesRefusedWithLineAndKey) {
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {arm_text(""), "f.json:7: joints: 0 joints; an arm has 1 to 7"},
      {arm_text(revolute + ",\n" + revolute + ",\n" + revolute + ",\n" + revolute + ",\n" +
                revolute + ",\n" + revolute + ",\n" + revolute + ",\n" + revolute + "\n"),
       "f.json:7: joints: 8 joints; an arm has 1 to 7"},
      {arm_text("    {\"type\": \"spherical\", \"a\": 0, \"alpha_deg\": 0, \"d\": 0, "
                "\"theta_deg\": 0}\n"),
       "f.json:8: joints/0/type: unknown joint type \"spherical\"; revolute or prismatic"},
      {arm_text(revolute + ",\n    {\"type\": \"revolute\", \"a\": \"x\", \"alpha_deg\": 0, "
                           "\"d\": 0, \"theta_deg\": 0}\n"),
       "f.json:9: joints/1/a: not a number"},
      {arm_text("    {\"type\": \"revolute\", \"a\": 0, \"alpha_deg\": 0, \"theta_deg\": 0}\n"),
       "f.json:8: joints/0/d: missing"},
      {arm_text("    {\"type\": \"revolute\", \"a\": 0, \"alpha_deg\": 0, \"d\": 0, "
                "\"theta_deg\": 0, \"min_deg\": 10, \"max_deg\": 10}\n"),
       "f.json:8: joints/0/min_deg: min_deg not below max_deg"},
      {arm_text("    {\"type\": \"prismatic\", \"a\": 0, \"alpha_deg\": 0, \"d\": 0, "
                "\"theta_deg\": 0, \"min_deg\": 0, \"max_deg\": 1}\n"),
       "f.json:8: joints/0/max_deg: unknown key"},
      {arm_text(revolute + "\n", "  \"unit\": \"mm\",\n"),
       "f.json:7: unit: given twice (first on line 5)"},
      {arm_text(revolute + "\n", "  \"tool\": {\"xyz\": [0, 1e999, 0]},\n"),
       "f.json:7: xyz: a number beyond the range of numbers"},
      {arm_text(revolute + "\n", "  \"tool\": {\"xyz\": [0, NaN, 0]},\n"), "f.json:7: not JSON"},
      {arm_text(revolute + "\n", "  \"tool\": {\"xyz\": [0, 0]},\n"),
       "f.json:7: tool/xyz: not three numbers"},
      {arm_text(revolute + "\n", "  \"inverse\": \"everything\",\n"),
       "f.json:7: inverse: not \"position and posture\", \"position\" or a list of components"},
      {arm_text(revolute + "\n", "  \"inverse\": \"position\",\n"),
       "f.json:7: inverse: 3 components for 1 joints; the inverse tracks 1"},
      {arm_text(revolute + "\n", "  \"urdf\": \"arm.urdf\",\n"),
       "f.json:7: urdf: give either joints or urdf"},
      {arm_text(revolute + "\n", "  \"colour\": \"red\",\n"), "f.json:7: colour: unknown key"},
      {"{\"format\": \"kinelab study\"}", "f.json:1: format: not \"kinelab mechanism\""},
      {"{\"format\": \"kinelab mechanism\",\n \"format_version\": \"2.0\"}",
       "f.json:2: format_version: version 2.0 is not one this kinelab reads (1.x)"},
      {"{\"format\": \"kinelab mechanism\", \"format_version\": \"1.0\",\n \"kind\": \"hexapod\"}",
       "f.json:2: kind: a hexapod, not a serial arm"},
      {"{\"format\": \"kinelab mechanism\",", "f.json:1: the file ends inside the document"},
      {std::string(70, '[') + std::string(70, ']'), "f.json:1: nested deeper than 64 levels"},
  };
  test::expect_refused_in_both_languages(
      [](const std::string& text, ui_language lang) { parse_arm_file(text, "f.json", lang); },
      cases);
}

TEST(ArmFile, UrdfReferenceRelativeToTheFileAndItsProblems) {
  test::temp_working_dir dir;
  std::filesystem::create_directories("sub");
  std::ofstream("sub/arm.urdf")
      << "<?xml version=\"1.0\"?>\n<robot name=\"r\">\n  <link name=\"base\"/>\n"
         "  <link name=\"l1\"/>\n  <joint name=\"j1\" type=\"continuous\">\n"
         "    <parent link=\"base\"/>\n    <child link=\"l1\"/>\n"
         "    <origin xyz=\"0 0 1\" rpy=\"0 0 0\"/>\n    <axis xyz=\"0 0 1\"/>\n  </joint>\n"
         "</robot>\n";
  const std::string head =
      "{\"format\": \"kinelab mechanism\", \"format_version\": \"1.0\", \"kind\": \"serial arm\",\n"
      " \"unit\": \"m\", \"tool\": {\"xyz\": [1, 0, 0]},\n";
  std::ofstream("sub/good.json") << head << " \"urdf\": \"arm.urdf\"}\n";
  const arm_file a = read_arm_file("sub/good.json");
  ASSERT_EQ(a.joints(), 1);
  EXPECT_FALSE(a.limits[0].limited);
  joint_motion m;
  m.q(1) = rad(90);
  const chain_state s = chain_motion(a.chain, m);
  EXPECT_NEAR(s.tool.y, 1, 1e-15);
  EXPECT_NEAR(s.tool.z, 1, 1e-15);
  // The same URDF opened itself: root to leaf, metres.
  EXPECT_EQ(read_arm_file("sub/arm.urdf").joints(), 1);

  std::ofstream("sub/missing.json") << head << " \"urdf\": \"none.urdf\"}\n";
  std::ofstream("sub/tip.json") << head << " \"urdf\": \"arm.urdf\",\n \"tip_link\": \"hand\"}\n";
  // A joint the arm cannot hold is placed at its line in the URDF, whoever names the URDF.
  std::ofstream("sub/floating.urdf")
      << "<?xml version=\"1.0\"?>\n<robot name=\"r\">\n  <link name=\"base\"/>\n"
         "  <link name=\"l1\"/>\n\n  <joint name=\"j1\" type=\"floating\">\n"
         "    <parent link=\"base\"/>\n    <child link=\"l1\"/>\n  </joint>\n</robot>\n";
  std::ofstream("sub/floating.json") << head << " \"urdf\": \"floating.urdf\"}\n";
  const std::string floating =
      "sub/floating.urdf:6: joint j1: a floating joint cannot be part "
      "of a serial arm";
  const struct {
    std::string file, message;
    ui_language lang = ui_language::english;
  } cases[] = {
      {"sub/missing.json", "sub/missing.json:3: urdf: cannot read sub/none.urdf"},
      {"sub/tip.json", "sub/tip.json:4: tip_link: arm.urdf: no link hand"},
      {"sub/absent.json", "sub/absent.json: cannot read sub/absent.json"},
      {"sub/floating.json", floating},
      {"sub/floating.urdf", floating},
      {"sub/floating.urdf", "sub/floating.urdf:6: 関節 j1: 浮動関節はシリアルアームに使えません",
       ui_language::japanese},
      {"sub/tip.json", "sub/tip.json:4: tip_link: arm.urdf: リンク hand がありません",
       ui_language::japanese},
      {"sub/absent.json", "sub/absent.json: sub/absent.json を読み込めません",
       ui_language::japanese},
  };
  for (const auto& c : cases) {
    try {
      read_arm_file(c.file, c.lang);
      ADD_FAILURE() << c.file;
    } catch (const arm_file_error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

const std::string examples = std::string(KINELAB_SOURCE_DIR) + "/examples/mechanisms/";

// The inverse's Jacobian column k is the derivative of the tracked components along joint k, and
// the diagnostics' square matrix of a seven-joint arm keeps J·Jᵀ (so J's singular values).
TEST(ArmFile, TaskJacobianMatchesDifferencesAndTheDiagnosticsKeepItsSingularValues) {
  for (const char* file :
       {"arm7.json", "planar_rp.json", "builtin_6r_dh.json", "builtin_6r.urdf"}) {
    SCOPED_TRACE(file);
    const auto arm = std::make_shared<const arm_file>(read_arm_file(examples + file));
    const int n = arm->joints();
    vec<max_chain_joints> q;
    for (int k = 1; k <= n; ++k) q(k) = arm->home[static_cast<std::size_t>(k - 1)] + 0.1 * k;
    mat<6, max_chain_joints> J;
    task_jacobian(arm->chain, arm->task, q, J);
    for (int k = 1; k <= n; ++k)
      for (std::size_t c = 0; c < arm->task.size(); ++c) {
        const int row = static_cast<int>(c) + 1;
        auto along = [&](double h) {
          vec<max_chain_joints> p = q;
          p(k) += h;
          joint_motion m;
          m.q = p;
          return task_of(arm->task, chain_motion(arm->chain, m)).value(row);
        };
        const test::fd_rates fd = test::central_rates(along, 0);
        EXPECT_NEAR(J(row, k), fd.d1, 1e-8) << "joint " << k << " component " << c;
      }
    if (n != 7) continue;
    auto w = make_arm_file_window(arm, arm_window_kind::forward);
    w->open();
    jacobian_matrix D;
    ASSERT_TRUE(w->logic().jacobian_at(0, D));
    ASSERT_EQ(D.rows, 6);
    task_jacobian(arm->chain, arm->task, arm_home(*arm), J);
    for (int r = 1; r <= 6; ++r)
      for (int c = 1; c <= 6; ++c) {
        double JJ = 0, DD = 0;
        for (int k = 1; k <= n; ++k) JJ += J(r, k) * J(c, k);
        for (int k = 1; k <= 6; ++k) DD += D.m(r, k) * D.m(c, k);
        EXPECT_NEAR(DD, JJ, 1e-12) << r << ", " << c;
      }
  }
}

// A file window speaks its language: the title the desktop shows and the note of a joint that
// leaves its limits; the declared title, which result files and studies carry, stays English.
// Limits far beyond a turn, or far from the base in steps of a small range, keep the sliders
// within their own ranges instead of overflowing them.
TEST(ArmFile, FarLimitsKeepTheSlidersInRange) {
  const test::temp_working_dir dir;
  const std::string far_revolute =
      "    {\"type\": \"revolute\", \"a\": 0.3, \"alpha_deg\": 0, \"d\": 0, \"theta_deg\": 5, "
      "\"min_deg\": -180666666666, \"max_deg\": 180},\n";
  const std::string far_prismatic =
      "    {\"type\": \"prismatic\", \"a\": 0, \"alpha_deg\": 0, \"d\": 0, \"theta_deg\": 0, "
      "\"home\": 1e10, \"min\": 1e10, \"max\": 10000000000.5}\n";
  {
    std::ofstream out("far.json");
    out << arm_text(far_revolute + far_prismatic, "  \"inverse\": [\"x\", \"y\"],\n");
  }
  const auto arm = std::make_shared<const arm_file>(read_arm_file("far.json"));
  auto f = make_arm_file_window(arm, arm_window_kind::forward);
  f->open();
  const slider& turn = f->ctl.slider_at(serial_start_stop.sliders, 0);
  EXPECT_EQ(turn.min, -36);
  EXPECT_EQ(turn.max, 36);
  const slider& slide = f->ctl.slider_at(serial_start_stop.sliders, 1);
  EXPECT_LE(slide.min, slide.value);
  EXPECT_LE(slide.value, slide.max);
  EXPECT_TRUE(f->press("run"));
}

TEST(ArmFile, WindowsSpeakTheirLanguage) {
  const test::temp_working_dir dir;
  const auto arm = std::make_shared<const arm_file>(read_arm_file(examples + "arm7.json"));
  struct language_case {
    ui_language lang;
    const char *forward, *inverse, *note;
  };
  for (const language_case& c :
       {language_case{ui_language::english, "7R forward", "7R inverse",
                      "joint 1 (joint1) leaves its limits at step 36"},
        language_case{ui_language::japanese, "7R 順運動学", "7R 逆運動学",
                      "関節 1（joint1）はステップ 36 で可動範囲を外れます"}}) {
    SCOPED_TRACE(c.forward);
    auto f = make_arm_file_window(arm, arm_window_kind::forward);
    auto i = make_arm_file_window(arm, arm_window_kind::inverse);
    EXPECT_EQ(f->title(), "7R forward");
    EXPECT_EQ(i->title(), "7R inverse");
    EXPECT_EQ(f->shown_title(c.lang), c.forward);
    EXPECT_EQ(i->shown_title(c.lang), c.inverse);
    f->language = c.lang;
    f->open();
    f->set_text("Text2(1)", "200");  // joint 1 stops at 200°, its limit is 170°
    ASSERT_TRUE(f->press("run"));
    EXPECT_NE(f->status.find(c.note), std::string::npos) << f->status;
  }
}

}  // namespace
}  // namespace kinelab
