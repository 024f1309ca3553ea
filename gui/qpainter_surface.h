#pragma once
// The drawing surface on a QPainter: millimetres are turned into device pixels through the
// device's logical DPI (px = mm·dpi/25.4), so a picture keeps its physical size on any screen.
#include <QFont>
#include <QPainter>
#include <string>

#include "draw/surface.h"

namespace kinelab {

// The font printed labels and the windows use; a CJK family so that Japanese text renders,
// with Qt's fallback for anything it lacks.
QFont japanese_font(int point_size = 9);

class qpainter_surface : public surface {
 public:
  // Draws on `painter` over an area of width_px × height_px device pixels at the given DPI.
  qpainter_surface(QPainter& painter, double width_px, double height_px, double dpi_x,
                   double dpi_y);

  void Cls() override;
  void Line(double x1, double y1, double x2, double y2, int colour) override;
  void Circle(double x, double y, double radius, int colour) override;
  void DrawWidth(int pixels) override;
  void DrawStyle(int style) override;
  double ScaleWidth() const override;
  double ScaleHeight() const override;
  using surface::Print;
  void Print(const std::string& text) override;
  void MoveTo(double x, double y) override;
  void FillRect(double x, double y, double width, double height, rgb colour) override;

  // Colour that Cls fills the area with (white unless changed).
  void set_background(const QColor& c) { background_ = c; }

 private:
  QPointF to_px(double x_mm, double y_mm) const;
  QPen pen(int colour) const;

  QPainter& painter_;
  double width_px_, height_px_;
  double px_per_mm_x_, px_per_mm_y_;
  int width_ = 1, style_ = 0;
  double cursor_x_ = 0, cursor_y_ = 0;  // mm
  QColor background_ = Qt::white;
};

}  // namespace kinelab
