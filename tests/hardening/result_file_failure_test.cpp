// result.dat that cannot be replaced (a read-only directory, a directory of that name): every
// simulation window reports the failure, leaves what was there untouched and stays usable.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/window/sim_window.h"
#include "mechanisms/registry.h"
#include "support/result_rows.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

namespace kinelab {
namespace {

using test::slurp;

namespace fs = std::filesystem;

int files_beside_result() {
  int n = 0;
  for (const auto& e : fs::directory_iterator(fs::current_path()))
    if (e.path().filename() != "result.dat") ++n;
  return n;
}

struct obstacle_case {
  const char* name;
  const char* reason;  // as strerror puts it
};

class result_file_failure : public testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    const window_entry* e = find_window(GetParam());
    ASSERT_NE(e, nullptr);
    w_ = e->make({.N = 4});
    sim_ = dynamic_cast<sim_window*>(w_.get());
    w_->open();
    sim_->run();
    ASSERT_FALSE(w_->status_is_error) << w_->status;
    previous_ = slurp("result.dat");
    ASSERT_FALSE(previous_.empty());
  }
  // A Run that cannot replace result.dat: reported as an error naming the file and the reason;
  // the run itself is complete, and the window answers the next events without an error.
  void expect_reported_and_usable(const std::string& reason) {
    sim_->run();
    EXPECT_TRUE(w_->status_is_error);
    EXPECT_NE(w_->status.find("result.dat was not written"), std::string::npos) << w_->status;
    EXPECT_NE(w_->status.find(reason), std::string::npos) << w_->status;
    EXPECT_TRUE(w_->timer_enabled());
    w_->tick();
    EXPECT_EQ(sim_->step_no, 1);
    sim_->next_figure();
    sim_->static_pose();
    EXPECT_FALSE(w_->status_is_error) << w_->status;
  }

  test::temp_working_dir dir_;
  std::unique_ptr<window_model> w_;
  sim_window* sim_ = nullptr;
  std::string previous_;
};

TEST_P(result_file_failure, read_only_directory) {
  fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                   fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
  bool denied = false;
  {
    test::unprivileged user;
    denied = user.denied_writing(dir_.path());
    // The file is not the user's to write either.
    if (denied) expect_reported_and_usable("result.dat is read-only");
  }
  if (!denied) {
    fs::permissions(dir_.path(), fs::perms::owner_all);
    GTEST_SKIP() << "the directory stays writable for this process";
  }
  EXPECT_EQ(slurp("result.dat"), previous_);
  EXPECT_EQ(files_beside_result(), 0);
  fs::permissions(dir_.path(), fs::perms::owner_all);
  // Writable again: the next Run replaces the file.
  fs::remove("result.dat");
  sim_->run();
  EXPECT_FALSE(w_->status_is_error) << w_->status;
  EXPECT_FALSE(slurp("result.dat").empty());
}

TEST_P(result_file_failure, result_dat_is_a_directory) {
  fs::remove("result.dat");
  fs::create_directory("result.dat");
  std::ofstream("result.dat/kept.txt") << previous_;
  expect_reported_and_usable("Is a directory");
  EXPECT_TRUE(fs::is_directory("result.dat"));
  EXPECT_EQ(slurp("result.dat/kept.txt"), previous_);
  EXPECT_EQ(files_beside_result(), 0);
  fs::remove_all("result.dat");
  sim_->run();
  EXPECT_FALSE(w_->status_is_error) << w_->status;
  // The same header; the rows may differ in the last digits, as the solvers start from where
  // the previous run left them.
  const std::string header = previous_.substr(0, previous_.find("\r\n"));
  EXPECT_EQ(slurp("result.dat").substr(0, header.size()), header);
}

std::vector<std::string> simulation_windows() {
  std::vector<std::string> names;
  for (const window_entry& e : window_registry())
    if (e.simulation) names.push_back(e.name);
  return names;
}

INSTANTIATE_TEST_SUITE_P(all_windows, result_file_failure, testing::ValuesIn(simulation_windows()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kinelab
