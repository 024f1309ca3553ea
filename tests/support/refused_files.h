#pragma once
// A reader of mechanism files refuses each bad text with its English message, and in Japanese
// with the place as it is and the problem in the catalogue's Japanese.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

#include "app/study/mechanism_document.h"

namespace kinelab::test {

// `parse(text, lang)` reads a text named "f.json"; each case has .text and .message, the English
// message's start.
template <class Parse, class Cases>
void expect_refused_in_both_languages(const Parse& parse, const Cases& cases) {
  const std::regex place("f\\.json:[0-9]+: ([a-z_0-9/]+: )?");
  for (const auto& c : cases) {
    std::string english;
    try {
      parse(c.text, ui_language::english);
      ADD_FAILURE() << "accepted:\n" << c.text;
    } catch (const mechanism_file_error& e) {
      english = e.what();
      EXPECT_EQ(english.rfind(c.message, 0), 0u) << "got:  " << english << "\nwant: " << c.message;
    }
    try {
      parse(c.text, ui_language::japanese);
      ADD_FAILURE() << "accepted in Japanese:\n" << c.text;
    } catch (const mechanism_file_error& e) {
      const std::string japanese = e.what();
      std::smatch m;
      ASSERT_TRUE(std::regex_search(english, m, place, std::regex_constants::match_continuous))
          << english;
      EXPECT_EQ(japanese.rfind(m.str(), 0), 0u) << japanese;
      const std::string problem = japanese.substr(m.length());
      EXPECT_NE(problem, english.substr(m.length()));
      EXPECT_TRUE(std::any_of(problem.begin(), problem.end(), [](char ch) {
        return static_cast<unsigned char>(ch) >= 0x80;
      })) << japanese;
    }
  }
}

}  // namespace kinelab::test
