#include "app/window/controls.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/number_text.h"

namespace kinelab {

std::optional<control_address> parse_address(const std::string& text) {
  control_address a;
  const auto open = text.find('(');
  if (open == std::string::npos) {
    a.name = text;
    return a.name.empty() ? std::nullopt : std::optional(a);
  }
  if (open == 0 || text.back() != ')') return std::nullopt;
  a.name = text.substr(0, open);
  const std::string digits = text.substr(open + 1, text.size() - open - 2);
  if (digits.empty() || digits.size() > 6 ||
      !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
    return std::nullopt;
  a.index = std::stoi(digits);
  a.has_index = true;
  return a;
}

std::string address_text(const std::string& name, int index, bool indexed) {
  return indexed ? name + "(" + std::to_string(index) + ")" : name;
}

field_error::field_error(std::string control_, const text_field& field, message_id problem_)
    : std::runtime_error(
          message(ui_language::english, problem_,
                  {field.caption.empty() ? control_ : field.caption + " (" + control_ + ")",
                   quoted_text(ui_language::english, field.text)})),
      control(std::move(control_)),
      caption(field.caption),
      text(field.text),
      caption_part(field.caption_part),
      caption_whole(field.caption_whole),
      problem(problem_) {}

std::string describe(const field_error& e, ui_language lang, const caption_translator& translate,
                     bool with_control) {
  std::string who = e.caption.empty() ? e.control
                    : e.caption_whole.empty()
                        ? field_name(lang, e.caption, "", translate)
                        : field_name(lang, e.caption_part, e.caption_whole, translate);
  if (with_control && !e.caption.empty()) who += " (" + e.control + ")";
  return message(lang, e.problem, {who, quoted_text(lang, e.text)});
}

std::string readout_text(const std::string& text, double length_scale) {
  const std::optional<double> v = parse_number(text);
  const double scale = std::isfinite(length_scale) ? std::max(std::abs(length_scale), 1.0) : 1.0;
  return v && *v != 0 && std::abs(*v) <= 1e-12 * scale ? "0" : text;
}

text_group& controls::add_texts(std::string name, std::vector<std::string> defaults,
                                std::vector<std::string> captions, bool indexed) {
  text_group g;
  g.name = std::move(name);
  g.indexed = indexed;
  for (std::size_t i = 0; i < defaults.size(); ++i)
    g.fields.push_back(
        {defaults[i], true, i < captions.size() ? captions[i] : std::string(), {}, {}});
  texts.push_back(std::move(g));
  return texts.back();
}

slider_group& controls::add_sliders(std::string name, std::vector<slider> s, bool indexed) {
  sliders.push_back({std::move(name), indexed, std::move(s)});
  return sliders.back();
}

label& controls::add_label(std::string name, std::string caption) {
  labels.push_back({std::move(name), std::move(caption)});
  return labels.back();
}

template <class V>
static auto* find_named(V& v, const std::string& name) {
  auto it = std::find_if(v.begin(), v.end(), [&](const auto& g) { return g.name == name; });
  return it == v.end() ? nullptr : &*it;
}

text_group* controls::find_texts(const std::string& name) {
  return find_named(texts, name);
}
slider_group* controls::find_sliders(const std::string& name) {
  return find_named(sliders, name);
}
label* controls::find_label(const std::string& name) {
  return find_named(labels, name);
}
const text_group* controls::find_texts(const std::string& name) const {
  return find_named(texts, name);
}
const slider_group* controls::find_sliders(const std::string& name) const {
  return find_named(sliders, name);
}
const label* controls::find_label(const std::string& name) const {
  return find_named(labels, name);
}

text_field& controls::field(const std::string& name, int index) {
  text_group* g = find_texts(name);
  if (!g) throw std::out_of_range("no text field " + name);
  return g->fields.at(static_cast<std::size_t>(index));
}

slider& controls::slider_at(const std::string& name, int index) {
  slider_group* g = find_sliders(name);
  if (!g) throw std::out_of_range("no slider " + name);
  return g->sliders.at(static_cast<std::size_t>(index));
}

const std::string& controls::text(const std::string& name, int index) const {
  const text_group* g = find_texts(name);
  if (!g) throw std::out_of_range("no text field " + name);
  return g->fields.at(static_cast<std::size_t>(index)).text;
}

void controls::set_text(const std::string& name, int index, std::string t) {
  field(name, index).text = std::move(t);
}

void controls::set_number(const std::string& name, int index, double value) {
  field(name, index).text = format_number(value);
}

double controls::number(const std::string& name, int index) const {
  const text_group* g = find_texts(name);
  if (!g) throw std::out_of_range("no text field " + name);
  const text_field& f = g->fields.at(static_cast<std::size_t>(index));
  if (auto v = parse_number(f.text)) return *v;
  const bool blank = f.text.find_first_not_of(" \t") == std::string::npos;
  throw field_error(address_text(name, index, g->indexed), f,
                    blank ? message_id::field_empty : message_id::field_not_a_number);
}

double controls::tolerance(const std::string& name, int index) const {
  const double v = number(name, index);
  if (v >= 0) return v;
  const text_group* g = find_texts(name);
  const text_field& f = g->fields.at(static_cast<std::size_t>(index));
  throw field_error(address_text(name, index, g->indexed), f, message_id::field_below_zero);
}

}  // namespace kinelab
