#pragma once
// result.dat: a header line, then one row per time step, items laid out in print zones of
// 14 columns, lines ended by CR LF. A number is written with one space before it (where a minus
// sign would stand) and one after it; the next item starts at the next zone boundary at or
// after the current column, so an item wider than its zone pushes the rest one zone on.
#include <string>
#include <string_view>

#include "core/number_text.h"

namespace kinelab {

inline constexpr int print_zone_width = 14;

class result_text {
 public:
  result_text& text(std::string_view item);  // as it stands
  result_text& number(double v);             // real
  result_text& integer(long v);              // no decimal point
  void end_line();                           // CR LF; the next item starts a new line
  const std::string& str() const { return content_; }
  // Drops the text so far (passed on to the file); the position on the line stays.
  void clear() { content_.clear(); }

 private:
  void start_item();
  void signed_item(bool negative, std::string_view digits);
  std::string content_;
  int column_ = 0;  // characters written on the current line
  bool line_started_ = false;
};

}  // namespace kinelab
