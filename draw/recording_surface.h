#pragma once
// A surface that keeps what was drawn since the last Cls as a list of operations, so that the
// same picture can be replayed onto another surface (the Qt widget, the SVG writer) and tests
// can look at exactly what a routine drew.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "draw/surface.h"

namespace kinelab {

// Members ordered largest first, so that a long path's many lines take no padding.
struct draw_op {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // line ends; circle centre in x1, y1; text at x1, y1
  double radius = 0;
  std::string text;
  int colour = 0;
  int width = 1;  // pen width in pixels when drawn
  int style = 0;  // 0 solid, 2 dotted
  enum class kind : std::uint8_t { line, circle, text, rect } what = kind::line;
  rgb fill{0, 0, 0};  // rect: x1, y1 its corner, x2, y2 its width and height
};

class recording_surface : public surface {
 public:
  explicit recording_surface(double width_mm = default_surface_width_mm,
                             double height_mm = default_surface_height_mm);
  void Cls() override;
  void Line(double x1, double y1, double x2, double y2, int colour) override;
  void Circle(double x, double y, double radius, int colour) override;
  void DrawWidth(int pixels) override { width_ = pixels; }
  void DrawStyle(int style) override { style_ = style; }
  double ScaleWidth() const override { return width_mm_; }
  double ScaleHeight() const override { return height_mm_; }
  using surface::Print;
  void Print(const std::string& text) override;
  void MoveTo(double x, double y) override;
  void FillRect(double x, double y, double width, double height, rgb colour) override;
  void reserve(std::size_t more_ops) override;

  // The GUI sets the size of the widget it shows this surface in.
  void resize(double width_mm, double height_mm);
  const std::vector<draw_op>& ops() const { return ops_; }
  // Draws the recorded operations onto `target` (after its Cls), in order.
  void replay(surface& target) const;

 private:
  double width_mm_, height_mm_;
  int width_ = 1, style_ = 0;
  double cursor_x_ = 0, cursor_y_ = 0;
  std::vector<draw_op> ops_;
};

}  // namespace kinelab
