#pragma once
// What every reader of mechanism files (docs/mechanism_files.md) shares: the bytes read with
// their size limit, the checked JSON pass, the format and version check, the content hash a
// study records, and the "FILE:LINE: KEY: problem" messages, KEY the path of the entry with
// array indices from 0 ("joints/2/a").
#include <stdexcept>
#include <string>

#include "app/study/checked_json.h"
#include "core/array_algebra.h"

namespace kinelab {

// What is wrong with a mechanism file; what() is the whole "FILE:LINE: KEY: problem".
class mechanism_file_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest mechanism file (or URDF) read; a larger one is something else.
inline constexpr long long largest_mechanism_bytes = 16LL << 20;

// The file's bytes; throws mechanism_file_error("cannot read …", "… is larger than 16 MB")
// without a place, for the caller to place.
std::string read_mechanism_bytes(const std::string& path);

// The hash the study of a file window records: 64-bit FNV-1a of the bytes, 16 hex digits.
std::string content_hash_of(const std::string& bytes);

// URDF's roll, pitch, yaw in degrees as a rotation: R = Rz(yaw)·Ry(pitch)·Rx(roll).
mat3 rpy_matrix(const vec3& rpy_deg);

// A round step for the sliders of a file window's lengths: 1, 2 or 5 times a power of ten, the
// largest not above `length` (0.01 for a length that is not positive and finite).
double nice_step(double length);

// The checked document of a mechanism file's text; its problems as "FILE:LINE: KEY: problem".
checked_json parse_mechanism_json(const std::string& text, const std::string& path);

// The entries of a checked document, each problem thrown as "FILE:LINE: KEY: problem".
class mechanism_reader {
 public:
  mechanism_reader(const checked_json& doc, std::string path) : doc_(doc), path_(std::move(path)) {}

  [[noreturn]] void fail(const std::string& key, const std::string& problem) const;
  // The line of `key`, else of the first key below it, else of its parent: a missing key is
  // placed at the object that lacks it.
  int line_near(const std::string& key) const;

  static std::string at(const std::string& parent, const std::string& key) {
    return parent.empty() ? key : parent + "/" + key;
  }
  void only_keys(const nlohmann::json& object, const std::string& path,
                 std::initializer_list<const char*> known) const;
  const nlohmann::json* find(const nlohmann::json& object, const std::string& key) const;
  const nlohmann::json& need(const nlohmann::json& object, const std::string& path,
                             const std::string& key) const;
  std::string text(const nlohmann::json& v, const std::string& key) const;
  // A finite number (the checked pass already refuses those beyond a double's range).
  double number(const nlohmann::json& v, const std::string& key) const;
  double number_of(const nlohmann::json& object, const std::string& path,
                   const std::string& key) const;
  vec3 triple(const nlohmann::json& v, const std::string& key) const;

  // The top-level object's format and version, then its "kind", returned.
  std::string kind(const nlohmann::json& root) const;
  // The file's "unit": a short word without blanks or brackets.
  std::string unit(const nlohmann::json& root) const;
  // The file's "name", else the file name without its extension.
  std::string name(const nlohmann::json& root) const;

  const std::string& path() const { return path_; }

 private:
  const checked_json& doc_;
  std::string path_;
};

// The "kind" of a mechanism file's text, checked as far as the format, the version and the
// kind go (the rest is the kind's reader's).
std::string mechanism_kind_of(const std::string& text, const std::string& path);

}  // namespace kinelab
