#include "app/study/checked_json.h"

#include <cmath>
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
  checker(const std::string& text, checked_json& out, std::function<bool(const std::string&)> kept)
      : text_(text), keys_(text), out_(out), kept_(std::move(kept)) {}

  bool null() override { return put(nullptr); }
  bool boolean(bool v) override { return put(v); }
  bool number_integer(number_integer_t v) override { return put(v); }
  bool number_unsigned(number_unsigned_t v) override { return put(v); }
  bool number_float(number_float_t v, const string_t&) override {
    if (std::isfinite(v)) return put(v);
    return fail(json_problem::kind::number_range, "");
  }
  bool string(string_t& v) override { return put(std::move(v)); }
  bool binary(binary_t&) override { return true; }  // not in JSON text

  bool start_object(std::size_t) override { return open(true) && begin(json::object()); }
  bool end_object() override { return close() && end(); }
  bool start_array(std::size_t) override { return open(false) && begin(json::array()); }
  bool end_array() override { return close() && end(); }

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
    if (frames_.size() == 1) {
      out_.top_level_keys.push_back(k);
      leaving_out_ = kept_ && !kept_(k);
    }
    pending_key_ = std::move(k);
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
  // Building the value as the events come; the checks before each have passed.
  bool leaving_out() const {
    return skipped_open_ > 0 || (leaving_out_ && built_.size() == 1 && built_[0]->is_object());
  }
  // Stores v where the document stands; the stored value.
  json* store(json&& v) {
    if (built_.empty()) {
      out_.value = std::move(v);
      return &out_.value;
    }
    json& parent = *built_.back();
    if (parent.is_array()) {
      parent.push_back(std::move(v));
      return &parent.back();
    }
    json& slot = parent[pending_key_];
    slot = std::move(v);
    return &slot;
  }
  bool put(json&& v) {
    element();
    if (!leaving_out()) store(std::move(v));
    return true;
  }
  // An object or array begun: the values up to its end go into it (no pointer into a parent
  // moves meanwhile, since the parent takes nothing else until it ends).
  bool begin(json&& empty) {
    if (leaving_out())
      ++skipped_open_;
    else
      built_.push_back(store(std::move(empty)));
    return true;
  }
  bool end() {
    if (skipped_open_ > 0)
      --skipped_open_;
    else if (!built_.empty())
      built_.pop_back();
    return true;
  }

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
  std::function<bool(const std::string&)> kept_;
  std::vector<json*> built_;  // the open objects and arrays, outermost first
  std::string pending_key_;
  bool leaving_out_ = false;  // under a top-level key `kept_` refuses
  int skipped_open_ = 0;      // objects and arrays open inside a value left out
  std::vector<frame> frames_;
  int last_line_ = 0;
  json_problem problem_{json_problem::kind::not_json, 0, "", ""};
};

}  // namespace

checked_json read_checked_json(const std::string& text,
                               const std::function<bool(const std::string&)>& kept) {
  // One pass: the checks of each event, then the value built from it.
  checked_json out;
  checker c(text, out, kept);
  bool ok = false;
  try {
    ok = json::sax_parse(text, &c);
  } catch (const json::exception& e) {
    throw json_problem(json_problem::kind::not_json, 0, "", e.what());
  }
  if (!ok) throw c.problem();
  return out;
}

}  // namespace kinelab
