#include "app/study/checked_json.h"

#include <cmath>
#include <set>
#include <vector>

namespace kinelab {

namespace {

using json = nlohmann::json;

// The keys of the document in the order the event parser meets them are its `"...":` strings in
// the order they stand in the text; one cursor walks the text once to find each one's line.
class key_finder {
 public:
  explicit key_finder(const std::string& text) : text_(text) {}

  // The line of the next key from the cursor on.
  int next_key_line() {
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == '\n') ++line_;
      if (c != '"') {
        ++at_;
        continue;
      }
      const int line = line_;
      for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
        if (text_[at_] == '\\')
          ++at_;
        else if (text_[at_] == '\n')
          ++line_;
      }
      ++at_;  // past the closing quote
      std::size_t after = at_;
      while (after < text_.size() && (text_[after] == ' ' || text_[after] == '\t' ||
                                      text_[after] == '\r' || text_[after] == '\n'))
        ++after;
      if (after < text_.size() && text_[after] == ':') return line;
    }
    return 0;
  }

 private:
  const std::string& text_;
  std::size_t at_ = 0;
  int line_ = 1;
};

class checker : public json::json_sax_t {
 public:
  checker(const std::string& text, checked_json& out) : text_(text), keys_(text), out_(out) {}

  bool null() override { return element(); }
  bool boolean(bool) override { return element(); }
  bool number_integer(number_integer_t) override { return element(); }
  bool number_unsigned(number_unsigned_t) override { return element(); }
  bool number_float(number_float_t v, const string_t&) override {
    if (std::isfinite(v)) return element();
    return fail(json_problem::kind::number_range, "");
  }
  bool string(string_t&) override { return element(); }
  bool binary(binary_t&) override { return element(); }

  bool start_object(std::size_t) override { return open(true); }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(false); }
  bool end_array() override { return close(); }

  bool key(string_t& k) override {
    const int line = keys_.next_key_line();
    last_line_ = line;
    frame& f = frames_.back();
    const auto [it, fresh] = f.keys.emplace(k, line);
    if (!fresh) {
      problem_ = json_problem(json_problem::kind::duplicate_key, line, k, "", it->second);
      return false;
    }
    f.current_key = k;
    const std::string path = f.path.empty() ? k : f.path + "/" + k;
    out_.key_lines.emplace(path, line);
    return true;
  }

  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& e) override {
    int line = 1;
    for (std::size_t i = 0; i < position && i < text_.size(); ++i) line += text_[i] == '\n';
    if (e.id == 406)  // the library's "number overflow"
      problem_ = json_problem(json_problem::kind::number_range, line, current_key(), e.what());
    else if (position >= text_.size())
      problem_ = json_problem(json_problem::kind::truncated, line, "", e.what());
    else
      problem_ = json_problem(json_problem::kind::not_json, line, "", e.what());
    return false;
  }

  const json_problem& problem() const { return problem_; }

 private:
  struct frame {
    std::string path;
    std::map<std::string, int> keys;
    std::string current_key;
    bool object = false;
    int elements = 0;  // an array's elements so far
  };

  // A value that stands in an array takes the next index.
  bool element() {
    if (!frames_.empty() && !frames_.back().object) ++frames_.back().elements;
    return true;
  }

  bool open(bool object) {
    if (static_cast<int>(frames_.size()) >= max_json_depth)
      return fail(json_problem::kind::too_deep, "");
    frame f;
    f.object = object;
    if (!frames_.empty()) {
      frame& parent = frames_.back();
      // Paths name object keys and array indices from 0: "joints/2/a".
      const std::string step =
          parent.object ? parent.current_key : std::to_string(parent.elements++);
      f.path = step.empty() ? parent.path : parent.path.empty() ? step : parent.path + "/" + step;
    }
    frames_.push_back(std::move(f));
    return true;
  }
  bool close() {
    if (!frames_.empty()) frames_.pop_back();
    return true;
  }
  // The innermost key: an array's elements stand under the key of the object that holds it.
  std::string current_key() const {
    for (auto f = frames_.rbegin(); f != frames_.rend(); ++f)
      if (!f->current_key.empty()) return f->current_key;
    return {};
  }
  bool fail(json_problem::kind k, const std::string& detail) {
    problem_ = json_problem(k, last_line_, current_key(), detail);
    return false;
  }

  const std::string& text_;
  key_finder keys_;
  checked_json& out_;
  std::vector<frame> frames_;
  int last_line_ = 0;
  json_problem problem_{json_problem::kind::not_json, 0, "", ""};
};

}  // namespace

checked_json read_checked_json(const std::string& text) {
  checked_json out;
  checker c(text, out);
  bool ok = false;
  try {
    ok = json::sax_parse(text, &c);
  } catch (const json::exception& e) {
    throw json_problem(json_problem::kind::not_json, 0, "", e.what());
  }
  if (!ok) throw c.problem();
  try {
    out.value = json::parse(text);
  } catch (const json::exception& e) {
    throw json_problem(json_problem::kind::not_json, 0, "", e.what());
  }
  return out;
}

}  // namespace kinelab
