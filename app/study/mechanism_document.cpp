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

// Reads as far as the kind.
class kind_reader : public mechanism_reader {
 public:
  using mechanism_reader::mechanism_reader;
  std::string read(const json& root, const std::string&) const { return kind(root); }
};

}  // namespace

std::string read_mechanism_bytes(const std::string& path, ui_language lang) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw mechanism_file_error(message(lang, message_id::mechanism_unreadable, {path}));
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size > largest_mechanism_bytes)
    throw mechanism_file_error(message(lang, message_id::mechanism_too_large, {path}));
  in.seekg(0);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string read_mechanism_text(const std::string& path, ui_language lang) {
  try {
    return read_mechanism_bytes(path, lang);
  } catch (const mechanism_file_error& e) {
    throw placed_at_file(path, e);
  }
}

mechanism_file_error placed_at_file(const std::string& path, const mechanism_file_error& e) {
  const std::string what = e.what();
  return mechanism_file_error(what.rfind(path + ":", 0) == 0 ? what : path + ": " + what);
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

checked_json parse_mechanism_json(const std::string& text, const std::string& path,
                                  ui_language lang) {
  try {
    return read_checked_json(text);
  } catch (const json_problem& p) {
    throw mechanism_file_error(json_problem_message(p, path, lang));
  }
}

std::string mechanism_reader::kind(const json& root) const {
  if (!root.is_object()) fail("format", message_id::mechanism_not_an_object_file);
  if (text(need(root, "", "format"), "format") != format_name)
    fail("format", message_id::mechanism_not_the_format, {format_name});
  const std::string version = text(need(root, "", "format_version"), "format_version");
  if (version.rfind("1.", 0) != 0 || version.size() < 3 ||
      version.find_first_not_of("0123456789", 2) != std::string::npos)
    fail("format_version", message_id::mechanism_bad_version, {version});
  return text(need(root, "", "kind"), "kind");
}

std::string mechanism_reader::unit(const json& root) const {
  const std::string u = text(need(root, "", "unit"), "unit");
  if (u.empty() || u.size() > 16 || u.find_first_of(" \t\n\r()") != std::string::npos)
    fail("unit", message_id::mechanism_bad_unit);
  return u;
}

std::string mechanism_reader::name(const json& root) const {
  return find(root, "name") ? text(root["name"], "name")
                            : std::filesystem::path(path_).stem().string();
}

std::string mechanism_kind_of(const std::string& text, const std::string& path, ui_language lang) {
  return read_mechanism_document<kind_reader>(text, path, lang);
}

}  // namespace kinelab
