#pragma once
// The start window's two pictures, drawn by the program: a wireframe of four stacked
// three-leg parallel units, and a banner with the application's title.
#include <QWidget>

#include "draw/surface.h"

namespace kinelab {

// Four three-leg units stacked into a spine, drawn with the 3-D view routines so that it looks
// like the mechanism windows' own wireframes. Fills the surface whatever its size.
void draw_stacked_units(surface& sf);

class stacked_units_picture : public QWidget {
  Q_OBJECT
 public:
  explicit stacked_units_picture(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;
};

class banner_picture : public QWidget {
  Q_OBJECT
 public:
  explicit banner_picture(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace kinelab
