#include "app/window/settings.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/number_text.h"

namespace kinelab {
namespace {

class settings_test : public ::testing::Test {
 protected:
  run_settings s;
};

TEST_F(settings_test, AcceptsTwoSecondsAndHundredDivisions) {
  EXPECT_FALSE(apply_settings("2", "100", s).has_value());
  EXPECT_EQ(s.N, 100);
  EXPECT_EQ(s.T, 2);
}

TEST_F(settings_test, RejectsBadTextAndKeepsPreviousValues) {
  struct bad_case {
    const char* T;
    const char* N;
    bool divisions;  // the field the message must name: N, or else T
  };
  const bad_case cases[] = {
      {"1", "0", true},    {"1", "2.5", true},      {"1", "abc", true}, {"1", "-3", true},
      {"1", "1e9", true},  {"1", "", true},         {"0", "50", false}, {"x", "50", false},
      {"-1", "50", false}, {"1e-300", "50", false},  // accelerations would overflow
  };
  ASSERT_FALSE(apply_settings("3", "20", s).has_value());
  for (const bad_case& c : cases)
    for (const ui_language lang : {ui_language::japanese, ui_language::english}) {
      const auto message = apply_settings(c.T, c.N, s, lang);
      ASSERT_TRUE(message.has_value()) << "T \"" << c.T << "\", N \"" << c.N << "\" accepted";
      const char* caption = lang == ui_language::japanese
                                ? (c.divisions ? "時分割数" : "サイクルタイム(秒)")
                                : (c.divisions ? "number of time divisions" : "cycle time (s)");
      EXPECT_NE(message->find(caption), std::string::npos)
          << "T \"" << c.T << "\", N \"" << c.N << "\": " << *message;
      EXPECT_EQ(s.T, 3) << "T \"" << c.T << "\", N \"" << c.N << "\"";
      EXPECT_EQ(s.N, 20) << "T \"" << c.T << "\", N \"" << c.N << "\"";
    }
}

// The numbers kinelab-cli hands over: the same rules, and nothing that is not finite.
TEST_F(settings_test, NumbersFollowTheRulesOfTheTexts) {
  ASSERT_FALSE(apply_settings(2.5, 40, s).has_value());
  EXPECT_EQ(s.T, 2.5);
  EXPECT_EQ(s.N, 40);
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double T, N;
    const char* named;
  } cases[] = {{inf, 50, "cycle time"}, {nan, 50, "cycle time"}, {-inf, 50, "cycle time"},
               {0, 50, "cycle time"},   {1, nan, "divisions"},   {1, inf, "divisions"},
               {1, 2.5, "divisions"},   {0, nan, "cycle time"}};
  for (const auto& c : cases) {
    const auto message = apply_settings(c.T, c.N, s);
    ASSERT_TRUE(message.has_value()) << c.T << ", " << c.N;
    EXPECT_NE(message->find(c.named), std::string::npos) << *message;
    // A NaN is named only as the value given, never computed into the message.
    EXPECT_TRUE(message->find("nan") == std::string::npos ||
                message->find("\"nan\"") != std::string::npos)
        << *message;
    EXPECT_EQ(s.T, 2.5);
    EXPECT_EQ(s.N, 40);
  }
}

TEST_F(settings_test, CapOnDivisionsIsInclusiveAndNamedInTheMessage) {
  const std::string cap = format_number(max_divisions);
  EXPECT_FALSE(apply_settings("1", cap, s).has_value());
  EXPECT_EQ(s.N, max_divisions);
  const auto message = apply_settings("1", format_number(max_divisions + 1), s);
  ASSERT_TRUE(message.has_value());
  EXPECT_NE(message->find(cap), std::string::npos) << *message;
}

}  // namespace
}  // namespace kinelab
