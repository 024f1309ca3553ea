#include "app/study/mechanism_document.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/angles.h"
#include "core/posture.h"

namespace kinelab {

namespace {

using json = nlohmann::json;

constexpr const char* format_name = "kinelab mechanism";

}  // namespace

std::string read_mechanism_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw mechanism_file_error("cannot read " + path);
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size > largest_mechanism_bytes) throw mechanism_file_error(path + " is larger than 16 MB");
  in.seekg(0);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string content_hash_of(const std::string& bytes) {
  std::uint64_t h = 14695981039346656037ULL;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

double nice_step(double length) {
  if (!(length > 0) || !std::isfinite(length)) return 0.01;
  const double p = std::pow(10, std::floor(std::log10(length)));
  const double m = length / p;
  return (m >= 5 ? 5 : m >= 2 ? 2 : 1) * p;
}

mat3 rpy_matrix(const vec3& a) {
  mat3 ZY, R;
  mat_mul(3, rot_z(rad(a(3))), rot_y(rad(a(2))), ZY);
  mat_mul(3, ZY, rot_x(rad(a(1))), R);
  return R;
}

checked_json parse_mechanism_json(const std::string& text, const std::string& path) {
  try {
    return read_checked_json(text);
  } catch (const json_problem& p) {
    std::string problem;
    switch (p.what_kind) {
      case json_problem::kind::truncated:
        problem = "the file ends inside the document";
        break;
      case json_problem::kind::too_deep:
        problem = "nested deeper than " + std::to_string(max_json_depth) + " levels";
        break;
      case json_problem::kind::number_range:
        problem = "a number beyond the range of a double";
        break;
      case json_problem::kind::duplicate_key:
        problem = "given twice (first on line " + std::to_string(p.first_line) + ")";
        break;
      case json_problem::kind::not_json:
        problem = std::string("not JSON: ") + p.what();
        break;
    }
    throw mechanism_file_error(path + ":" + std::to_string(p.line > 0 ? p.line : 1) + ": " +
                               (p.key.empty() ? std::string() : p.key + ": ") + problem);
  }
}

void mechanism_reader::fail(const std::string& key, const std::string& problem) const {
  throw mechanism_file_error(path_ + ":" + std::to_string(line_near(key)) + ": " + key + ": " +
                             problem);
}

int mechanism_reader::line_near(const std::string& key) const {
  if (const int l = doc_.line_of(key)) return l;
  const auto below = doc_.key_lines.lower_bound(key + "/");
  if (below != doc_.key_lines.end() && below->first.rfind(key + "/", 0) == 0) return below->second;
  const auto slash = key.rfind('/');
  return slash == std::string::npos ? 1 : line_near(key.substr(0, slash));
}

void mechanism_reader::only_keys(const json& object, const std::string& path,
                                 std::initializer_list<const char*> known) const {
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool found = false;
    for (const char* k : known) found = found || it.key() == k;
    if (!found) fail(at(path, it.key()), "unknown key");
  }
}

const json* mechanism_reader::find(const json& object, const std::string& key) const {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

const json& mechanism_reader::need(const json& object, const std::string& path,
                                   const std::string& key) const {
  const json* v = find(object, key);
  if (!v) fail(at(path, key), "missing");
  return *v;
}

std::string mechanism_reader::text(const json& v, const std::string& key) const {
  if (!v.is_string()) fail(key, "not a text");
  return v.get<std::string>();
}

double mechanism_reader::number(const json& v, const std::string& key) const {
  if (!v.is_number()) fail(key, "not a number");
  const double d = v.get<double>();
  if (!std::isfinite(d)) fail(key, "not a finite number");
  return d;
}

double mechanism_reader::number_of(const json& object, const std::string& path,
                                   const std::string& key) const {
  return number(need(object, path, key), at(path, key));
}

vec3 mechanism_reader::triple(const json& v, const std::string& key) const {
  if (!v.is_array() || v.size() != 3) fail(key, "not three numbers");
  vec3 t;
  for (int i = 0; i < 3; ++i)
    t(i + 1) = number(v[static_cast<std::size_t>(i)], key + "/" + std::to_string(i));
  return t;
}

std::string mechanism_reader::kind(const json& root) const {
  if (!root.is_object()) fail("format", "the file is not a JSON object");
  if (text(need(root, "", "format"), "format") != format_name)
    fail("format", std::string("not \"") + format_name + "\"");
  const std::string version = text(need(root, "", "format_version"), "format_version");
  if (version.rfind("1.", 0) != 0 || version.size() < 3 ||
      version.find_first_not_of("0123456789", 2) != std::string::npos)
    fail("format_version", "version " + version + " is not one this kinelab reads (1.x)");
  return text(need(root, "", "kind"), "kind");
}

std::string mechanism_reader::unit(const json& root) const {
  const std::string u = text(need(root, "", "unit"), "unit");
  if (u.empty() || u.size() > 16 || u.find_first_of(" \t\n\r()") != std::string::npos)
    fail("unit", "a unit of length is a short word without blanks or brackets");
  return u;
}

std::string mechanism_reader::name(const json& root) const {
  return find(root, "name") ? text(root["name"], "name")
                            : std::filesystem::path(path_).stem().string();
}

std::string mechanism_kind_of(const std::string& text, const std::string& path) {
  const checked_json doc = parse_mechanism_json(text, path);
  try {
    return mechanism_reader(doc, path).kind(doc.value);
  } catch (const json::exception& e) {
    throw mechanism_file_error(path + ":1: " + e.what());
  }
}

}  // namespace kinelab
