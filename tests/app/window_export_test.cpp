#include "app/service/window_export.h"

#include <gtest/gtest.h>

#include <charconv>
#include <memory>
#include <sstream>

#include "app/window/settings.h"
#include "mechanisms/registry.h"
#include "support/temp_dir.h"

namespace kinelab {
namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
  return cells;
}

// The exported CSV of a Newton–Raphson window reads back into the very numbers of its arrays,
// its solver record and its singularity distance.
TEST(WindowExport, CsvReadsBackIntoTheSameNumbers) {
  test::temp_working_dir dir;
  const std::unique_ptr<window_model> model = find_window("form_stewart_jun")->make();
  sim_window& w = dynamic_cast<sim_window&>(*model);
  w.open();
  w.press("run");
  // A step whose rates are minimum-norm (the Run's own steps are all regular).
  w.logic().arrays.solver_record()[2].minimum_norm_rates = true;
  const std::string csv = window_csv(w);

  std::stringstream in(csv);
  std::vector<std::string> comments;
  std::string line;
  while (std::getline(in, line) && line.rfind("#", 0) == 0) comments.push_back(line);
  ASSERT_GE(comments.size(), 3u);
  EXPECT_EQ(comments[1], "# window: form_stewart_jun (stewart_jun)");
  const std::vector<std::string> header = split(line);

  const trajectory_arrays& arrays = w.logic().arrays;
  const singularity_history& h = w.singularity();
  int rows = 0;
  while (std::getline(in, line)) {
    const std::vector<std::string> cells = split(line);
    ASSERT_EQ(cells.size(), header.size()) << line;
    const auto i = static_cast<std::size_t>(std::stoi(cells[0]));
    ASSERT_EQ(i, static_cast<std::size_t>(rows));
    std::size_t c = 1;
    auto number = [&](std::size_t k) {
      double v = 0;
      std::from_chars(cells[k].data(), cells[k].data() + cells[k].size(), v);
      return v;
    };
    for (const trajectory_array& a : arrays.all())
      for (const array_column& col : array_columns(a)) {
        EXPECT_EQ(header[c], col.name);
        EXPECT_EQ(number(c), a.get(i, col.field)) << col.name << " at step " << i;
        ++c;
      }
    EXPECT_EQ(header[c], "nr_iterations");
    EXPECT_EQ(number(c), arrays.solver_record()[i].iterations);
    EXPECT_EQ(number(c + 1), arrays.solver_record()[i].residual);
    EXPECT_EQ(number(c + 2), static_cast<int>(arrays.solver_record()[i].status));
    EXPECT_EQ(header[c + 3], "nr_minimum_norm_rates");
    EXPECT_EQ(cells[c + 3], i == 2 ? "1" : "0");
    EXPECT_EQ(header[c + 4], "nr_near_singular");
    EXPECT_EQ(number(c + 4), h.condition[i] > 1e6 ? 1 : 0);
    EXPECT_EQ(header[c + 5], "sigma_min");
    EXPECT_EQ(number(c + 5), h.sigma_min[i]);
    EXPECT_EQ(number(c + 6), h.condition[i]);
    ++rows;
  }
  EXPECT_EQ(rows, w.N() + 1);
}

TEST(WindowExport, ALineBreakInAFieldStaysInsideItsCommentLine) {
  test::temp_working_dir dir;
  const std::unique_ptr<window_model> model = find_window("form_3r_jun")->make();
  sim_window& w = dynamic_cast<sim_window&>(*model);
  w.open();
  w.ctl.set_text("Text3", 0, "1\ni,not,a,row");  // a view readout, which Run does not read
  w.press("run");
  const std::string csv = window_csv(w);
  EXPECT_EQ(csv.find("\ni,not"), std::string::npos);
  EXPECT_NE(csv.find("(0) 1 i,not,a,row"), std::string::npos);
}

// Before a Run there is nothing to export; after a Run that a field stopped, the header still
// describes the Run that made the arrays, not the fields, N, T and profile as they now stand.
TEST(WindowExport, DescribesTheRunThatMadeTheArrays) {
  test::temp_working_dir dir;
  const std::unique_ptr<window_model> model = find_window("form_3r_jun")->make({.N = 4});
  sim_window& w = dynamic_cast<sim_window&>(*model);
  w.open();
  EXPECT_NE(csv_refusal(w).find("no Run yet"), std::string::npos);
  EXPECT_THROW(window_csv(w), std::logic_error);

  const std::string stop = w.ctl.text("Text2", 1);
  w.press("run");
  ASSERT_FALSE(w.status_is_error) << w.status;
  EXPECT_EQ(csv_refusal(w), "");
  w.settings.N = 6;
  w.settings.T = 2;
  w.ctl.option_selected = 2;
  w.ctl.set_text("Text2", 1, "not a number");
  w.press("run");
  ASSERT_TRUE(w.status_is_error);

  const std::string csv = window_csv(w);
  EXPECT_NE(csv.find(std::string("# N = 4, T = 1, profile: ") + to_string(profile_from_option(0)) +
                     " (Option1 = 0)\n"),
            std::string::npos)
      << csv.substr(0, 300);
  EXPECT_NE(csv.find(", (1) " + stop + ","), std::string::npos) << csv.substr(0, 300);
  EXPECT_EQ(csv.find("not a number"), std::string::npos);
  EXPECT_NE(csv.find("\n4,"), std::string::npos);
  EXPECT_EQ(csv.find("\n5,"), std::string::npos);
}

}  // namespace
}  // namespace kinelab
