#include "support/result_rows.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/file_text.h"

namespace kinelab::test {

std::string slurp(const std::string& path) {
  return file_text(path);
}

std::vector<std::string> lines_of(const std::string& text, const std::string& eol) {
  std::vector<std::string> lines;
  std::size_t at = 0, next;
  while ((next = text.find(eol, at)) != std::string::npos) {
    lines.push_back(text.substr(at, next - at));
    at = next + eol.size();
  }
  return lines;
}

::testing::AssertionResult rows_are_finite(const std::string& file) {
  const auto lines = lines_of(file);
  for (std::size_t r = 1; r < lines.size(); ++r) {
    std::istringstream items(lines[r]);
    std::string item;
    while (items >> item) {
      char* end = nullptr;
      const double v = std::strtod(item.c_str(), &end);
      if (*end != '\0' || !std::isfinite(v))
        return ::testing::AssertionFailure() << "line " << r << ": \"" << item << "\"";
    }
  }
  return ::testing::AssertionSuccess();
}

std::vector<kin_state> array_of(const sim_window& w, const std::string& name) {
  const trajectory_array* a = w.logic().arrays.find(name);
  if (!a) throw std::out_of_range(w.name() + " has no array " + name);
  std::vector<kin_state> out(a->size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = a->state(i);
  return out;
}

}  // namespace kinelab::test
