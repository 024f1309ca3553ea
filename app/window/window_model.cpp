#include "app/window/window_model.h"

#include "core/number_text.h"

namespace kinelab {

namespace {

[[noreturn]] void no_such(ui_language lang, message_id id,
                          std::initializer_list<std::string_view> arguments) {
  throw edit_error(edit_error::reason::no_such_control, message(lang, id, arguments));
}
[[noreturn]] void refused(const std::string& message) {
  throw edit_error(edit_error::reason::refused, message);
}

control_address parsed(ui_language lang, const std::string& address) {
  const auto a = parse_address(address);
  if (!a) no_such(lang, message_id::not_a_control, {address});
  return *a;
}

// The element at an address, checked against its group's indexing.
template <class Elements>
auto& element(ui_language lang, Elements& v, const control_address& a, bool indexed) {
  if (indexed && !a.has_index) no_such(lang, message_id::control_needs_index, {a.name});
  if (!indexed && a.has_index) no_such(lang, message_id::control_has_no_index, {a.name});
  if (a.index < 0 || a.index >= static_cast<int>(v.size()))
    no_such(lang, message_id::control_indices, {a.name, std::to_string(v.size() - 1)});
  return v[static_cast<std::size_t>(a.index)];
}

bool is_option(const controls& c, const std::string& name) {
  return name == "Option1" && !c.option_captions.empty();
}

// The name of the row a slider stands in: the whole its fields are named by ("the1" of
// "start of the1"), else the row's caption.
std::string row_name(const window_model& w, const control_grid& g, std::size_t r) {
  for (const grid_cell& c : g.rows[r])
    if (const text_group* t =
            c.what == grid_cell::kind::field ? w.ctl.find_texts(c.control) : nullptr;
        t && c.index >= 0 && static_cast<std::size_t>(c.index) < t->fields.size() &&
        !t->fields[static_cast<std::size_t>(c.index)].caption_whole.empty())
      return t->fields[static_cast<std::size_t>(c.index)].caption_whole;
  const std::string& caption = r < g.row_captions.size() ? g.row_captions[r] : std::string();
  return caption.find_first_not_of(" \u3000") == std::string::npos ? std::string() : caption;
}

}  // namespace

std::string shown_name(const window_model& w, const std::string& address) {
  if (w.name_controls_in_status) return address;
  return shown_name(w, address, w.language, w.translate_caption);
}

std::string shown_name(const window_model& w, const std::string& address, ui_language lang,
                       const caption_translator& translate) {
  const control_address a = *parse_address(address);
  if (const text_group* g = w.ctl.find_texts(a.name)) {
    const text_field& f = g->fields.at(static_cast<std::size_t>(a.index));
    if (f.caption.empty()) return address;
    return f.caption_whole.empty() ? field_name(lang, f.caption, "", translate)
                                   : field_name(lang, f.caption_part, f.caption_whole, translate);
  }
  for (const control_grid& g : w.layout())
    for (std::size_t r = 0; r < g.rows.size(); ++r)
      for (const grid_cell& c : g.rows[r])
        if (c.what == grid_cell::kind::slider && c.control == a.name && c.index == a.index) {
          const std::string row = row_name(w, g, r);
          if (!row.empty())
            return message(lang, message_id::slider_of, {field_name(lang, row, "", translate)});
        }
  return address;
}

void window_model::set_text(const std::string& address, std::string text) {
  const control_address a = parsed(language, address);
  text_group* g = ctl.find_texts(a.name);
  if (!g) no_such(language, message_id::no_such_control, {name(), a.name});
  text_field& f = element(language, g->fields, a, g->indexed);
  if (!f.enabled)
    refused(message(language, message_id::control_disabled, {shown_name(*this, address)}));
  f.text = std::move(text);
}

void window_model::set_text(const std::string& group, int index, std::string text) {
  const text_group* g = ctl.find_texts(group);
  set_text(address_text(group, index, !g || g->indexed), std::move(text));
}

void window_model::set_slider(const std::string& address, long long value) {
  const control_address a = parsed(language, address);
  slider_group* g = ctl.find_sliders(a.name);
  if (!g) no_such(language, message_id::no_such_control, {name(), a.name});
  slider& s = element(language, g->sliders, a, g->indexed);
  if (value < s.min || value > s.max)
    refused(message(language, message_id::slider_range,
                    {shown_name(*this, address), std::to_string(s.min), std::to_string(s.max)}));
  if (!s.enabled)
    refused(message(language, message_id::control_disabled, {shown_name(*this, address)}));
  s.value = static_cast<int>(value);
  slider_changed(a.name, a.index);
}

void window_model::set_slider(const std::string& group, int index, long long value) {
  const slider_group* g = ctl.find_sliders(group);
  set_slider(address_text(group, index, !g || g->indexed), value);
}

void window_model::select_option(long long index) {
  const auto count = static_cast<long long>(ctl.option_captions.size());
  if (count == 0) no_such(language, message_id::no_such_control, {name(), "Option1"});
  if (index < 0 || index >= count)
    refused(message(language, message_id::option_range, {std::to_string(count - 1)}));
  ctl.option_selected = static_cast<int>(index);
  option_changed();
}

void window_model::set_value(const std::string& address, const std::string& value) {
  const control_address a = parsed(language, address);
  if (is_option(ctl, a.name)) {
    const auto choice = parse_whole(a.has_index ? std::to_string(a.index) : value);
    if (!choice)
      refused(message(language, message_id::option_range,
                      {std::to_string(ctl.option_captions.size() - 1)}));
    return select_option(*choice);
  }
  if (ctl.find_texts(a.name)) return set_text(address, value);
  if (ctl.find_sliders(a.name)) {
    const auto v = parse_whole(value);
    if (!v)
      refused(message(language, message_id::slider_whole, {shown_name(*this, address), value}));
    return set_slider(address, *v);
  }
  no_such(language, message_id::no_such_control, {name(), a.name});
}

std::variant<std::string, int> window_model::value_of(const std::string& address) const {
  const control_address a = parsed(language, address);
  if (is_option(ctl, a.name)) return ctl.option_selected;
  if (const text_group* g = ctl.find_texts(a.name))
    return element(language, g->fields, a, g->indexed).text;
  if (const slider_group* g = ctl.find_sliders(a.name))
    return element(language, g->sliders, a, g->indexed).value;
  if (const label* l = ctl.find_label(a.name); l && !a.has_index) return l->caption;
  no_such(language, message_id::no_such_control, {name(), address});
}

}  // namespace kinelab
