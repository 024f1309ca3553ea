// kinelab-cli end to end: the real binary, run in a temporary directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/result_rows.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

using test::lines_of;
using test::slurp;

struct cli_result {
  int exit_code = -1;
  std::string out, err;
};

class cli : public ::testing::Test {
 protected:
  cli_result run(const std::string& args) {
    const std::string cmd = std::string(KINELAB_CLI_PATH) + " " + args + " >out.txt 2>err.txt";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp("out.txt"), slurp("err.txt")};
  }
  test::temp_working_dir dir_;
};

TEST_F(cli, default_3r_run_writes_the_result_file) {
  const cli_result r = run("form_3r_jun --press run");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string file = slurp("result.dat");
  const auto lines = lines_of(file, "\r\n");
  ASSERT_EQ(lines.size(), 52u);
  EXPECT_EQ(file.back(), '\n');
  EXPECT_EQ(lines[0],
            "i, deg(the1(i)), deg(the2(i)), deg(the3(i)), p4(i).x, p4(i).y, p4(i).z, "
            "deg(s4(i).x), deg(s4(i).y), deg(s4(i).z)");
  // Print zones of 14 columns: the step, then the three joint angles in degrees.
  EXPECT_EQ(lines[1].substr(0, 56), " 0             0             0             0            ");
  EXPECT_EQ(lines[51].substr(0, 56), " 50            20            20            20           ");
}

TEST_F(cli, static_pose_readouts_and_the_displayed_step) {
  const cli_result r =
      run("form_3r_jun --print Text4 --print step_no --print caption --print 'Text2(0)'");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("Text4(2)=5\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Text4(3)=90\nText4(4)=0\nText4(5)=0\n0\n動画\n0\n"), std::string::npos)
      << r.out;
}

TEST_F(cli, actions_run_in_order) {
  const cli_result r = run(
      "form_3r_jun --set 'HScroll2(0)=3' --print 'Text2(0)' --press run --tick 3 --print step_no "
      "--press next --print caption --set Option1=2 --print Option1");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "15\n3\nx   dx   ddx\n2\n");
}

TEST_F(cli, svg_and_dump_write_the_picture_and_the_arrays) {
  const cli_result r = run("form_3r_jun --N 4 --press run --svg view.svg --dump arrays.csv");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string svg = slurp("view.svg");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  std::vector<std::string> comments, rows;
  for (const std::string& line : lines_of(slurp("arrays.csv"), "\n"))
    (line.rfind("#", 0) == 0 ? comments : rows).push_back(line);
  ASSERT_EQ(rows.size(), 6u);  // the header and steps 0..4
  EXPECT_EQ(rows[0].rfind("i,p2.x,p2.dx,p2.ddx,p2.y,", 0), 0u) << rows[0];
  EXPECT_NE(rows[0].find(",the1,dthe1,ddthe1,the2,"), std::string::npos) << rows[0];
  EXPECT_NE(rows[0].find(",sigma_min,condition"), std::string::npos) << rows[0];
  // The comment lines name the program, the window, N, T, the profile and every field.
  const std::string head = slurp("arrays.csv").substr(0, slurp("arrays.csv").find("\ni,"));
  for (const char* part : {"# kinelab ", "# window: form_3r_jun (3r_jun)",
                           "# N = 4, T = 1, profile: quintic", "# Text2: (0) 0, (1) 20,"})
    EXPECT_NE(head.find(part), std::string::npos) << part << "\n" << head;
}

TEST_F(cli, reports_and_usage_errors_have_their_exit_status) {
  struct {
    std::string args;
    int exit_code;
    std::string err_contains;
  } cases[] = {
      {"form_3r_jun --set 'Text2(1)=abc' --press run", 1,
       "stop of the1 (Text2(1)) is not a number: \"abc\""},
      {"no_such_window", 2, "unknown window"},
      {"form_3r_jun --press launch", 2, "no button launch"},
      {"form_3r_jun --set 'Text99(0)=1'", 2, "no control Text99"},
      {"form_3r_jun --set 'HScroll2(0)=19'", 2, "ranges from -18 to 18"},
      {"form_3r_jun --set Text2=1", 2, "needs an index"},
      {"form_3r_jun --N 0", 2, "number of time divisions"},
      {"form_3r_jun --tick", 2, "missing value after --tick"},
      {"form_3r_jun --press run --N 5", 2, "--N must come before the actions"},
      {"form_3r_jun --press run --bogus", 2, "unknown action: --bogus"},
      {"form_3r_jun --dump d.csv", 1, "d.csv was not written: no Run yet"},
      {"form_3r_jun --set 'Text7(1)=1e308' --press run", 1,
       "result.dat kept: the Run overflowed at step 7 (p3.ddx)"},
      {"form_3r_gyaku --set Text9=-1 --press run", 1,
       "許容誤差 (Text9) is not a number of 0 or more: \"-1\""},
      {"test_newton --set 'Text1(0)=1e200' --press Command1", 1, "out of the range of numbers"},
      // The Run is complete, but not every solve reached the tolerance.
      {"form_3r_gyaku --set Text9=1e-300 --press run", 3,
       "of 51 steps did not reach the tolerance (first: step 0,"},
  };
  for (const auto& c : cases) {
    const cli_result r = run(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.err_contains), std::string::npos) << c.args << "\n" << r.err;
  }
}

// Standard output that cannot take the dump (a full disk) fails the command like any file.
TEST_F(cli, a_dump_to_a_full_standard_output_fails) {
  const std::string cmd =
      std::string(KINELAB_CLI_PATH) + " form_3r_jun --press run --dump - >/dev/full 2>err.txt";
  const int status = std::system(cmd.c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
  EXPECT_NE(slurp("err.txt").find("standard output was not written"), std::string::npos);
}

// A --tick count of 10^18 ran for ever. The timer's walk repeats every 2N ticks, so 10^18 + 3
// ticks end where 3 do; without a Run the timer is off and ticks do nothing.
TEST_F(cli, a_huge_tick_count_ends_where_its_remainder_does) {
  const cli_result few = run("form_3r_jun --N 4 --press run --tick 3 --print step_no");
  const cli_result many =
      run("form_3r_jun --N 4 --press run --tick 1000000000000000003 --print step_no");
  ASSERT_EQ(many.exit_code, 0) << many.err;
  EXPECT_EQ(few.out, "3\n");
  EXPECT_EQ(many.out, few.out);
  const cli_result idle = run("test_newton --tick 9223372036854775807 --print 'Text1(0)'");
  EXPECT_EQ(idle.exit_code, 0) << idle.err;
  EXPECT_EQ(idle.out, "1\n");
}

// A Japanese input method types full-width digits, signs, point and exponent letter; the minus
// sign U+2212 comes in by copy and paste. Every kind of field reads them as their ASCII forms:
// the same output and the same result.dat as the ASCII spelling.
TEST_F(cli, full_width_input_reads_as_ascii_in_every_kind_of_field) {
  struct {
    std::string full_width, ascii;
  } cases[] = {
      // a simulation window's parameter fields, and its pose slider
      {"form_3r_jun --set 'Text2(1)=２０' --set 'Text6(2)=−0.5' --press run --print Text4",
       "form_3r_jun --set 'Text2(1)=20' --set 'Text6(2)=-0.5' --press run --print Text4"},
      {"form_3r_jun --set 'HScroll2(0)=－３' --print Text4",
       "form_3r_jun --set 'HScroll2(0)=-3' --print Text4"},
      // the settings
      {"form_3r_jun --N ２０ --T ０．５ --press run", "form_3r_jun --N 20 --T 0.5 --press run"},
      // the function-test windows
      {"test_newton --set 'Text1(0)=−0.5' --press Command1 --print Text2",
       "test_newton --set 'Text1(0)=-0.5' --press Command1 --print Text2"},
      {"test_kakudo --set 'Text1(0)=＋１．５ｅ－１' --press Command1 --print Text2",
       "test_kakudo --set 'Text1(0)=0.15' --press Command1 --print Text2"},
  };
  for (const auto& c : cases) {
    std::remove("result.dat");
    const cli_result a = run(c.ascii);
    ASSERT_EQ(a.exit_code, 0) << c.ascii << "\n" << a.err;
    const std::string ascii_file = slurp("result.dat");
    std::remove("result.dat");
    const cli_result f = run(c.full_width);
    EXPECT_EQ(f.exit_code, 0) << c.full_width << "\n" << f.err;
    EXPECT_EQ(f.out, a.out) << c.full_width;
    EXPECT_EQ(slurp("result.dat"), ascii_file) << c.full_width;
  }
  // "２０" is 20 and "−0.5" is −0.5: E = sin x − x² at each.
  const cli_result r =
      run("test_newton --set 'Text1(0)=２０' --press Command1 --print 'Text2(0)' "
          "--set 'Text1(0)=−0.5' --press Command1 --print 'Text2(0)'");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "-399.087054749272\n-0.729425538604203\n");
}

// --save writes the study where it stands among the actions; --load FILE in the window's place
// opens the window it names with its N and T, and the Run writes the original's bytes; an
// export's header does the same. A study of another window stops the actions with exit 2.
TEST_F(cli, a_study_saved_and_loaded_reproduces_the_run) {
  const cli_result saved =
      run("form_stewart_jun --N 20 --T 2 --set 'Text10(0)=2.7' --set 'HScroll1(2)=25' "
          "--set Option1=1 --save s.kinelab --press run --dump d.csv");
  ASSERT_EQ(saved.exit_code, 0) << saved.err;
  const std::string expected = slurp("result.dat");
  ASSERT_EQ(lines_of(expected).size(), 22u);
  for (const char* file : {"s.kinelab", "d.csv"}) {
    std::remove("result.dat");
    const cli_result r = run(std::string("--load ") + file + " --print 'Text10(0)' --press run");
    ASSERT_EQ(r.exit_code, 0) << file << "\n" << r.err;
    EXPECT_EQ(r.out, "2.7\n");
    EXPECT_TRUE(slurp("result.dat") == expected) << file;
  }

  std::remove("result.dat");
  struct {
    std::string args;
    int exit_code;
    std::string err;
  } cases[] = {
      {"form_3r_jun --load s.kinelab --press run", 2,
       "kinelab-cli: s.kinelab:5: window: a study of form_stewart_jun, not of form_3r_jun\n"},
      {"--load missing.kinelab", 2,
       "kinelab-cli: missing.kinelab: cannot be read: No such file or directory\n"},
      {"form_3r_jun --save no/such/dir/s.kinelab", 1,
       "form_3r_jun: no/such/dir/s.kinelab was not written: "},
      {"--load", 2, "kinelab-cli: missing value after --load\nusage: "},
      {"--load t.kinelab", 2, "kinelab-cli: t.kinelab:5: window: test_newton has no study\n"},
  };
  {
    std::string study = slurp("s.kinelab");
    study.replace(study.find("form_stewart_jun"), 16, "test_newton");
    std::ofstream("t.kinelab") << study;
  }
  for (const auto& c : cases) {
    const cli_result r = run(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << "\n" << r.err;
  }
  // A refused study leaves no Run behind it.
  EXPECT_FALSE(std::filesystem::exists("result.dat"));
}

TEST_F(cli, says_what_it_is) {
  const cli_result version = run("--version");
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, "kinelab-cli (kinelab) 1.1.0\n");
  const cli_result help = run("--help");
  EXPECT_EQ(help.exit_code, 0);
  for (const char* part : {"kinelab-cli 1.1.0: runs kinelab's windows", "usage: kinelab-cli list",
                           "--compare-profiles", "exit status: 0 success", "3 the last Run"})
    EXPECT_NE(help.out.find(part), std::string::npos) << part << "\n" << help.out;
  EXPECT_EQ(run("").exit_code, 2);
}

TEST_F(cli, lists_every_window) {
  const cli_result r = run("list");
  ASSERT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("form_3r_jun\t3r_jun\tjun3r\t直列３R順運動学\n"), std::string::npos);
  EXPECT_NE(r.out.find("test_newton"), std::string::npos);
}

// Runs that a failed solve used to strand: the 6R arm restarted every step from its opening
// solution after the first failure (82 of 121 converged); the selvo rods, shortened to 0.25,
// could not take the pose kept from the longer rods; the Stewart platform's full Newton steps
// ran away (z near −6·10⁶) after a large slider move.
TEST_F(cli, failed_solves_do_not_strand_the_run) {
  const struct {
    std::string args;
    int exit_code;
  } cases[] = {
      {"form_6r_gyaku --N 120 --set 'Text2(1)=0.267837' --set 'Text2(3)=-0.009601' "
       "--set 'Text2(5)=0.305787' --set 'Text2(7)=-123.368124' --set 'Text2(9)=-14.603084' "
       "--set 'Text2(11)=145.062921' --set 'HScroll2(0)=2' --set 'HScroll2(1)=4' "
       "--set 'HScroll2(2)=67' --set 'HScroll2(3)=-14' --set 'HScroll2(4)=-8' "
       "--set 'HScroll2(5)=-14' --press run",
       0},
      {"form_selvo_jun --set Text6=0.25 --set 'Text10(0)=0.1787' --set 'Text10(1)=0.2787' "
       "--set 'Text10(2)=-0.29' --set 'Text10(3)=-0.29' --set 'Text10(4)=0.2787' "
       "--set 'Text10(5)=0.1787' --set 'HScroll1(0)=19' --set 'HScroll1(1)=29' "
       "--set 'HScroll1(2)=-32' --set 'HScroll1(3)=-32' --set 'HScroll1(4)=29' "
       "--set 'HScroll1(5)=19' --press run",
       0},
  };
  for (const auto& c : cases) {
    const cli_result r = run(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.find("steps did not reach"), std::string::npos) << r.err;
  }
  const cli_result stewart = run("form_stewart_jun --set 'HScroll1(0)=10' --press run");
  EXPECT_EQ(stewart.err.find("diverged"), std::string::npos) << stewart.err;
}

// The 3R arm's goal passing just beside joint 1's axis: the elbow folds through and comes out on
// its other side in one step, converged; raised out of reach, the steps around the jumps fail.
TEST_F(cli, branch_jumps_say_what_happened) {
  const std::string beside_the_axis = "form_3r_gyaku --set 'Text2(1)=0.01' --set 'Text2(3)=-2.5' ";
  const struct {
    std::string args;
    int exit_code;  // 3: steps short of the tolerance
    std::string status;
  } cases[] = {
      // Steps 21–24 fall short; going on from where each ended, the steps after them stay on
      // the branch the Run started on (joint 1 turning fast past the axis at steps 25–27).
      {"form_3r_gyaku --set 'HScroll2(1)=23' --set 'HScroll2(2)=26' --set 'Text2(1)=-0.2004' "
       "--set 'Text2(3)=-2.1258' --set 'Text2(5)=-0.6743' --press run",
       3,
       "form_3r_gyaku: 16 of 51 steps did not reach the tolerance (first: step 21, residual "
       "0.074609625497952)\n"},
      // Past the reach: the failed steps that only stall are not said to diverge.
      {beside_the_axis + "--set 'Text2(5)=5' --press run", 3,
       "form_3r_gyaku: 17 of 51 steps did not reach the tolerance (first: step 34, residual "
       "0.0360901755950565)\n"},
  };
  for (const auto& c : cases) {
    const cli_result r = run(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args;
    EXPECT_EQ(r.err, c.status) << c.args;
  }
}

}  // namespace
}  // namespace kinelab
