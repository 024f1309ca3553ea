#pragma once
// The drawing surface every window draws on. Units are millimetres, origin at the top-left of
// the drawable area, x to the right and y downwards. Colours are indices 0..15 into the standard
// 16-colour palette (0 black, 1 blue, 2 green, 3 cyan, 4 red, 5 magenta, 6 yellow, ...).
// Pen width is in device pixels (1 or 2); style 0 is solid, 2 dotted. After Line the text
// cursor stands at the line's end point, and Print writes there.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kinelab {

struct rgb {
  std::uint8_t r, g, b;
};
rgb palette_colour(int index);  // index taken modulo 16

inline constexpr double default_surface_width_mm = 157;
inline constexpr double default_surface_height_mm = 148;

class surface {
 public:
  virtual ~surface() = default;
  virtual void Cls() = 0;
  virtual void Line(double x1, double y1, double x2, double y2, int colour) = 0;
  virtual void Circle(double x, double y, double radius, int colour) = 0;
  virtual void DrawWidth(int pixels) = 0;
  virtual void DrawStyle(int style) = 0;
  virtual double ScaleWidth() const = 0;
  virtual double ScaleHeight() const = 0;
  virtual void Print(const std::string& text) = 0;  // at the text cursor
  // Places the text cursor without drawing, so a recorded label can be replayed where it was
  // printed.
  virtual void MoveTo(double x, double y) = 0;
  // A filled rectangle in any colour, without an outline; (x, y) is its top-left corner. For
  // pictures that need more than the palette (a colour scale).
  virtual void FillRect(double x, double y, double width, double height, rgb colour) = 0;
  void Print(double value);  // in the default number form; a non-finite value prints nothing
  // A hint that about `more_ops` lines follow (a long path), so that a surface that keeps what
  // is drawn can make room once.
  virtual void reserve(std::size_t more_ops) { (void)more_ops; }
};

}  // namespace kinelab
