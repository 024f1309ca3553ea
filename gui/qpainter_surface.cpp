#include "gui/qpainter_surface.h"

#include <QFontMetricsF>
#include <QString>
#include <algorithm>
#include <cmath>

namespace kinelab {

namespace {

constexpr double mm_per_inch = 25.4;

bool finite(double a, double b, double c = 0, double d = 0) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

}  // namespace

QFont japanese_font(int point_size) {
  QFont f;
  f.setFamilies({"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic", "VL Gothic", "Sans Serif"});
  f.setPointSize(point_size);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

qpainter_surface::qpainter_surface(QPainter& painter, double width_px, double height_px,
                                   double dpi_x, double dpi_y)
    : painter_(painter),
      width_px_(width_px),
      height_px_(height_px),
      px_per_mm_x_(dpi_x / mm_per_inch),
      px_per_mm_y_(dpi_y / mm_per_inch) {
  painter_.setRenderHint(QPainter::Antialiasing, true);
  painter_.setFont(japanese_font());
}

QPointF qpainter_surface::to_px(double x_mm, double y_mm) const {
  return {x_mm * px_per_mm_x_, y_mm * px_per_mm_y_};
}

QPen qpainter_surface::pen(int colour) const {
  const rgb c = palette_colour(colour);
  // A pen width of 0 would be Qt's cosmetic one-pixel pen; keep the stated pixel widths.
  QPen p(QColor(c.r, c.g, c.b), std::max(1, width_));
  p.setStyle(style_ == 2 ? Qt::DotLine : Qt::SolidLine);
  p.setCapStyle(Qt::FlatCap);
  return p;
}

void qpainter_surface::Cls() {
  painter_.fillRect(QRectF(0, 0, width_px_, height_px_), background_);
  cursor_x_ = 0;
  cursor_y_ = 0;
}

void qpainter_surface::Line(double x1, double y1, double x2, double y2, int colour) {
  if (!finite(x1, y1, x2, y2)) return;
  painter_.setPen(pen(colour));
  painter_.drawLine(to_px(x1, y1), to_px(x2, y2));
  cursor_x_ = x2;
  cursor_y_ = y2;
}

void qpainter_surface::Circle(double x, double y, double radius, int colour) {
  if (!finite(x, y, radius)) return;
  painter_.setPen(pen(colour));
  painter_.setBrush(Qt::NoBrush);
  painter_.drawEllipse(to_px(x, y), radius * px_per_mm_x_, radius * px_per_mm_y_);
}

void qpainter_surface::FillRect(double x, double y, double width, double height, rgb colour) {
  if (!finite(x, y, width, height)) return;
  // Snapped to whole pixels: neighbouring cells of a shaded map leave no antialiased seam.
  const bool smooth = painter_.testRenderHint(QPainter::Antialiasing);
  painter_.setRenderHint(QPainter::Antialiasing, false);
  // Corners rounded to pixels one by one, so that cells sharing an edge share its pixel.
  const QPointF a = to_px(x, y), b = to_px(x + width, y + height);
  const int left = static_cast<int>(std::lround(std::min(a.x(), b.x())));
  const int right = static_cast<int>(std::lround(std::max(a.x(), b.x())));
  const int top = static_cast<int>(std::lround(std::min(a.y(), b.y())));
  const int bottom = static_cast<int>(std::lround(std::max(a.y(), b.y())));
  painter_.fillRect(QRect(left, top, right - left, bottom - top),
                    QColor(colour.r, colour.g, colour.b));
  painter_.setRenderHint(QPainter::Antialiasing, smooth);
}

void qpainter_surface::DrawWidth(int pixels) {
  width_ = pixels;
}
void qpainter_surface::DrawStyle(int style) {
  style_ = style;
}

double qpainter_surface::ScaleWidth() const {
  return width_px_ / px_per_mm_x_;
}
double qpainter_surface::ScaleHeight() const {
  return height_px_ / px_per_mm_y_;
}

void qpainter_surface::Print(const std::string& text) {
  // The cursor is the top-left corner of the text, as for a label printed after a line.
  const QFontMetricsF metrics(painter_.font());
  const QPointF at = to_px(cursor_x_, cursor_y_);
  painter_.setPen(pen(0));
  painter_.drawText(QPointF(at.x(), at.y() + metrics.ascent()), QString::fromStdString(text));
}

void qpainter_surface::MoveTo(double x, double y) {
  if (!finite(x, y)) return;
  cursor_x_ = x;
  cursor_y_ = y;
}

}  // namespace kinelab
