// kinelab-cli --workspace end to end: the summary, the drawing, the CSV and the refusals.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/service/atlas_export.h"
#include "cli/cli.h"
#include "support/file_text.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

struct outcome {
  int code;
  std::string out, err;
};

outcome cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = run_cli(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(workspace_cli, summary_drawing_and_grid) {
  test::temp_working_dir dir;
  const outcome r = cli({"form_stewart_gyaku", "--workspace", "--plane", "xz", "--offset", "0",
                         "--cells", "40", "--svg", "atlas.svg", "--dump", "atlas.csv"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("workspace atlas of form_stewart_gyaku: position, plane xz; limits L1 ", 0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("\nreachable area "), std::string::npos) << r.out;
  const std::string svg = test::file_text("atlas.svg");
  EXPECT_NE(svg.find("<rect"), std::string::npos);
  EXPECT_NE(svg.find("log10 cond"), std::string::npos);
  const atlas_csv_table t = read_atlas_csv(test::file_text("atlas.csv"));
  ASSERT_EQ(t.problem, "");
  EXPECT_EQ(t.rows.size(), 40u * 40u);
  EXPECT_EQ(t.header.front(), "x");
  EXPECT_EQ(t.header[1], "z");
  for (const atlas_csv_row& row : t.rows) EXPECT_EQ(row.coordinate[2], 0.0);

  // After another action the dump is the trajectory arrays again.
  ASSERT_EQ(cli({"form_stewart_gyaku", "--workspace", "--cells", "8", "--press", "run", "--dump",
                 "arrays.csv"})
                .code,
            0);
  EXPECT_EQ(test::file_text("arrays.csv").find("workspace atlas"), std::string::npos);
}

TEST(workspace_cli, limits_and_refusals) {
  test::temp_working_dir dir;
  // One range for every leg, in the window's unit; none of them reaches.
  outcome r = cli({"form_stewart_gyaku", "--workspace", "--cells", "10", "--limits", "0:0.5"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("nothing is reachable in the 10 × 10 cells within these limits"),
            std::string::npos)
      << r.out;
  // A platform that only turns gets its posture atlas, in degrees.
  r = cli({"form_orvak1_gyaku", "--workspace", "--cells", "10"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("posture, plane xy"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("reachable region "), std::string::npos) << r.out;
  // Joint limits in degrees.
  r = cli({"form_3r_jun", "--workspace", "--cells", "10", "--samples", "1000", "--limits",
           "-90:90,0:45,-10:10"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("limits the1(deg) -90..90, the2(deg) 0..45, the3(deg) -10..10"),
            std::string::npos)
      << r.out;

  for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"form_stewart_gyaku", "--workspace", "--cells", "5000"},
            "is more than the 16777216 an atlas may hold"},
           {{"form_stewart_gyaku", "--workspace", "--limits", "1:2,1:2"},
            "--limits needs one range or 6 (2 given)"},
           {{"form_stewart_gyaku", "--workspace", "--plane", "xw"}, "--plane takes xy, xz or yz"},
           {{"form_orvak1_gyaku", "--workspace", "--mode", "position"}, "moves its posture only"},
           {{"form_stewart_gyaku", "--workspace", "--cells"}, "missing value after --cells"}}) {
    r = cli(args);
    EXPECT_EQ(r.code, 2) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  }
  // A field that is not a number is the window's report (exit 1), not a usage error.
  r = cli({"form_stewart_gyaku", "--set", "Text1(0)=abc", "--workspace"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no workspace atlas"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kinelab
