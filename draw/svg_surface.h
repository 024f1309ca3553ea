#pragma once
// A surface that writes SVG, in millimetres, for export of a window's picture.
#include <string>

#include "draw/surface.h"

namespace kinelab {

class svg_surface : public surface {
 public:
  explicit svg_surface(double width_mm = default_surface_width_mm,
                       double height_mm = default_surface_height_mm);
  void Cls() override;
  void Line(double x1, double y1, double x2, double y2, int colour) override;
  void Circle(double x, double y, double radius, int colour) override;
  void DrawWidth(int pixels) override;
  void DrawStyle(int style) override;
  double ScaleWidth() const override { return width_mm_; }
  double ScaleHeight() const override { return height_mm_; }
  using surface::Print;
  void Print(const std::string& text) override;
  void MoveTo(double x, double y) override;
  void FillRect(double x, double y, double width, double height, rgb colour) override;

  std::string document() const;  // the complete SVG file

 private:
  double width_mm_, height_mm_;
  int width_ = 1, style_ = 0;
  double cursor_x_ = 0, cursor_y_ = 0;
  std::string body_;
};

}  // namespace kinelab
