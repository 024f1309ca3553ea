#include "app/window_model.h"

#include "core/number_text.h"

namespace kinelab {

namespace {

[[noreturn]] void no_such(const std::string& message) {
  throw edit_error(edit_error::reason::no_such_control, message);
}
[[noreturn]] void refused(const std::string& message) {
  throw edit_error(edit_error::reason::refused, message);
}

control_address parsed(const std::string& address) {
  const auto a = parse_address(address);
  if (!a) no_such("not a control: " + address);
  return *a;
}

// The element at an address, checked against its group's indexing.
template <class Elements>
auto& element(Elements& v, const control_address& a, bool indexed) {
  if (indexed && !a.has_index) no_such(a.name + " needs an index, e.g. " + a.name + "(0)");
  if (!indexed && a.has_index) no_such(a.name + " has no index");
  if (a.index < 0 || a.index >= static_cast<int>(v.size()))
    no_such(a.name + " has indices 0.." + std::to_string(v.size() - 1));
  return v[static_cast<std::size_t>(a.index)];
}

bool is_option(const controls& c, const std::string& name) {
  return name == "Option1" && !c.option_captions.empty();
}

}  // namespace

void window_model::set_text(const std::string& address, std::string text) {
  const control_address a = parsed(address);
  text_group* g = ctl.find_texts(a.name);
  if (!g) no_such(name() + " has no control " + a.name);
  text_field& f = element(g->fields, a, g->indexed);
  if (!f.enabled) refused(address + " is disabled");
  f.text = std::move(text);
}

void window_model::set_text(const std::string& group, int index, std::string text) {
  const text_group* g = ctl.find_texts(group);
  set_text(address_text(group, index, !g || g->indexed), std::move(text));
}

void window_model::set_slider(const std::string& address, long long value) {
  const control_address a = parsed(address);
  slider_group* g = ctl.find_sliders(a.name);
  if (!g) no_such(name() + " has no control " + a.name);
  slider& s = element(g->sliders, a, g->indexed);
  if (value < s.min || value > s.max)
    refused(address + " ranges from " + std::to_string(s.min) + " to " + std::to_string(s.max));
  if (!s.enabled) refused(address + " is disabled");
  s.value = static_cast<int>(value);
  slider_changed(a.name, a.index);
}

void window_model::set_slider(const std::string& group, int index, long long value) {
  const slider_group* g = ctl.find_sliders(group);
  set_slider(address_text(group, index, !g || g->indexed), value);
}

void window_model::select_option(long long index) {
  const auto count = static_cast<long long>(ctl.option_captions.size());
  if (count == 0) no_such(name() + " has no control Option1");
  if (index < 0 || index >= count) refused("Option1 takes 0.." + std::to_string(count - 1));
  ctl.option_selected = static_cast<int>(index);
  option_changed();
}

void window_model::set_value(const std::string& address, const std::string& value) {
  const control_address a = parsed(address);
  if (is_option(ctl, a.name)) {
    const auto choice = parse_whole(a.has_index ? std::to_string(a.index) : value);
    if (!choice) refused("Option1 takes 0.." + std::to_string(ctl.option_captions.size() - 1));
    return select_option(*choice);
  }
  if (ctl.find_texts(a.name)) return set_text(address, value);
  if (ctl.find_sliders(a.name)) {
    const auto v = parse_whole(value);
    if (!v) refused("a slider takes a whole number: " + address + "=" + value);
    return set_slider(address, *v);
  }
  no_such(name() + " has no control " + a.name);
}

std::variant<std::string, int> window_model::value_of(const std::string& address) const {
  const control_address a = parsed(address);
  if (is_option(ctl, a.name)) return ctl.option_selected;
  if (const text_group* g = ctl.find_texts(a.name)) return element(g->fields, a, g->indexed).text;
  if (const slider_group* g = ctl.find_sliders(a.name))
    return element(g->sliders, a, g->indexed).value;
  if (const label* l = ctl.find_label(a.name); l && !a.has_index) return l->caption;
  no_such(name() + " has no control " + address);
}

}  // namespace kinelab
