// Reading a start/stop table by the names it was declared with.
#include "app/window/start_stop_fields.h"

#include <gtest/gtest.h>

#include "core/angles.h"

namespace kinelab {
namespace {

TEST(read_start_stop, ReadsInterleavedRowsAndConvertsTheAngleRows) {
  // The serial windows' layout: row k's start at Text2(2k), its stop at Text2(2k + 1).
  const start_stop_fields f{"Text2", "Text2", "", 2, 1};
  controls c;
  c.add_texts("Text2", {"1", "2", "30", "60"});
  vec<2> start, stop;
  read_start_stop(c, f, 2, start, stop, 2);
  EXPECT_EQ(start(1), 1);
  EXPECT_EQ(stop(1), 2);
  EXPECT_EQ(start(2), rad(30));
  EXPECT_EQ(stop(2), rad(60));
}

TEST(read_start_stop, AFieldThatIsNotANumberChangesNothing) {
  const start_stop_fields f{"Text9", "Text10", "HScroll1"};
  controls c;
  c.add_texts("Text9", {"1", "2"});
  c.add_texts("Text10", {"3", "x"});
  vec<2> start, stop;
  start(1) = start(2) = stop(1) = stop(2) = 7;
  EXPECT_THROW(read_start_stop(c, f, 2, start, stop), field_error);
  for (int k = 1; k <= 2; ++k) {
    EXPECT_EQ(start(k), 7) << k;
    EXPECT_EQ(stop(k), 7) << k;
  }
}

}  // namespace
}  // namespace kinelab
