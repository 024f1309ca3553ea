// Every simulation window of the registry, laid out by the generic widget at its default size:
// it must fit a 1600 × 1000 screen, show its drawing surface at full size and cut nothing off.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRect>
#include <cmath>
#include <string>

#include "draw/surface.h"
#include "gui/window_widget.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

constexpr int screen_width_px = 1600;
constexpr int screen_height_px = 1000;
// What a usual desktop adds around a window: its borders, and a title bar above it.
constexpr int frame_width_px = 16;
constexpr int frame_height_px = 40;
constexpr double mm_per_inch = 25.4;

QRect rect_in(const QWidget& child, const QWidget& window) {
  return {child.mapTo(&window, QPoint(0, 0)), child.size()};
}

TEST(window_layout_test, EverySimulationWindowFitsTheScreenWithItsFullPicture) {
  int windows = 0;
  for (const window_entry& entry : window_registry()) {
    if (!entry.simulation) continue;
    ++windows;
    SCOPED_TRACE(entry.name);
    window_widget w(entry.make());
    w.show();

    const QSize hint = w.sizeHint();
    EXPECT_LE(hint.width() + frame_width_px, screen_width_px) << "size hint " << hint.width();
    EXPECT_LE(hint.height() + frame_height_px, screen_height_px) << "size hint " << hint.height();
    EXPECT_LE(w.width() + frame_width_px, screen_width_px) << "opened at " << w.width();
    EXPECT_LE(w.height() + frame_height_px, screen_height_px) << "opened at " << w.height();

    // The drawing surface keeps its physical size: 157 × 148 mm at the screen's dpi.
    picture_widget* picture = w.picture();
    ASSERT_NE(picture, nullptr);
    const int expected_w = static_cast<int>(
        std::lround(default_surface_width_mm * picture->logicalDpiX() / mm_per_inch));
    const int expected_h = static_cast<int>(
        std::lround(default_surface_height_mm * picture->logicalDpiY() / mm_per_inch));
    EXPECT_EQ(picture->width(), expected_w);
    EXPECT_EQ(picture->height(), expected_h);

    // Nothing is cut off: every visible control lies inside the window.
    for (const QWidget* child : w.findChildren<QWidget*>()) {
      if (!child->isVisibleTo(&w)) continue;
      const QRect r = rect_in(*child, w);
      EXPECT_TRUE(w.rect().contains(r))
          << child->metaObject()->className() << " \"" << child->objectName().toStdString()
          << "\" at " << r.x() << "," << r.y() << " size " << r.width() << "x" << r.height()
          << " outside the window of " << w.width() << "x" << w.height();
    }

    // The status line runs along the bottom, under the picture as well.
    const QRect status = rect_in(*w.status_line(), w);
    const QRect pic = rect_in(*picture, w);
    EXPECT_TRUE(w.status_line()->wordWrap());
    EXPECT_GE(status.top(), pic.bottom());
    EXPECT_GE(status.right(), pic.right());

    // Fields are narrower than long values: each shows its text from the start and carries
    // the whole of it in its tooltip.
    for (const QLineEdit* field : w.findChildren<QLineEdit*>()) {
      EXPECT_EQ(field->toolTip(), field->text()) << field->objectName().toStdString();
      EXPECT_EQ(field->cursorPosition(), 0) << field->objectName().toStdString();
    }
  }
  EXPECT_GT(windows, 0) << "no simulation window in the registry";
}

}  // namespace
}  // namespace kinelab
