#pragma once
// Numbers as text: how fields are read and how values are shown in fields, labels and files.
#include <optional>
#include <string>
#include <string_view>

namespace kinelab {

// Shortest general decimal form with at most 15 significant digits: "0.5", "-2", "1E-05".
std::string format_number(double v);

// The shortest text that reads back as the same double ("0.1", "1e-05", "-0"): what files
// that must hold a value exactly use, and the text a script's number is given to a field as.
std::string format_exact(double v);

// What a person types as a number: surrounding blanks, a leading '+', ".5", "1.", exponents.
// A Japanese input method's full-width forms (０-９ ＋ － ． Ｅ ｅ, the ideographic space) and
// the minus sign U+2212 read as their ASCII equivalents.
// Empty text, other characters, "nan", "inf" and values that overflow a double are not numbers.
std::optional<double> parse_number(std::string_view text);

// A whole number as a script or kinelab-cli gives one: digits with an optional sign (full-width
// forms read as ASCII, as above), nothing else; none when it overflows.
std::optional<long long> parse_whole(std::string_view text);

// The text with those full-width forms and U+2212 replaced by ASCII; the rest unchanged.
std::string ascii_number_text(std::string_view text);

}  // namespace kinelab
