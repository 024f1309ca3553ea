#include "gui/start_pictures.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <array>
#include <cmath>

#include "core/angles.h"
#include "core/posture.h"
#include "draw/view.h"
#include "gui/qpainter_surface.h"

namespace kinelab {

namespace {

constexpr double mm_per_inch = 25.4;

struct point3 {
  double x, y, z;
};

// One unit: a lower and an upper triangular plate of circumradius `plate_radius`, joined by
// three legs, each bent at a knee that stands out from the unit's axis.
constexpr int unit_count = 4;
constexpr double plate_radius = 1.0;
constexpr double unit_height = 1.1;
constexpr double knee_radius = 1.45;
constexpr double twist_per_unit = 25.0;  // degrees: each plate turned against the one below
constexpr double bend_per_unit = 7.0;    // degrees: the spine leans a little more per unit

// Plate k of the stack (k = 0 at the base): centre and vertex j in world coordinates. The
// spine bends about the world y axis so the stack curves slightly, like a lifted neck.
point3 plate_vertex(int k, int j, double radius) {
  const double bend = rad(bend_per_unit * k);
  const double twist = rad(twist_per_unit * k + 120.0 * j + 90.0);
  // Centre of plate k along an arc; the plate is turned with the arc's tangent.
  double cx = 0, cz = 0;
  for (int i = 0; i < k; ++i) {
    const double b = rad(bend_per_unit * (i + 0.5));
    cx += unit_height * std::sin(b);
    cz += unit_height * std::cos(b);
  }
  const double lx = radius * std::cos(twist), ly = radius * std::sin(twist);
  return {cx + lx * std::cos(bend), ly, cz - lx * std::sin(bend)};
}

}  // namespace

void draw_stacked_units(surface& sf) {
  sf.Cls();
  const mat3 V = rotation_matrix(rad(-70), 0, rad(20));
  // Scale from the stack's height so the picture fills the surface's shorter side.
  const double extent = unit_count * unit_height + 2 * knee_radius;
  const double s = std::min(sf.ScaleWidth(), sf.ScaleHeight() * 0.95) / extent * 1.25;
  const double shift = -0.42 * unit_count * unit_height * s;  // centre the stack vertically

  auto at = [&](const point3& p) {
    view_point v = project(V, s, p.x, p.y, p.z);
    v.w += shift;
    return v;
  };
  auto line = [&](const point3& a, const point3& b, int colour) {
    const view_point u = at(a), w = at(b);
    view_line(sf, u.u, u.w, w.u, w.w, colour);
  };

  sf.DrawWidth(2);
  for (int k = 0; k <= unit_count; ++k)
    for (int j = 0; j < 3; ++j)
      line(plate_vertex(k, j, plate_radius), plate_vertex(k, (j + 1) % 3, plate_radius), 1);

  sf.DrawWidth(1);
  for (int k = 0; k < unit_count; ++k)
    for (int j = 0; j < 3; ++j) {
      // The knee lies halfway up, turned half-way between the leg's two ends.
      const point3 lo = plate_vertex(k, j, plate_radius);
      const point3 hi = plate_vertex(k + 1, j, plate_radius);
      const point3 a = plate_vertex(k, j, knee_radius), b = plate_vertex(k + 1, j, knee_radius);
      const point3 knee{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
      line(lo, knee, 4);
      line(knee, hi, 4);
      const view_point kv = at(knee);
      view_dot(sf, kv.u, kv.w, 0);
    }

  // The spine through the plate centres, dotted like the windows' axes.
  sf.DrawStyle(2);
  for (int k = 0; k < unit_count; ++k) {
    const point3 a = plate_vertex(k, 0, 0), b = plate_vertex(k + 1, 0, 0);
    line(a, b, 2);
  }
  sf.DrawStyle(0);
}

stacked_units_picture::stacked_units_picture(QWidget* parent) : QWidget(parent) {
  setObjectName("stacked_units_picture");
  setFixedSize(static_cast<int>(std::lround(62 * logicalDpiX() / mm_per_inch)),
               static_cast<int>(std::lround(84 * logicalDpiY() / mm_per_inch)));
}

void stacked_units_picture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  qpainter_surface sf(painter, width(), height(), logicalDpiX(), logicalDpiY());
  sf.set_background(QColor(250, 250, 244));
  draw_stacked_units(sf);
  painter.setPen(QColor(150, 150, 150));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

banner_picture::banner_picture(QWidget* parent) : QWidget(parent) {
  setObjectName("banner_picture");
  setFixedSize(static_cast<int>(std::lround(96 * logicalDpiX() / mm_per_inch)),
               static_cast<int>(std::lround(24 * logicalDpiY() / mm_per_inch)));
}

void banner_picture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  QLinearGradient sky(0, 0, width(), height());
  sky.setColorAt(0, QColor(20, 40, 110));
  sky.setColorAt(1, QColor(60, 120, 190));
  p.fillRect(rect(), sky);

  // A three-link arm silhouette at the right: the serial chains the program also studies.
  const double u = height() / 10.0;
  const QPointF base(width() - 3 * u, height() - 1.2 * u);
  const QPointF j1(base.x(), base.y() - 3 * u);
  const QPointF j2(j1.x() - 3.2 * u, j1.y() - 2.4 * u);
  const QPointF tip(j2.x() - 2.6 * u, j2.y() + 1.6 * u);
  p.setPen(QPen(QColor(255, 210, 80), u * 0.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(base, j1);
  p.drawLine(j1, j2);
  p.drawLine(j2, tip);
  p.setBrush(QColor(255, 255, 255));
  p.setPen(Qt::NoPen);
  for (const QPointF& c : {base, j1, j2}) p.drawEllipse(c, u * 0.55, u * 0.55);

  QFont title = japanese_font();
  title.setPixelSize(static_cast<int>(height() * 0.42));
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(u * 1.5, 0, width(), height() * 0.62), Qt::AlignLeft | Qt::AlignBottom,
             QStringLiteral("kinelab"));
  QFont sub = japanese_font();
  sub.setPixelSize(static_cast<int>(height() * 0.16));
  p.setFont(sub);
  p.drawText(
      QRectF(u * 1.6, height() * 0.64, width(), height() * 0.3), Qt::AlignLeft | Qt::AlignTop,
      QCoreApplication::translate("kinelab::banner_picture", "kinematics of spatial mechanisms"));
}

}  // namespace kinelab
