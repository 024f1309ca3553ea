#include "app/result_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

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

namespace {

std::string failure(const std::string& path, int err) {
  return "cannot write " + path + ": " + std::strerror(err);
}

// Opens a new file beside `path` that did not exist before ("x": exclusive creation).
std::FILE* open_temporary(const std::string& path, std::string& temp, int& err) {
  std::random_device seed;
  std::mt19937 gen(seed());
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp = path + "." + std::to_string(gen() % 1000000000u) + ".tmp";
    errno = 0;
    if (std::FILE* f = std::fopen(temp.c_str(), "wbx")) return f;
    err = errno;
    if (err != EEXIST) return nullptr;
  }
  return nullptr;
}

}  // namespace

bool write_file_atomically(const std::string& path, const std::string& content,
                           std::string& error) {
  std::string temp;
  int err = 0;
  std::FILE* f = open_temporary(path, temp, err);
  if (!f) {
    error = failure(path, err ? err : EIO);
    return false;
  }

  errno = 0;
  bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  ok = ok && std::fflush(f) == 0 && !std::ferror(f);
  if (!ok) err = errno ? errno : EIO;
  errno = 0;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno ? errno : EIO;
  }
  if (ok) {
    errno = 0;
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
      ok = false;
      err = errno ? errno : EIO;
    }
  }
  if (!ok) {
    std::remove(temp.c_str());
    error = failure(path, err);
    return false;
  }
  return true;
}

}  // namespace kinelab
