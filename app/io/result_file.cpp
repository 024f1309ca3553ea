#include "app/io/result_file.h"

namespace kinelab {

void result_text::start_item() {
  if (!line_started_) {
    line_started_ = true;
    return;
  }
  const int next_zone = (column_ + print_zone_width - 1) / print_zone_width * print_zone_width;
  content_.append(next_zone - column_, ' ');
  column_ = next_zone;
}

result_text& result_text::text(std::string_view item) {
  start_item();
  content_.append(item);
  column_ += int(item.size());
  return *this;
}

// A non-negative number takes a space where the minus sign would stand; a space follows it.
// Appended piece by piece: a Run writes some ten numbers per step, and the temporaries of
// " " + text + " " were a fifth of a fast window's Run.
void result_text::signed_item(bool negative, std::string_view digits) {
  start_item();
  const std::size_t before = content_.size();
  if (!negative) content_ += ' ';
  content_.append(digits);
  content_ += ' ';
  column_ += int(content_.size() - before);
}

result_text& result_text::number(double v) {
  signed_item(v < 0, format_number(v));
  return *this;
}

result_text& result_text::integer(long v) {
  signed_item(v < 0, std::to_string(v));
  return *this;
}

void result_text::end_line() {
  content_ += "\r\n";
  column_ = 0;
  line_started_ = false;
}

}  // namespace kinelab
