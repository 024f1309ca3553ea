// The one status note about legs at fault: what it counts, how it names the legs, and that it
// says nothing when no leg was at fault.
#include "app/run/leg_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kinelab {
namespace {

struct noted {
  int step;
  unsigned legs;
};

struct note_case {
  const char* what;
  leg_fault kind;
  std::vector<std::string> names;
  std::vector<noted> steps;  // every step of the run, in order
  std::string expected;
};

TEST(leg_fault_log, CountsStepsNamesLegsAndFindsTheFirst) {
  const note_case cases[] = {
      {"no leg at fault", leg_fault::zero_length, {}, {{0, 0}, {1, 0}, {2, 0}}, ""},
      {"two legs, steps counted once",
       leg_fault::zero_length,
       {},
       {{0, 0}, {1, 0b1001}, {2, 0b1000}, {3, 0}},
       "zero length at 2 of 4 steps (legs 1, 4; first: step 1), rate and acceleration shown as "
       "0"},
      {"one leg unreachable",
       leg_fault::unreachable,
       {},
       {{0, 0}, {1, 0}, {2, 0b100}},
       "unreachable at 1 of 3 steps (leg 3; first: step 2)"},
      // Two units noted separately at the same step: the step counts once.
      {"named legs of two units",
       leg_fault::zero_length,
       {"L11", "L12", "L13", "L31", "L32", "L33"},
       {{0, 0b010}, {0, 0b100000}, {1, 0}},
       "zero length at 1 of 2 steps (legs L12, L33; first: step 0), rate and acceleration shown "
       "as 0"},
  };
  for (const note_case& c : cases) {
    leg_fault_log log(c.kind, c.names);
    for (const noted& n : c.steps) log.note(n.step, n.legs);
    EXPECT_EQ(log.text(), c.expected) << c.what;
  }
}

TEST(leg_fault_log, ClearForgetsTheLastRun) {
  leg_fault_log log(leg_fault::unreachable);
  log.note(0, 1);
  log.clear();
  for (int i = 0; i <= 2; ++i) log.note(i, 0);
  EXPECT_EQ(log.text(), "");
  EXPECT_EQ(log.legs_text(0b110), "legs 2, 3");
}

}  // namespace
}  // namespace kinelab
