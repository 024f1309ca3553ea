#pragma once
// What every reader of mechanism files (docs/mechanism_files.md) shares beyond the field access
// of json_fields: the bytes read with their size limit, the checked JSON pass, the format and
// version check, the content hash a study records. Every problem is "FILE:LINE: KEY: problem",
// KEY the path of the entry with array indices from 0 ("joints/2/a"), the problem from the
// catalogue in the reader's language.
#include <stdexcept>
#include <string>

#include "app/study/checked_json.h"
#include "app/study/json_fields.h"
#include "app/text/messages.h"
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
std::string read_mechanism_bytes(const std::string& path, ui_language lang);

// The same with the problem placed at the file: "FILE: cannot read FILE".
std::string read_mechanism_text(const std::string& path, ui_language lang);

// A problem of the file as a whole placed at it, "FILE: problem"; one already placed in that
// file stays as it is.
mechanism_file_error placed_at_file(const std::string& path, const mechanism_file_error& e);

// The hash the study of a file window records: 64-bit FNV-1a of the bytes, 16 hex digits.
std::string content_hash_of(const std::string& bytes);

// URDF's roll, pitch, yaw in degrees as a rotation: R = Rz(yaw)·Ry(pitch)·Rx(roll).
mat3 rpy_matrix(const vec3& rpy_deg);

// A round step for the sliders of a file window's lengths: 1, 2 or 5 times a power of ten, the
// largest not above `length` (0.01 for a length that is not positive and finite).
double nice_step(double length);

// The checked document of a mechanism file's text; its problems as "FILE:LINE: KEY: problem".
checked_json parse_mechanism_json(const std::string& text, const std::string& path,
                                  ui_language lang);

// The entries of a checked mechanism document.
class mechanism_reader : public json_fields<mechanism_file_error> {
 public:
  using json_fields::json_fields;

  // The top-level object's format and version, then its "kind", returned.
  std::string kind(const json& root) const;
  // The file's "unit": a short word without blanks or brackets.
  std::string unit(const json& root) const;
  // The file's "name", else the file name without its extension.
  std::string name(const json& root) const;

  const std::string& path() const { return path_; }
  ui_language language() const { return lang_; }
};

// What `read` returns from a reader over the checked document of `text`; a JSON access the
// reader did not foresee is placed at the file's first line.
template <class Reader>
auto read_mechanism_document(const std::string& text, const std::string& path, ui_language lang) {
  const checked_json doc = parse_mechanism_json(text, path, lang);
  try {
    return Reader(doc, path, lang).read(doc.value, text);
  } catch (const nlohmann::json::exception& e) {
    throw mechanism_file_error(located_message(path, 1, "", e.what()));
  }
}

// The "kind" of a mechanism file's text, checked as far as the format, the version and the
// kind go (the rest is the kind's reader's).
std::string mechanism_kind_of(const std::string& text, const std::string& path,
                              ui_language lang = ui_language::english);

}  // namespace kinelab
