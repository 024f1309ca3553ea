// Windows from mechanism files, end to end through kinelab-cli: the built-in six-joint arm written
// as a DH file and as a URDF moves exactly as form_6r_jun; the inverse windows meet their goals
// and their rates give the commanded rates through the Jacobian; a hexapod file's inverse keeps
// its legs and rates consistent with its pose; a bad file is refused with its line and key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "mechanisms/serial/arm_file.h"
#include "mechanisms/serial/arm_file_window.h"
#include "mechanisms/stewart/hexapod_file.h"
#include "support/figures.h"
#include "support/result_rows.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

using test::slurp;

const std::string examples = std::string(KINELAB_SOURCE_DIR) + "/examples/mechanisms/";

struct cli_result {
  int exit_code = -1;
  std::string err;
};

cli_result run(const std::string& args) {
  const std::string cmd = std::string(KINELAB_CLI_PATH) + " " + args + " >out.txt 2>err.txt";
  const int status = std::system(cmd.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp("err.txt")};
}

// A --dump's columns by name.
using columns = std::map<std::string, std::vector<double>>;
columns read_dump(const std::string& path) {
  std::istringstream in(slurp(path));
  std::string line;
  std::vector<std::string> names;
  columns c;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream cells(line);
    std::string cell;
    if (names.empty()) {
      while (std::getline(cells, cell, ',')) names.push_back(cell);
      continue;
    }
    for (std::size_t k = 0; std::getline(cells, cell, ','); ++k)
      c[names.at(k)].push_back(std::strtod(cell.c_str(), nullptr));  // subnormals too
  }
  return c;
}

// result.dat's rows after the header, each as its numbers.
std::vector<std::vector<double>> result_numbers(const std::string& path) {
  std::vector<std::vector<double>> rows;
  const auto lines = test::lines_of(slurp(path));
  for (std::size_t k = 1; k < lines.size(); ++k) {
    std::istringstream in(lines[k]);
    std::vector<double> row;
    for (double v; in >> v;) row.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> arm_arrays(int joints) {
  std::vector<std::string> names;
  const std::string n = std::to_string(joints + 1);
  for (int k = 1; k <= joints; ++k)
    for (const char* d : {"", "d", "dd"})
      names.push_back(d + std::string("the") + std::to_string(k));
  for (const std::string& a : {"p" + n, "s" + n})
    for (const char* c : {".x", ".dx", ".ddx", ".y", ".dy", ".ddy", ".z", ".dz", ".ddz"})
      names.push_back(a + c);
  return names;
}

class mechanism_cli : public ::testing::Test {
 protected:
  test::temp_working_dir dir_;
};

// Two Runs each: form_6r_jun's default, and another profile, N and start/stop.
TEST_F(mechanism_cli, builtin_6r_as_dh_and_urdf_moves_as_form_6r_jun) {
  const std::string runs[] = {
      "--set 'Text2(1)=90' --set 'Text2(3)=90' --set 'Text2(5)=90' --set 'Text2(7)=0' "
      "--set 'Text2(9)=90' --set 'Text2(11)=0' --press run",
      "--N 80 --set Option1=1 --set 'HScroll2(0)=3' --set 'HScroll2(4)=-7' --set 'Text2(1)=-40' "
      "--set 'Text2(3)=75' --set 'Text2(5)=120' --set 'Text2(7)=33' --set 'Text2(9)=-60' "
      "--set 'Text2(11)=200' --press run"};
  for (const std::string& actions : runs) {
    // The built-in window takes --N before its actions as well.
    ASSERT_EQ(run("form_6r_jun " + actions + " --dump ref.csv").exit_code, 0);
    const columns ref = read_dump("ref.csv");
    const auto ref_rows = result_numbers("result.dat");
    for (const char* file : {"builtin_6r_dh.json", "builtin_6r_urdf.json", "builtin_6r.urdf"}) {
      SCOPED_TRACE(file);
      const cli_result r =
          run("--mechanism " + examples + file + " forward " + actions + " --dump file.csv");
      ASSERT_EQ(r.exit_code, 0) << r.err;
      const columns got = read_dump("file.csv");
      for (const std::string& name : arm_arrays(6)) {
        ASSERT_EQ(got.at(name).size(), ref.at(name).size()) << name;
        for (std::size_t i = 0; i < ref.at(name).size(); ++i) {
          const double a = ref.at(name)[i], b = got.at(name)[i];
          ASSERT_NEAR(b, a, 1e-12 * std::fmax(1, std::fabs(a))) << name << " at step " << i;
        }
      }
      const auto rows = result_numbers("result.dat");
      ASSERT_EQ(rows.size(), ref_rows.size());
      for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), ref_rows[i].size());
        for (std::size_t c = 0; c < rows[i].size(); ++c)
          ASSERT_NEAR(rows[i][c], ref_rows[i][c], test::kSixDigits)
              << "row " << i << " column " << c;
      }
    }
  }
}

// form_6r_gyaku's default Run and another against the inverse window of the same arm from each
// file. Both start from the built-in window's solved static pose, handed over in a study: at the
// all-zero start the arm is singular and the static pose is decided by the chain's rounding (a
// start 1e-15 rad off zero moves the built-in's own solution by up to 6e-3 rad), so no chain that
// rounds otherwise can reproduce it. From there the solves take the same corrections: values
// agree to 1e-12, rates and accelerations to 1e-12 times the step's condition number, since the
// default Run ends at X = Y = 0, where the tool lies on joint 1's axis (condition up to 1e4).
TEST_F(mechanism_cli, builtin_6r_as_dh_and_urdf_solves_as_form_6r_gyaku) {
  const std::string runs[] = {
      "",
      "--N 80 --T 2 --set Option1=1 --set 'HScroll2(0)=20' --set 'HScroll2(1)=-25' "
      "--set 'HScroll2(2)=55' --set 'HScroll2(3)=2' --set 'HScroll2(4)=-1' --set 'HScroll2(5)=3' "
      "--set 'Text2(1)=0.25' --set 'Text2(3)=0.1' --set 'Text2(5)=0.65' --set 'Text2(7)=20' "
      "--set 'Text2(9)=-15' --set 'Text2(11)=30'"};
  for (const std::string& actions : runs) {
    SCOPED_TRACE(actions.empty() ? "default Run" : actions);
    ASSERT_EQ(run("form_6r_gyaku " + actions + " --save b.kinelab").exit_code, 0);
    ASSERT_EQ(run("--load b.kinelab --press run --dump ref.csv").exit_code, 0);
    const columns ref = read_dump("ref.csv");
    const nlohmann::json b = nlohmann::json::parse(slurp("b.kinelab"));
    for (const char* file : {"builtin_6r_dh.json", "builtin_6r_urdf.json", "builtin_6r.urdf"}) {
      SCOPED_TRACE(file);
      ASSERT_EQ(run("--mechanism " + examples + file + " inverse --save f.kinelab").exit_code, 0);
      nlohmann::json f = nlohmann::json::parse(slurp("f.kinelab"));
      for (const auto& [key, value] : b["fields"].items())
        if (key.rfind("Text2(", 0) == 0) f["fields"][key] = value;
      f["fields"]["Text9"] = b["fields"]["Text12"];
      // The file window's length sliders step by 0.005 m (a hundredth of the arm's 0.92 m,
      // rounded), the built-in's by 0.01 m; both step angles by 5°.
      for (int c = 0; c < 6; ++c) {
        const std::string key = "HScroll2(" + std::to_string(c) + ")";
        f["sliders"][key] = b["sliders"][key].get<int>() * (c < 3 ? 2 : 1);
      }
      for (const char* key : {"N", "T", "profile", "start_pose"}) f[key] = b[key];
      std::ofstream("f.kinelab") << f.dump(1);
      const cli_result r = run("--load f.kinelab --press run --dump got.csv");
      ASSERT_EQ(r.exit_code, 0) << r.err;
      const columns got = read_dump("got.csv");
      for (const char* record : {"nr_status", "nr_iterations"})
        ASSERT_EQ(got.at(record), ref.at(record)) << record;
      const std::vector<double>& condition = ref.at("condition");
      for (const std::string& name : arm_arrays(6)) {
        const bool rate = name[0] == 'd' || name.find(".d") != std::string::npos;
        ASSERT_EQ(got.at(name).size(), ref.at(name).size()) << name;
        for (std::size_t i = 0; i < ref.at(name).size(); ++i) {
          const double a = ref.at(name)[i], scale = rate ? std::fmax(1, condition[i]) : 1;
          ASSERT_NEAR(got.at(name)[i], a, 1e-12 * scale * std::fmax(1, std::fabs(a)))
              << name << " at step " << i;
        }
      }
    }
  }
}

// The example arms: the URDF files and the mechanism files of kind "serial arm".
std::vector<std::string> example_arms() {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(examples)) {
    const std::filesystem::path& p = e.path();
    if (p.extension() == ".urdf" ||
        (p.extension() == ".json" &&
         nlohmann::json::parse(slurp(p.string())).value("kind", "") == "serial arm"))
      names.push_back(p.filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Every example arm runs forward and inverse with every step converged. At every step the inverse
// reports converged the tool meets the goal within the tolerance; where the Jacobian is regular
// there, J(q)·q̇ is both the commanded rate and the tool's propagated velocity, and the tool's
// propagated acceleration is the commanded one (the seven-joint arm's minimum-norm rates and
// accelerations as well).
TEST_F(mechanism_cli, example_arms_meet_their_goals_with_consistent_rates) {
  const std::vector<std::string> files = example_arms();
  ASSERT_GE(files.size(), 9u);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    cli_result r = run("--mechanism " + examples + file + " forward --press run");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const arm_file arm = read_arm_file(examples + file);
    r = run("--mechanism " + examples + file + " inverse --press run --dump inv.csv");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const columns d = read_dump("inv.csv");
    const int n = arm.joints();
    const std::string tip = std::to_string(n + 1);
    const char* axes[] = {"x", "y", "z"};
    int regular = 0;
    double peak = 0, worst = 0, worst_propagated = 0, peak_accel = 0;
    // Per step: the acceleration's miss, and the size of the joint terms J·q̈ it is summed from
    // (near a singularity they dwarf the commanded acceleration, and rounding goes with them).
    std::vector<std::pair<double, double>> accel_miss;
    const std::size_t steps = d.at("i").size();
    for (std::size_t i = 0; i < steps; ++i) {
      ASSERT_EQ(d.at("nr_status")[i], 0) << "step " << i;
      // Where J is singular the rates are the minimum-norm ones, said so in the record.
      const bool exact_rates = d.at("nr_minimum_norm_rates")[i] == 0;
      regular += exact_rates;
      vec<max_chain_joints> q, dq, ddq;
      for (int k = 1; k <= n; ++k) {
        const std::string j = std::string("the") + std::to_string(k);
        const std::string name = d.count(j) ? j : "d" + std::to_string(k);
        const std::string rate = name == j ? "dthe" + std::to_string(k) : "dd" + std::to_string(k);
        q(k) = d.at(name)[i];
        dq(k) = d.at(rate)[i];
        ddq(k) = d.at("d" + rate)[i];
      }
      mat<6, max_chain_joints> J;
      task_jacobian(arm.chain, arm.task, q, J);
      for (std::size_t c = 0; c < arm.task.size(); ++c) {
        const int t = static_cast<int>(arm.task[c]);
        const std::string goal = t < 3 ? "goal_p." : "goal_s.";
        const std::string tool = (t < 3 ? "p" : "s") + tip + ".";
        const std::string axis = axes[t % 3];
        double miss = d.at(goal + axis)[i] - d.at(tool + axis)[i];
        if (t >= 3) miss = std::remainder(miss, 2 * M_PI);
        EXPECT_LE(std::fabs(miss), 0.001) << "step " << i;
        if (!exact_rates) continue;
        double Jq = 0, terms = 0;
        for (int k = 1; k <= n; ++k) {
          Jq += J(static_cast<int>(c) + 1, k) * dq(k);
          terms += std::fabs(J(static_cast<int>(c) + 1, k) * ddq(k));
        }
        const double rate = d.at(goal + "d" + axis)[i], accel = d.at(goal + "dd" + axis)[i];
        peak = std::fmax(peak, std::fabs(rate));
        peak_accel = std::fmax(peak_accel, std::fabs(accel));
        worst = std::fmax(worst, std::fabs(Jq - rate));
        worst_propagated = std::fmax(worst_propagated, std::fabs(Jq - d.at(tool + "d" + axis)[i]));
        accel_miss.emplace_back(std::fabs(d.at(tool + "dd" + axis)[i] - accel), terms);
      }
    }
    EXPECT_GE(regular, 45);
    EXPECT_LE(worst, 1e-9 * peak);
    EXPECT_LE(worst_propagated, 1e-12 * std::fmax(1, peak));
    for (const auto& [miss, terms] : accel_miss)
      EXPECT_LE(miss, 1e-9 * std::fmax(peak_accel, terms));
  }
}

// A study of a file window names the file and its hash: opened again it gives the same Run, and a
// file changed since is said on opening.
TEST_F(mechanism_cli, study_of_a_file_window_round_trips_and_notes_a_changed_file) {
  const struct {
    const char *example, *copy, *args;
  } cases[] = {
      {"planar_rp.json", "arm.json",
       "--mechanism arm.json inverse --N 30 --set 'HScroll2(0)=25' --set 'Text2(3)=0.45' "},
      {"hexapod_650_250.json", "hexapod.json",
       "--mechanism hexapod.json forward --N 30 --set 'HScroll1(0)=56' --set 'Text10(2)=610' "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.example);
    std::filesystem::copy_file(examples + c.example, c.copy,
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(run(std::string(c.args) + "--press run --save s.kinelab").exit_code, 0);
    const std::string first = slurp("result.dat");
    std::filesystem::remove("result.dat");
    cli_result r = run("--load s.kinelab --press run");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(slurp("result.dat"), first);
    std::ofstream(c.copy, std::ios::app) << "\n";
    r = run("--load s.kinelab --press run");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("s.kinelab:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(": mechanism: the mechanism file "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::string(c.copy) + " has changed since the study was saved\n"),
              std::string::npos);
  }
}

// A hexapod file's inverse end to end: at every step the dumped legs are the closed-form lengths
// of the dumped pose, J times the pose rates is the legs' rate, result.dat has the Stewart
// windows' columns, and the atlas takes the file's leg range as the legs' limits.
TEST_F(mechanism_cli, a_hexapod_files_inverse_end_to_end) {
  const hexapod_file h = read_hexapod_file(examples + "hexapod_650_250.json");
  const cli_result r = run("--mechanism " + examples +
                           "hexapod_650_250.json inverse --set 'Text10(0)=30' --set "
                           "'Text10(4)=4' --press run --dump inv.csv");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const columns d = read_dump("inv.csv");
  const std::size_t steps = d.at("i").size();
  ASSERT_EQ(steps, 51u);
  double worst = 0, worst_rate = 0;
  for (std::size_t i = 0; i < steps; ++i) {
    const kin_state p{d.at("pp.x")[i], 0, 0, d.at("pp.y")[i], 0, 0, d.at("pp.z")[i], 0, 0};
    const kin_state s{d.at("sp.x")[i], 0, 0, d.at("sp.y")[i], 0, 0, d.at("sp.z")[i], 0, 0};
    double q_dot[6];
    const char* names[] = {"pp.dx", "pp.dy", "pp.dz", "sp.dx", "sp.dy", "sp.dz"};
    for (int k = 0; k < 6; ++k) q_dot[k] = d.at(names[k])[i];
    mat<6> J;
    mat<6, 21> H;
    stewart_jacobian(h.geometry, p, s, J, H);
    const stewart_leg_set legs = stewart_legs(h.geometry, p, s);
    for (int k = 1; k <= 6; ++k) {
      const std::string n = std::to_string(k);
      worst = std::fmax(worst, std::fabs(legs.leg(k) - d.at("the" + n)[i]));
      double Jq = 0;
      for (int c = 1; c <= 6; ++c) Jq += J(k, c) * q_dot[c - 1];
      worst_rate = std::fmax(worst_rate, std::fabs(Jq - d.at("dthe" + n)[i]));
    }
  }
  EXPECT_LT(worst, 1e-9);
  EXPECT_LT(worst_rate, 1e-9);
  EXPECT_EQ(test::lines_of(slurp("result.dat")).at(0),
            "i, pp(i).x, pp(i).y, pp(i).z, the1(i), the2(i), the3(i), the4(i), the5(i), the6(i)");
  const cli_result atlas =
      run("--mechanism " + examples + "hexapod_650_250.json inverse --workspace --cells 10");
  ASSERT_EQ(atlas.exit_code, 0) << atlas.err;
  EXPECT_NE(slurp("out.txt").find("limits L1(mm) 400..750, L2(mm) 400..750"), std::string::npos)
      << slurp("out.txt");
}

// The file's joint limits are the atlas's limits, as an actuator's are; a joint without limits
// takes the Run's widened range.
TEST_F(mechanism_cli, the_atlas_takes_the_files_joint_limits) {
  const cli_result r = run("--mechanism " + examples +
                           "planar_rp.json inverse --workspace --samples 2000 --cells 20");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(slurp("out.txt").find("limits the1 -180..180, d2 0.1..0.5\n"), std::string::npos)
      << slurp("out.txt");
}

TEST_F(mechanism_cli, bad_files_are_refused_with_their_place) {
  std::ofstream("bad.json") << "{\"format\": \"kinelab mechanism\", \"format_version\": \"1.0\",\n"
                               " \"kind\": \"serial arm\", \"unit\": \"m\", \"convention\": "
                               "\"standard\",\n \"joints\": []}\n";
  std::ofstream("hexapod.json")
      << "{\"format\": \"kinelab mechanism\", \"format_version\": \"1.0\",\n"
         " \"kind\": \"hexapod\", \"unit\": \"m\",\n"
         " \"base_joints\": [[1, 0, 0], [1, 0, 0], [1, 0, 0], [1, 0, 0], "
         "[1, 0, 0], [1, 0, 0]],\n \"platform_joints\": [[0, 0, 0], [0, 0, 0], "
         "[0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0]],\n"
         " \"leg_length\": {\"min\": 0, \"max\": 1}}\n";
  const struct {
    std::string args, err;
  } cases[] = {
      {"--mechanism bad.json --press run",
       "kinelab-cli: bad.json:3: joints: 0 joints; an arm has 1 to 7\n"},
      {"--mechanism none.json", "kinelab-cli: none.json: cannot read none.json\n"},
      {"--mechanism hexapod.json",
       "kinelab-cli: hexapod.json:4: platform_joints/1: legs 1 and 2 join the same two joints\n"},
      {"--mechanism " + examples + "planar_rp.json --press fly",
       "kinelab-cli: mechanism_forward has no button fly\n"},
  };
  for (const auto& c : cases) {
    const cli_result r = run(c.args);
    EXPECT_EQ(r.exit_code, 2) << c.args;
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << r.err;
  }
}

}  // namespace
}  // namespace kinelab
