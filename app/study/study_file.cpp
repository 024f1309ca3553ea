#include "app/study/study_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/io/result_file.h"
#include "app/io/version.h"
#include "app/study/checked_json.h"
#include "app/window/sim_window.h"
#include "core/angles.h"
#include "core/number_text.h"

namespace kinelab {

namespace {

using json = nlohmann::ordered_json;
// As read: the value checked_json built, whose objects iterate in the order of their keys.
using document = nlohmann::json;

constexpr const char* format_name = "kinelab study";
// A study is a few kilobytes; a larger file is something else.
constexpr std::streamsize largest_study_bytes = 16 << 20;

std::string version_text(int major, int minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

// ---- .kinelab documents ----

bool is_known_key(const std::string& key) {
  static const char* const known[] = {
      "format",  "format_version", "program_version", "window",  "title",      "N",        "T",
      "profile", "view_deg",       "fields",          "sliders", "start_pose", "mechanism"};
  return std::find(std::begin(known), std::end(known), key) != std::end(known);
}

struct json_reader {
  study& s;
  const checked_json& doc_lines;

  study::origin at(const std::string& key) const { return {doc_lines.line_of(key), key}; }
  [[noreturn]] void fail(const std::string& key, message_id problem,
                         std::initializer_list<std::string_view> arguments = {}) const {
    throw study_error(s.message(at(key), problem, arguments));
  }

  const document& member(const document& doc, const std::string& key) const {
    const auto it = doc.find(key);
    if (it == doc.end()) throw study_error(s.message({}, message_id::study_no_key, {key}));
    return *it;
  }
  std::string string_member(const document& doc, const std::string& key) const {
    const document& v = member(doc, key);
    if (!v.is_string()) fail(key, message_id::study_not_text);
    return v.get<std::string>();
  }

  // "1.0" → (1, 0).
  std::pair<int, int> format_version(const document& doc) const {
    const std::string v = string_member(doc, "format_version");
    const auto dot = v.find('.');
    const auto major = parse_whole(v.substr(0, dot));
    const auto minor = dot == std::string::npos ? std::nullopt : parse_whole(v.substr(dot + 1));
    if (!major || !minor || *major < 0 || *minor < 0 || *major > 1000 || *minor > 1000)
      fail("format_version", message_id::study_bad_version, {v});
    return {static_cast<int>(*major), static_cast<int>(*minor)};
  }

  void read(const document& doc) {
    if (!doc.is_object() || !doc.contains("format") || doc["format"] != format_name)
      throw study_error(s.message({}, message_id::study_not_a_study));
    const auto [major, minor] = format_version(doc);
    const std::string readable = version_text(study_format_major, study_format_minor);
    if (major > study_format_major)
      fail("format_version", message_id::study_newer_format,
           {version_text(major, minor), readable});
    const bool newer_minor = major == study_format_major && minor > study_format_minor;

    // The values of keys it does not know are not built (read_checked_json), only named.
    for (const std::string& key : doc_lines.top_level_keys) {
      if (is_known_key(key)) continue;
      if (!newer_minor) fail(key, message_id::study_unknown_key);
      s.notes.push_back(s.message(at(key), message_id::study_key_ignored,
                                  {version_text(major, minor), readable}));
    }

    s.window = string_member(doc, "window");
    s.window_at = at("window");
    // Only for naming the window in messages: a title that is not a text is left out.
    if (doc.contains("title") && doc["title"].is_string())
      s.title = doc["title"].get<std::string>();
    const document& N = member(doc, "N");
    s.N_at = at("N");
    if (!N.is_number_integer() || N.get<long long>() < 1 || N.get<long long>() > max_divisions)
      fail("N", message_id::study_N_range, {format_number(max_divisions)});
    s.N = N.get<int>();
    const document& T = member(doc, "T");
    s.T_at = at("T");
    if (!T.is_number()) fail("T", message_id::study_T_number);
    s.T = T.get<double>();
    if (doc.contains("profile")) {
      s.profile = string_member(doc, "profile");
      s.profile_at = at("profile");
    }
    if (doc.contains("view_deg")) read_view(doc["view_deg"]);
    read_controls(doc, "fields", study::control_value::section::field);
    read_controls(doc, "sliders", study::control_value::section::slider);
    if (doc.contains("start_pose")) read_start_pose(doc["start_pose"]);
    if (doc.contains("mechanism")) {
      const document& m = doc["mechanism"];
      s.mechanism_at = at("mechanism");
      if (!m.is_object()) fail("mechanism", message_id::study_not_text);
      s.mechanism_path = string_member(m, "path");
      s.mechanism_hash = string_member(m, "content_hash");
    }
  }

  // Its values are checked against the window when the study opens.
  void read_start_pose(const document& start) {
    s.start_pose_at = at("start_pose");
    const auto values = start.is_object() ? start.find("values") : start.end();
    const auto converged = start.is_object() ? start.find("converged") : start.end();
    if (values == start.end() || !values->is_array() || converged == start.end() ||
        !converged->is_boolean())
      fail("start_pose", message_id::study_start_pose_form);
    study::start pose{{}, converged->get<bool>(), {}};
    for (const document& v : *values) {
      if (!v.is_number()) fail("start_pose", message_id::study_start_pose_form);
      pose.values.push_back(v.get<double>());
    }
    if (const auto fallback = start.find("fallback"); fallback != start.end()) {
      if (!fallback->is_array()) fail("start_pose", message_id::study_start_pose_form);
      for (const document& v : *fallback) {
        if (!v.is_number()) fail("start_pose", message_id::study_start_pose_form);
        pose.fallback.push_back(v.get<double>());
      }
    }
    s.start_pose = std::move(pose);
  }

  void read_view(const document& view) {
    s.view_at = at("view_deg");
    if (!view.is_object()) fail("view_deg", message_id::study_view_object);
    std::optional<double>* angle[] = {&s.view_x_deg, &s.view_y_deg, &s.view_z_deg};
    const char* names[] = {"x", "y", "z"};
    for (int k = 0; k < 3; ++k) {
      const auto it = view.find(names[k]);
      if (it == view.end() || !it->is_number())
        fail("view_deg", message_id::study_view_angle, {names[k]});
      *angle[k] = it->get<double>();
    }
  }

  void read_controls(const document& doc, const std::string& section,
                     study::control_value::section kind) {
    const auto it = doc.find(section);
    if (it == doc.end()) return;
    if (!it->is_object()) fail(section, message_id::study_controls_by_name);
    const bool sliders = kind == study::control_value::section::slider;
    for (const auto& [address, value] : it->items()) {
      const int line = doc_lines.line_of(section + "/" + address);
      if (sliders ? !value.is_number_integer() : !value.is_string())
        throw study_error(s.message({line, address}, sliders ? message_id::study_slider_whole
                                                             : message_id::study_field_text));
      s.controls.push_back(
          {address, sliders ? value.dump() : value.get<std::string>(), kind, line});
    }
  }
};

study parse_document(const std::string& text, study s) {
  checked_json doc;
  try {
    doc = read_checked_json(text, is_known_key);
  } catch (const json_problem& p) {
    const study::origin at{p.line, p.key};
    switch (p.what_kind) {
      case json_problem::kind::truncated:
        throw study_error(s.message(at, message_id::study_truncated));
      case json_problem::kind::too_deep:
        throw study_error(
            s.message(at, message_id::json_too_deep, {std::to_string(max_json_depth)}));
      case json_problem::kind::number_range:
        throw study_error(s.message(at, message_id::json_number_range));
      case json_problem::kind::duplicate_key:
        throw study_error(
            s.message(at, message_id::study_duplicate_key, {std::to_string(p.first_line)}));
      case json_problem::kind::not_json:
        break;
    }
    throw study_error(s.message(at, message_id::json_syntax, {p.what()}));
  }
  try {
    json_reader{s, doc}.read(doc.value);
  } catch (const json::exception& e) {
    // A value of a kind the reader did not expect where it converts it.
    throw study_error(s.message({}, message_id::json_syntax, {e.what()}));
  }
  return s;
}

// ---- the comment header of an exported CSV ----

std::string trimmed(std::string t) {
  const auto first = t.find_first_not_of(' ');
  const auto last = t.find_last_not_of(" \r");
  return first == std::string::npos ? std::string() : t.substr(first, last - first + 1);
}

// "Text2", "HScroll1": the group names the export writes a line for.
bool is_group_name(const std::string& name) {
  const auto digits = name.find_first_of("0123456789");
  return digits != std::string::npos && digits > 0 &&
         std::all_of(name.begin(), name.begin() + static_cast<long>(digits),
                     [](unsigned char c) { return std::isalpha(c); }) &&
         std::all_of(name.begin() + static_cast<long>(digits), name.end(),
                     [](unsigned char c) { return std::isdigit(c); });
}

// "(0) 0.5, (1) 1.2" → the indexed values; "0.001" → one value without index.
void read_group(study& s, const std::string& name, const std::string& values, int line) {
  if (values.rfind("(0) ", 0) != 0) {
    s.controls.push_back({name, values, study::control_value::section::either, line});
    return;
  }
  // Each index searched from where the last one ended: one pass over the line.
  std::size_t from = 0;
  for (int k = 0;; ++k) {
    const std::string opening = "(" + std::to_string(k) + ") ";
    const std::string next = ", (" + std::to_string(k + 1) + ") ";
    const std::size_t start = values.find(opening, from) + opening.size();
    const std::size_t end = values.find(next, start);
    from = end == std::string::npos ? values.size() : end;
    s.controls.push_back({address_text(name, k, true), values.substr(start, end - start),
                          study::control_value::section::either, line});
    if (end == std::string::npos) return;
  }
}

// After "key" on the line, up to the first of `ends`.
std::optional<std::string> after(const std::string& line, const std::string& key,
                                 const std::string& ends) {
  const auto at = line.find(key);
  if (at == std::string::npos) return std::nullopt;
  const auto start = at + key.size();
  return trimmed(line.substr(start, line.find_first_of(ends, start) - start));
}

study parse_export_header(const std::string& text, study s) {
  std::istringstream in(text);
  bool has_window = false, has_settings = false;
  int line_no = 0;
  for (std::string line; std::getline(in, line) && line.rfind("#", 0) == 0;) {
    ++line_no;
    const std::string body = trimmed(line.substr(1));
    if (body.rfind("window: ", 0) == 0) {
      s.window = trimmed(body.substr(8, body.find(" (") - 8));
      if (const auto title = after(body, " (", ")")) s.title = *title;
      s.window_at = {line_no, "window"};
      has_window = true;
    } else if (body.rfind("N = ", 0) == 0) {
      s.N_at = {line_no, "N"};
      s.T_at = {line_no, "T"};
      const auto N = parse_whole(after(body, "N = ", ",").value_or(""));
      if (!N || *N < 1 || *N > max_divisions)
        throw study_error(
            s.message(s.N_at, message_id::study_N_range, {format_number(max_divisions)}));
      s.N = static_cast<int>(*N);
      const auto T = parse_number(after(body, "T = ", ",").value_or(""));
      if (!T) throw study_error(s.message(s.T_at, message_id::study_T_number));
      s.T = *T;
      if (auto profile = after(body, "profile: ", "(,")) {
        s.profile = *profile;
        s.profile_at = {line_no, "profile"};
      }
      has_settings = true;
    } else if (const auto colon = body.find(": "); colon != std::string::npos) {
      const std::string name = body.substr(0, colon);
      // Other comment lines (the program's version, notes about the Run) are not controls.
      if (is_group_name(name)) read_group(s, name, body.substr(colon + 2), line_no);
    }
  }
  if (!has_window) throw study_error(s.message({}, message_id::study_not_an_export));
  if (!has_settings) throw study_error(s.message({}, message_id::study_export_without_settings));
  return s;
}

}  // namespace

std::string study::message(const origin& at, const std::string& problem) const {
  return located_message(source, at.line, at.key, problem);
}

std::string study::message(const origin& at, message_id problem,
                           std::initializer_list<std::string_view> arguments) const {
  return message(at, kinelab::message(language, problem, arguments));
}

std::string study_document(const sim_window& w) {
  json doc;
  doc["format"] = format_name;
  doc["format_version"] = version_text(study_format_major, study_format_minor);
  doc["program_version"] = program_version();
  doc["window"] = w.name();
  doc["title"] = w.title();
  doc["N"] = w.settings.N;
  doc["T"] = w.settings.T;
  doc["profile"] = to_string(w.profile());
  doc["view_deg"] = {{"x", deg(w.view_rot_x)}, {"y", deg(w.view_rot_y)}, {"z", deg(w.view_rot_z)}};
  json fields = json::object();
  for (const text_group& g : w.ctl.texts)
    for (std::size_t k = 0; k < g.fields.size(); ++k) {
      const std::string address = address_text(g.name, static_cast<int>(k), g.indexed);
      if (!parse_number(g.fields[k].text))
        throw study_error(
            message(w.language, message_id::study_field_not_a_number, {shown_name(w, address)}));
      fields[address] = g.fields[k].text;
    }
  doc["fields"] = std::move(fields);
  json sliders = json::object();
  for (const slider_group& g : w.ctl.sliders)
    for (std::size_t k = 0; k < g.sliders.size(); ++k)
      sliders[address_text(g.name, static_cast<int>(k), g.indexed)] = g.sliders[k].value;
  doc["sliders"] = std::move(sliders);
  if (const std::optional<solver_start> start = w.logic().start_pose()) {
    json values = json::array();
    for (const double v : start->values) values.push_back(v);
    doc["start_pose"] = {{"values", std::move(values)}, {"converged", start->solved}};
    if (!start->fallback.empty()) {
      json fallback = json::array();
      for (const double v : start->fallback) fallback.push_back(v);
      doc["start_pose"]["fallback"] = std::move(fallback);
    }
  }
  if (!w.decl().mechanism_path.empty())
    doc["mechanism"] = {{"path", w.decl().mechanism_path},
                        {"content_hash", w.decl().mechanism_hash}};
  // Objects of plain values print one a line.
  return doc.dump(2) + "\n";
}

study parse_study(const std::string& text, const std::string& source, ui_language lang) {
  study s;
  s.source = source;
  s.language = lang;
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && text[first] == '#') return parse_export_header(text, s);
  return parse_document(text, s);
}

study read_study(const std::string& path, ui_language lang) {
  std::ifstream in(path, std::ios::binary);
  const auto unreadable = [&] {
    const int err = errno;
    study_error e(path + ": " +
                  message(lang, message_id::study_unreadable, {system_error(lang, err)}));
    e.system_error_number = err;
    return e;
  };
  if (!in) throw unreadable();
  // At most one byte beyond the largest study, so that a larger file is told without holding it.
  std::vector<char> buffer(static_cast<std::size_t>(largest_study_bytes) + 1);
  in.read(buffer.data(), largest_study_bytes + 1);
  const bool over = in.gcount() > largest_study_bytes;
  std::string text(buffer.data(), static_cast<std::size_t>(in.gcount()));
  if (!text.empty() && text[0] == '#') {
    // An export: only its comment lines, however many rows follow, but no more of them than a
    // study may hold.
    std::size_t end = 0;
    while (end < text.size() && text[end] == '#') {
      const std::size_t eol = text.find('\n', end);
      end = eol == std::string::npos ? text.size() : eol + 1;
    }
    if (over && end == text.size())
      throw study_error(path + ": " + message(lang, message_id::study_too_large));
    text.resize(end);
  } else if (over) {
    throw study_error(path + ": " + message(lang, message_id::study_too_large));
  }
  if (in.bad()) throw unreadable();
  return parse_study(text, path, lang);
}

bool save_study(const sim_window& w, const std::string& path, std::string& error,
                int* error_number) {
  try {
    return write_file(path, study_document(w), error, nullptr, w.language, error_number);
  } catch (const study_error& e) {
    error = e.what();
    return false;
  }
}

}  // namespace kinelab
