#include "draw/recording_surface.h"

#include <algorithm>
#include <cmath>

namespace kinelab {

namespace {

bool all_finite(double a, double b, double c = 0, double d = 0) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

}  // namespace

recording_surface::recording_surface(double width_mm, double height_mm)
    : width_mm_(width_mm), height_mm_(height_mm) {}

void recording_surface::Cls() {
  ops_.clear();
  cursor_x_ = 0;
  cursor_y_ = 0;
}

void recording_surface::Line(double x1, double y1, double x2, double y2, int colour) {
  // Non-finite ends are dropped, and the cursor stays where it was, so that no NaN reaches the
  // recording or a later label position.
  if (!all_finite(x1, y1, x2, y2)) return;
  draw_op op;
  op.what = draw_op::kind::line;
  op.x1 = x1;
  op.y1 = y1;
  op.x2 = x2;
  op.y2 = y2;
  op.colour = colour;
  op.width = width_;
  op.style = style_;
  ops_.push_back(op);
  cursor_x_ = x2;
  cursor_y_ = y2;
}

void recording_surface::Circle(double x, double y, double radius, int colour) {
  if (!all_finite(x, y, radius)) return;
  draw_op op;
  op.what = draw_op::kind::circle;
  op.x1 = x;
  op.y1 = y;
  op.radius = radius;
  op.colour = colour;
  op.width = width_;
  op.style = style_;
  ops_.push_back(op);
}

void recording_surface::Print(const std::string& text) {
  draw_op op;
  op.what = draw_op::kind::text;
  op.x1 = cursor_x_;
  op.y1 = cursor_y_;
  op.width = width_;
  op.style = style_;
  op.text = text;
  ops_.push_back(op);
}

void recording_surface::MoveTo(double x, double y) {
  if (!all_finite(x, y)) return;
  cursor_x_ = x;
  cursor_y_ = y;
}

void recording_surface::FillRect(double x, double y, double width, double height, rgb colour) {
  if (!all_finite(x, y, width, height)) return;
  draw_op op;
  op.what = draw_op::kind::rect;
  op.x1 = x;
  op.y1 = y;
  op.x2 = width;
  op.y2 = height;
  op.fill = colour;
  op.width = width_;
  op.style = style_;
  ops_.push_back(op);
}

void recording_surface::reserve(std::size_t more_ops) {
  // At least doubling, so that many small hints cannot each move the whole list.
  if (ops_.size() + more_ops > ops_.capacity())
    ops_.reserve(std::max(ops_.size() + more_ops, 2 * ops_.capacity()));
}

void recording_surface::resize(double width_mm, double height_mm) {
  width_mm_ = width_mm;
  height_mm_ = height_mm;
}

void recording_surface::replay(surface& target) const {
  target.Cls();
  target.reserve(ops_.size());
  for (const draw_op& op : ops_) {
    target.DrawWidth(op.width);
    target.DrawStyle(op.style);
    switch (op.what) {
      case draw_op::kind::line:
        target.Line(op.x1, op.y1, op.x2, op.y2, op.colour);
        break;
      case draw_op::kind::circle:
        target.Circle(op.x1, op.y1, op.radius, op.colour);
        break;
      case draw_op::kind::text:
        target.MoveTo(op.x1, op.y1);
        target.Print(op.text);
        break;
      case draw_op::kind::rect:
        target.FillRect(op.x1, op.y1, op.x2, op.y2, op.fill);
        break;
    }
  }
  // Leave the target's pen and cursor as this surface's, so drawing may continue on either.
  target.DrawWidth(width_);
  target.DrawStyle(style_);
  target.MoveTo(cursor_x_, cursor_y_);
}

}  // namespace kinelab
