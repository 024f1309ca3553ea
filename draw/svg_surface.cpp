#include "draw/svg_surface.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kinelab {

namespace {

// 96 device pixels to the inch: one pen pixel is 25.4/96 mm.
constexpr double mm_per_pixel = 0.2646;
constexpr double label_font_mm = 3;

// Millimetres to three decimals, trailing zeros dropped. to_chars ignores the C locale, which
// a GUI toolkit may have switched to one with a decimal comma.
std::string mm(double v) {
  // Room for the fixed form of the largest double (309 digits), so that no finite value is
  // replaced by "0".
  char buf[320];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
  if (ec != std::errc{}) return "0";
  std::string s(buf, end);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string hex_colour(rgb c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
  return buf;
}

std::string hex_colour(int index) {
  return hex_colour(palette_colour(index));
}

std::string xml_escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

// The stroke attributes shared by lines and circles: colour, pen width and, for the dotted
// style, dots one pen wide with gaps twice that.
std::string stroke(int colour, int width, int style) {
  const double w = (width < 1 ? 1 : width) * mm_per_pixel;
  std::string s = " stroke=\"" + hex_colour(colour) + "\" stroke-width=\"" + mm(w) + "\"";
  if (style == 2) s += " stroke-dasharray=\"" + mm(w) + " " + mm(2 * w) + "\"";
  return s;
}

bool all_finite(double a, double b, double c = 0, double d = 0) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

}  // namespace

svg_surface::svg_surface(double width_mm, double height_mm)
    : width_mm_(width_mm), height_mm_(height_mm) {}

void svg_surface::Cls() {
  body_.clear();
  cursor_x_ = 0;
  cursor_y_ = 0;
}

void svg_surface::DrawWidth(int pixels) {
  width_ = pixels;
}
void svg_surface::DrawStyle(int style) {
  style_ = style;
}

void svg_surface::Line(double x1, double y1, double x2, double y2, int colour) {
  if (!all_finite(x1, y1, x2, y2)) return;
  body_ += "<line x1=\"" + mm(x1) + "\" y1=\"" + mm(y1) + "\" x2=\"" + mm(x2) + "\" y2=\"" +
           mm(y2) + "\"" + stroke(colour, width_, style_) + "/>\n";
  cursor_x_ = x2;
  cursor_y_ = y2;
  spill();
}

void svg_surface::Circle(double x, double y, double radius, int colour) {
  if (!all_finite(x, y, radius)) return;
  body_ += "<circle cx=\"" + mm(x) + "\" cy=\"" + mm(y) + "\" r=\"" + mm(std::fabs(radius)) +
           "\" fill=\"none\"" + stroke(colour, width_, style_) + "/>\n";
  spill();
}

void svg_surface::FillRect(double x, double y, double width, double height, rgb colour) {
  if (!all_finite(x, y, width, height)) return;
  body_ += "<rect x=\"" + mm(std::min(x, x + width)) + "\" y=\"" + mm(std::min(y, y + height)) +
           "\" width=\"" + mm(std::fabs(width)) + "\" height=\"" + mm(std::fabs(height)) +
           "\" fill=\"" + hex_colour(colour) +
           "\" stroke=\"none\" shape-rendering=\"crispEdges\"/>\n";
  spill();
}

void svg_surface::Print(const std::string& text) {
  // The cursor is the top-left corner of the text, so the baseline sits one font height lower
  // (less the descent).
  body_ += "<text x=\"" + mm(cursor_x_) + "\" y=\"" + mm(cursor_y_ + 0.8 * label_font_mm) +
           "\" font-family=\"sans-serif\" font-size=\"" + mm(label_font_mm) + "\">" +
           xml_escape(text) + "</text>\n";
  spill();
}

void svg_surface::MoveTo(double x, double y) {
  if (!all_finite(x, y)) return;
  cursor_x_ = x;
  cursor_y_ = y;
}

std::string svg_surface::head() const {
  const std::string w = mm(width_mm_), h = mm(height_mm_);
  std::string doc = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "mm\" height=\"" +
                    h + "mm\" viewBox=\"0 0 " + w + " " + h + "\">\n";
  doc += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#ffffff\"/>\n";
  return doc;
}

std::string svg_surface::document() const {
  return head() + body_ + "</svg>\n";
}

void svg_surface::spill() {
  constexpr std::size_t block = 1 << 16;
  if (!out_ || body_.size() < block) return;
  if (!head_sent_) out_(head());
  head_sent_ = true;
  out_(body_);
  body_.clear();
}

void svg_surface::finish() {
  if (!out_) return;
  if (!head_sent_) out_(head());
  head_sent_ = true;
  body_ += "</svg>\n";
  out_(body_);
  body_.clear();
}

}  // namespace kinelab
