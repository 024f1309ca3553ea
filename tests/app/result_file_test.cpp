#include "app/io/result_file.h"

#include <gtest/gtest.h>

namespace kinelab {
namespace {

TEST(ResultText, PrintZonesByteForByte) {
  struct Case {
    const char* name;
    void (*write)(result_text&);
    const char* expected;
  };
  const Case cases[] = {
      {"header then a row",
       [](result_text& r) {
         r.text("i, deg(the1(i)), p4(i).x");
         r.end_line();
         r.integer(0).number(30).number(-2.5);
         r.end_line();
       },
       "i, deg(the1(i)), p4(i).x\r\n"
       " 0             30           -2.5 \r\n"},
      {"a negative 15-digit value pushes the rest one zone on",
       [](result_text& r) {
         r.integer(7).number(-0.123456789012345).number(1);
         r.end_line();
       },
       " 7            -0.123456789012345           1 \r\n"},
      {"13 characters fill a zone, 14 spill into the next",
       [](result_text& r) {
         r.number(-0.1234567891).number(2).number(0.12345678901).number(-1E-05).integer(-12);
         r.end_line();
       },
       "-0.1234567891  2             0.12345678901              -1E-05        -12 \r\n"},
      {"pieces continue one line",
       [](result_text& r) {
         r.integer(50).number(0);
         r.number(123456789012345.0);
         r.number(-0.0);
         r.end_line();
       },
       " 50            0             123456789012345             0 \r\n"},
  };
  for (const Case& c : cases) {
    result_text r;
    c.write(r);
    EXPECT_EQ(r.str(), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace kinelab
