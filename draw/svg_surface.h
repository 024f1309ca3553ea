#pragma once
// A surface that writes SVG, in millimetres, for export of a window's picture.
#include <functional>
#include <string>
#include <string_view>

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

  // Hands the document to `out` in blocks of about 64 kB as it is drawn, instead of keeping it
  // whole; finish() hands over the rest. What has gone out stays: a Cls after the first block
  // starts nothing over, so stream a picture drawn from a cleared surface (a replay).
  void stream_to(std::function<void(std::string_view)> out) { out_ = std::move(out); }
  void finish();

 private:
  std::string head() const;
  void spill();

  double width_mm_, height_mm_;
  int width_ = 1, style_ = 0;
  double cursor_x_ = 0, cursor_y_ = 0;
  std::string body_;
  std::function<void(std::string_view)> out_;
  bool head_sent_ = false;
};

}  // namespace kinelab
