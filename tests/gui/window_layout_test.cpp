// Every window of the registry, laid out by the generic widget: it opens at a size that fits a
// 1366 × 768 laptop screen (controls that do not fit scroll), shows its drawing surface at full
// size on a 1600 × 1000 screen, cuts nothing off, and its picture follows the window's size.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QScrollArea>
#include <QScrollBar>
#include <QTranslator>
#include <cmath>
#include <memory>
#include <string>

#include "app/window/sim_window.h"
#include "draw/surface.h"
#include "gui/form_setting.h"
#include "gui/language.h"
#include "gui/window_widget.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

const QSize laptop_screen(1366, 768);
const QSize large_screen(1600, 1000);
// What a usual desktop adds around a window: its borders, and a title bar above it.
constexpr int frame_width_px = 16;
constexpr int frame_height_px = 40;
constexpr double mm_per_inch = 25.4;

QRect rect_in(const QWidget& child, const QWidget& window) {
  return {child.mapTo(&window, QPoint(0, 0)), child.size()};
}

// Nothing is cut off: every visible widget outside the scrolling controls lies inside the
// window, and every one inside them lies inside the scrolled area.
void expect_nothing_cut_off(const QWidget& w) {
  const QScrollArea* area = w.findChild<QScrollArea*>("controls");
  const QWidget* content = area ? area->widget() : nullptr;
  for (const QWidget* child : w.findChildren<QWidget*>()) {
    if (!child->isVisibleTo(&w)) continue;
    const bool scrolled = content && content->isAncestorOf(child);
    const QWidget& frame = scrolled ? *content : w;
    const QRect r = rect_in(*child, frame);
    EXPECT_TRUE(frame.rect().contains(r))
        << child->metaObject()->className() << " \"" << child->objectName().toStdString()
        << "\" at " << r.x() << "," << r.y() << " size " << r.width() << "x" << r.height()
        << " outside " << (scrolled ? "the controls" : "the window") << " of " << frame.width()
        << "x" << frame.height();
  }
}

QSize default_picture_px(const QWidget& picture) {
  return {
      static_cast<int>(std::lround(default_surface_width_mm * picture.logicalDpiX() / mm_per_inch)),
      static_cast<int>(
          std::lround(default_surface_height_mm * picture.logicalDpiY() / mm_per_inch))};
}

TEST(window_layout_test, EveryWindowOpensWithinALaptopScreen) {
  for (const window_entry& entry : window_registry()) {
    SCOPED_TRACE(entry.name);
    window_widget w(entry.make(), nullptr, laptop_screen);
    w.show();
    EXPECT_LE(w.width() + frame_width_px, laptop_screen.width()) << "opened at " << w.width();
    EXPECT_LE(w.height() + frame_height_px, laptop_screen.height()) << "opened at " << w.height();
    EXPECT_LE(w.minimumSizeHint().width(), laptop_screen.width());
    EXPECT_LE(w.minimumSizeHint().height(), laptop_screen.height());
    expect_nothing_cut_off(w);

    // Every value shows whole at the window's own font size; the tooltip holds it as well.
    for (const QLineEdit* field : w.findChildren<QLineEdit*>()) {
      const std::string name = field->objectName().toStdString();
      EXPECT_EQ(field->toolTip(), field->text()) << name;
      EXPECT_EQ(field->font().pointSizeF(), w.font().pointSizeF()) << name;
      const int room = field->contentsRect().width();
      EXPECT_GE(room, QFontMetrics(field->font()).horizontalAdvance("-1.23456789012345E-308"))
          << name;
    }
    if (!w.picture()) continue;
    // The picture keeps most of its default width beside the controls.
    EXPECT_GE(w.picture()->width(), default_picture_px(*w.picture()).width() * 3 / 4);
  }
}

TEST(window_layout_test, EverySimulationWindowShowsItsFullPictureOnALargeScreen) {
  int windows = 0;
  for (const window_entry& entry : window_registry()) {
    if (!entry.simulation) continue;
    ++windows;
    SCOPED_TRACE(entry.name);
    window_widget w(entry.make(), nullptr, large_screen);
    w.show();
    EXPECT_LE(w.width() + frame_width_px, large_screen.width()) << "opened at " << w.width();
    EXPECT_LE(w.height() + frame_height_px, large_screen.height()) << "opened at " << w.height();
    picture_widget* picture = w.picture();
    ASSERT_NE(picture, nullptr);
    EXPECT_GE(picture->width(), default_picture_px(*picture).width());
    EXPECT_GE(picture->height(), default_picture_px(*picture).height());
    expect_nothing_cut_off(w);

    // The status line runs along the bottom, under the picture as well.
    const QRect status = rect_in(*w.status_line(), w);
    const QRect pic = rect_in(*picture, w);
    EXPECT_TRUE(w.status_line()->wordWrap());
    EXPECT_GE(status.top(), pic.bottom());
    EXPECT_GE(status.right(), pic.right());
  }
  EXPECT_GT(windows, 0) << "no simulation window in the registry";
}

// On a laptop screen the controls scroll only where the screen is short: a window narrower than
// the screen needs no scrolling across, one lower than the screen none up and down, and a window
// without a drawing surface (a function test, whose explanation runs across the top) none at
// all, in either language.
TEST(window_layout_test, ControlsScrollOnlyWhereTheScreenIsShort) {
  for (const ui_language lang : {ui_language::japanese, ui_language::english}) {
    const std::unique_ptr<QTranslator> translator(install_language(lang));
    ASSERT_NE(translator, nullptr);
    for (const window_entry& entry : window_registry()) {
      SCOPED_TRACE(entry.name + (lang == ui_language::english ? " in English" : " in Japanese"));
      window_widget w(entry.make(), nullptr, laptop_screen);
      w.show();
      QApplication::processEvents();
      const QScrollArea* area = w.findChild<QScrollArea*>("controls");
      ASSERT_NE(area, nullptr);
      if (w.width() + frame_width_px < laptop_screen.width() || !w.picture()) {
        EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0) << "window " << w.width() << " wide";
      }
      if (w.height() + frame_height_px < laptop_screen.height() || !w.picture()) {
        EXPECT_EQ(area->verticalScrollBar()->maximum(), 0) << "window " << w.height() << " high";
      }
    }
    QCoreApplication::removeTranslator(translator.get());
  }
  set_program_language(ui_language::japanese);
}

// A larger window gives a larger picture, drawn again at a scale that follows it: the model's
// surface takes the new size in millimetres and its drawing spans it.
TEST(window_layout_test, ResizingTheWindowRedrawsThePictureAtTheNewScale) {
  for (const char* name : {"form_3r_jun", "form_stewart_gyaku"}) {
    SCOPED_TRACE(name);
    const window_entry* entry = find_window(name);
    ASSERT_NE(entry, nullptr) << name;
    window_widget w(entry->make(), nullptr, laptop_screen);
    w.show();
    auto& sim = dynamic_cast<sim_window&>(w.model());
    auto extent = [&] {  // the width of the lines drawn, in mm
      double lo = 1e300, hi = -1e300;
      for (const draw_op& op : sim.picture()->ops())
        if (op.what == draw_op::kind::line)
          lo = std::min({lo, op.x1, op.x2}), hi = std::max({hi, op.x1, op.x2});
      return hi - lo;
    };
    const double scale_before = sim.draw_scale, extent_before = extent();
    const double width_before = sim.picture()->ScaleWidth();
    const double side_before = std::min(width_before, sim.picture()->ScaleHeight());
    EXPECT_NEAR(width_before, w.picture()->width_mm(), 1e-9);

    w.resize(w.width() + 300, w.height() + 200);
    QApplication::processEvents();
    const double width_after = sim.picture()->ScaleWidth();
    EXPECT_NEAR(width_after, w.picture()->width_mm(), 1e-9);
    EXPECT_NEAR(sim.picture()->ScaleHeight(), w.picture()->height_mm(), 1e-9);
    EXPECT_GT(width_after, width_before + 10);
    // The 3R arm is scaled by the shorter side, the Stewart platform by the width alone.
    const double side_after = std::min(width_after, sim.picture()->ScaleHeight());
    const double ratio =
        std::string(name) == "form_3r_jun" ? side_after / side_before : width_after / width_before;
    EXPECT_GT(ratio, 1.05);
    EXPECT_NEAR(sim.draw_scale / scale_before, ratio, 1e-9);
    // Drawn again at that scale.
    EXPECT_NEAR(extent() / extent_before, ratio, 1e-6);
  }
}

// A message of the settings window that wraps is shown whole: the window grows with it.
TEST(window_layout_test, SettingsMessagesAreShownWhole) {
  run_settings target;
  form_setting form(target);
  form.show();
  for (const char* text :
       {"abc", "1e-9", "-1", "a text far too long to be a cycle time, typed in by mistake"}) {
    form.cycle_time()->setText(text);
    form.ok();
    QApplication::processEvents();
    QLabel* message = form.message();
    ASSERT_FALSE(message->text().isEmpty()) << text;
    EXPECT_GE(message->height(), message->heightForWidth(message->width())) << text;
    EXPECT_TRUE(form.rect().contains(rect_in(*message, form))) << text;
  }
}

// Filling the function-test windows' fields moves no button: a second click lands on it.
TEST(window_layout_test, FunctionTestButtonsStayWhereTheyAre) {
  for (const char* name : {"test_zahyou", "test_kakudo", "test_newton"}) {
    SCOPED_TRACE(name);
    const window_entry* entry = find_window(name);
    ASSERT_NE(entry, nullptr) << name;
    window_widget w(entry->make(), nullptr, laptop_screen);
    w.show();
    QApplication::processEvents();
    std::vector<std::pair<QPushButton*, QRect>> before;
    for (QPushButton* b : w.findChildren<QPushButton*>()) before.push_back({b, rect_in(*b, w)});
    ASSERT_FALSE(before.empty());
    for (const auto& [button, place] : before) {
      button->click();
      QApplication::processEvents();
      for (const auto& [other, other_place] : before)
        EXPECT_EQ(rect_in(*other, w), other_place)
            << other->objectName().toStdString() << " moved after "
            << button->objectName().toStdString();
    }
  }
}

}  // namespace
}  // namespace kinelab
