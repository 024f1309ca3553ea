#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <string>
#include <utility>

#include "app/window/settings.h"
#include "app/window/sim_window.h"
#include "core/number_text.h"
#include "gui/form_setting.h"
#include "gui/start_menu.h"
#include "gui/window_widget.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

// Each test gets its own start window (which resets N and T) and leaves no window behind.
class gui_test : public ::testing::Test {
 protected:
  void SetUp() override {
    start = std::make_unique<start_menu>();
    start->show();
  }
  void TearDown() override {
    start.reset();
    // Windows closed above are deleted by the event loop; let it do so now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  window_widget* open_by_menu(const char* item) {
    QAction* action = start->findChild<QAction*>(item);
    if (!action) return nullptr;
    const auto before = start->open_windows();
    action->trigger();
    const auto after = start->open_windows();
    return after.empty() ? nullptr : after.back();
  }

  static double number_in(const QLineEdit* field) {
    const auto v = parse_number(field->text().toStdString());
    return v ? *v : std::nan("");
  }

  std::unique_ptr<start_menu> start;
};

#define ASSERT_REGISTERED(name) \
  ASSERT_NE(find_window(name), nullptr) << name << " is not in the window registry"

TEST_F(gui_test, MenuItemsAreEnabledExactlyForRegisteredWindows) {
  int items = 0;
  for (const submenu_decl& sub : mechanism_menus())
    for (const menu_item_decl& item : sub.items) {
      ++items;
      QAction* a = start->findChild<QAction*>(item.item);
      ASSERT_NE(a, nullptr) << item.item;
      EXPECT_EQ(a->text().toStdString(), item.caption);
      EXPECT_EQ(a->isEnabled(), find_window(item.window) != nullptr) << item.item;
    }
  EXPECT_EQ(items, 14);
  for (const menu_item_decl& item : test_menu_items()) {
    QAction* a = start->findChild<QAction*>(item.item);
    ASSERT_NE(a, nullptr) << item.item;
    EXPECT_EQ(a->isEnabled(), find_window(item.window) != nullptr) << item.item;
  }
}

TEST_F(gui_test, EverySelectionOpensAnIndependentSimulationWindow) {
  ASSERT_REGISTERED("form_3r_jun");
  window_widget* first = open_by_menu("jun3r");
  window_widget* second = open_by_menu("jun3r");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_NE(first, second);
  EXPECT_NE(&first->model(), &second->model());
  EXPECT_EQ(first->windowTitle().toStdString(), "3r_jun");
  EXPECT_TRUE(first->isVisible() && second->isVisible());

  // A text typed into one window stays out of the other.
  QLineEdit* stop1 = first->field("Text2", 1);
  ASSERT_NE(stop1, nullptr);
  stop1->selectAll();
  QTest::keyClicks(stop1, "35");
  EXPECT_EQ(first->model().ctl.text("Text2", 1), "35");
  EXPECT_EQ(second->model().ctl.text("Text2", 1), "20");
  EXPECT_EQ(second->field("Text2", 1)->text().toStdString(), "20");

  // "終了" closes every window at once.
  const QPointer<window_widget> closing[] = {first, second};
  start->findChild<QPushButton*>("Command1")->click();
  for (const auto& c : closing) EXPECT_TRUE(!c || !c->isVisible());
  EXPECT_TRUE(start->open_windows().empty());
  EXPECT_FALSE(start->isVisible());
}

// Opened beside the start window, a wide window would run off the screen's right edge; every
// window, however many are opened, stays within the screen.
TEST_F(gui_test, OpenedWindowsStayOnTheScreen) {
  const QRect room = start->screen()->availableGeometry();
  for (const submenu_decl& sub : mechanism_menus())
    for (const menu_item_decl& item : sub.items) {
      if (!find_window(item.window)) continue;
      window_widget* w = open_by_menu(item.item);
      ASSERT_NE(w, nullptr) << item.item;
      EXPECT_TRUE(room.contains(w->frameGeometry()))
          << item.item << " at " << w->x() << "," << w->y() << " size " << w->width() << "x"
          << w->height() << " on a screen of " << room.width() << "x" << room.height();
    }
}

TEST_F(gui_test, SettingsRejectBadDivisionsAndAcceptValidOnes) {
  struct bad_case {
    const char* T;
    const char* N;
  };
  const bad_case rejected[] = {{"1", "0"}, {"1", "2.5"}, {"1", "abc"}};
  form_setting* form = start->open_settings();
  ASSERT_NE(form, nullptr);
  for (const bad_case& c : rejected) {
    form->cycle_time()->setText(c.T);
    form->divisions()->setText(c.N);
    form->findChild<QPushButton*>("Command1")->click();
    EXPECT_TRUE(form->isVisible()) << "N \"" << c.N << "\" closed the window";
    EXPECT_FALSE(form->message()->text().isEmpty()) << "N \"" << c.N << "\" gave no message";
    EXPECT_EQ(start->settings().N, 50) << "N \"" << c.N << "\"";
    EXPECT_EQ(start->settings().T, 1) << "N \"" << c.N << "\"";
  }

  window_widget* opened_before = open_by_menu("jun3r");
  ASSERT_NE(opened_before, nullptr);
  form->cycle_time()->setText("2");
  form->divisions()->setText("100");
  form->findChild<QPushButton*>("Command1")->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(start->settings().N, 100);
  EXPECT_EQ(start->settings().T, 2);
  // Windows open already run with the new settings from their next Run on, later ones too.
  for (window_widget* w : {opened_before, open_by_menu("jun3r")}) {
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->model().settings.N, 100);
    EXPECT_EQ(w->model().settings.T, 2);
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  // The window is unloaded on closing: the next one shows the stored texts again.
  form_setting* again = start->open_settings();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->cycle_time()->text().toStdString(), "1");
  EXPECT_EQ(again->divisions()->text().toStdString(), "50");
  EXPECT_EQ(start->open_settings(), again);
}

TEST_F(gui_test, RunWritesResultAndAnimatesThePicture) {
  ASSERT_REGISTERED("form_3r_jun");
  window_widget* w = open_by_menu("jun3r");
  ASSERT_NE(w, nullptr);
  ASSERT_NE(w->picture(), nullptr);
  QFile::remove("result.dat");

  ASSERT_NE(w->button("run"), nullptr);
  w->button("run")->click();
  QFile result("result.dat");
  ASSERT_TRUE(result.open(QIODevice::ReadOnly)) << "Run wrote no result.dat";
  const int lines = static_cast<int>(result.readAll().count("\r\n"));
  EXPECT_EQ(lines, 52) << "header and rows 0..50";
  // The status line says so, in the program's language, with the time the Run took.
  EXPECT_TRUE(w->status_line()->text().startsWith("result.dat: 52 行、作業フォルダー（"))
      << w->status_line()->text().toStdString();
  EXPECT_TRUE(w->timer_running());

  // The picture holds the arm and its path: coloured pixels inside the frame.
  const QImage image = w->picture()->grab().toImage();
  int coloured = 0;
  for (int y = 1; y < image.height() - 1; ++y)
    for (int x = 1; x < image.width() - 1; ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() != c.green() || c.green() != c.blue()) ++coloured;
    }
  EXPECT_GT(coloured, 100) << "the picture after Run is blank";

  // The window's own 200 ms timer moves the time slider to step 1.
  QScrollBar* time = w->slider("HScroll1", 0);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->maximum(), 50);
  QSignalSpy synced(w, &window_widget::synced);
  ASSERT_TRUE(synced.wait(5000)) << "no timer tick";
  EXPECT_EQ(time->value(), 1);

  w->button("stop")->click();
  EXPECT_FALSE(w->timer_running());
}

// A long Run shows a busy cursor and, past its delay (here none), an application-modal
// progress bar that reaches N; the animation timer does not tick meanwhile, and both are gone
// when the Run ends.
TEST_F(gui_test, ALongRunShowsItsProgressAndBlocksTheWindow) {
  ASSERT_REGISTERED("form_3r_jun");
  form_setting* form = start->open_settings();
  form->divisions()->setText("2000");
  form->ok();
  window_widget* w = open_by_menu("jun3r");
  ASSERT_NE(w, nullptr);
  w->set_progress_delay_ms(0);
  QSignalSpy ticks(w, &window_widget::synced);
  int seen = 0, busy = 0, highest = 0;
  bool modal = false, timer_ran = false;
  auto& sim = dynamic_cast<sim_window&>(w->model());
  // The widget sets its progress handler for the Run; watch it from a timer that the Run's
  // own event processing fires.
  QTimer watch;
  watch.setInterval(0);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* p = w->findChild<QProgressDialog*>("run_progress")) {
      ++seen;
      modal = modal || p->windowModality() == Qt::ApplicationModal;
      highest = std::max(highest, p->value());
    }
    if (QApplication::overrideCursor()) ++busy;
    timer_ran = timer_ran || w->timer_running();
  });
  watch.start();
  w->button("run")->click();
  watch.stop();
  EXPECT_GT(seen, 0) << "no progress bar during the Run";
  EXPECT_TRUE(modal);
  EXPECT_GT(highest, 0);
  EXPECT_EQ(busy, seen) << "a moment without the busy cursor";
  EXPECT_FALSE(timer_ran);
  EXPECT_EQ(w->findChild<QProgressDialog*>("run_progress"), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(w->timer_running());
  EXPECT_FALSE(sim.run_progress) << "the handler outlives the Run";
  EXPECT_EQ(sim.N(), 2000);
}

TEST_F(gui_test, SlidersTextsAndPointerReachTheModel) {
  ASSERT_REGISTERED("form_3r_jun");
  window_widget* w = open_by_menu("jun3r");
  ASSERT_NE(w, nullptr);

  // The first joint slider at 3 writes 15° into the start field.
  QScrollBar* joint1 = w->slider("HScroll2", 0);
  ASSERT_NE(joint1, nullptr);
  EXPECT_EQ(joint1->minimum(), -18);
  EXPECT_EQ(joint1->maximum(), 18);
  joint1->setValue(3);
  EXPECT_EQ(w->field("Text2", 0)->text().toStdString(), "15");

  // A drag to the lower right turns the view by one degree about x and about y.
  QMouseEvent drag(QEvent::MouseMove, QPointF(40, 30), w->picture()->mapToGlobal(QPointF(40, 30)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w->picture(), &drag);
  const double one_degree_tolerance = 1e-9;  // deg(rad(1)) up to rounding of the π literal
  EXPECT_NEAR(number_in(w->field("Text3", 0)), 1, one_degree_tolerance);
  EXPECT_NEAR(number_in(w->field("Text3", 1)), 1, one_degree_tolerance);

  // The view angles, the pose and the step are computed: shown read-only in the window's
  // colour, and typing into them changes nothing.
  const QColor input_base = w->field("Text2", 0)->palette().color(QPalette::Base);
  EXPECT_FALSE(w->field("Text2", 0)->isReadOnly());
  for (const auto& [group, index] : {std::pair{"Text3", 1}, {"Text4", 0}, {"Text5", 0}}) {
    SCOPED_TRACE(std::string(group) + "(" + std::to_string(index) + ")");
    QLineEdit* readout = w->field(group, index);
    ASSERT_NE(readout, nullptr);
    EXPECT_TRUE(readout->isReadOnly());
    EXPECT_NE(readout->palette().color(QPalette::Base), input_base);
    const std::string before = w->model().ctl.text(group, index);
    readout->selectAll();
    QTest::keyClicks(readout, "7");
    EXPECT_EQ(w->model().ctl.text(group, index), before);
  }

  // A stop angle that is not a number is reported in red and its field marked; the window stays
  // usable, and the mark goes with the fault.
  QLineEdit* stop1 = w->field("Text2", 1);
  stop1->selectAll();
  QTest::keyClicks(stop1, "abc");
  w->button("run")->click();
  EXPECT_FALSE(w->status_line()->text().isEmpty());
  EXPECT_TRUE(w->model().status_is_error);
  EXPECT_TRUE(w->status_line()->styleSheet().contains("color"));
  EXPECT_NE(stop1->palette().color(QPalette::Base), input_base);
  EXPECT_EQ(w->field("Text2", 0)->palette().color(QPalette::Base), input_base);
  stop1->selectAll();
  QTest::keyClicks(stop1, "20");
  w->button("run")->click();
  EXPECT_FALSE(w->model().status_is_error) << w->model().status;
  EXPECT_EQ(stop1->palette().color(QPalette::Base), input_base);
}

TEST_F(gui_test, NewtonWindowReachesTheRootAndStaysSingle) {
  ASSERT_REGISTERED("test_newton");
  window_widget* w = open_by_menu("newton_lapson_t");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle().toStdString(), "newton");
  ASSERT_NE(w->button("Command1"), nullptr);
  w->button("Command1")->click();
  ASSERT_NE(w->field("Text1", 4), nullptr);
  EXPECT_TRUE(w->field("Text1", 4)->text().startsWith("0.876726215395"))
      << w->field("Text1", 4)->text().toStdString();

  // The menu brings the same window forward, with its results still shown.
  EXPECT_EQ(open_by_menu("newton_lapson_t"), w);
  EXPECT_EQ(start->open_windows().size(), 1u);
}

TEST_F(gui_test, ZahyouWindowShowsTheFirstRowOfT) {
  ASSERT_REGISTERED("test_zahyou");
  window_widget* w = open_by_menu("zahyou_t");
  ASSERT_NE(w, nullptr);
  w->button("Command1")->click();
  // Default posture α = 1, β = 0, γ = 1: cos 1, cos 1·sin 1, sin² 1 (six digits shown).
  const double expected[] = {0.540302, 0.454649, 0.708073};
  const double six_digits = 1e-6;
  for (int c = 0; c < 3; ++c) {
    QLineEdit* f = w->field("Text4", c);
    ASSERT_NE(f, nullptr) << "Text4(" << c << ")";
    EXPECT_NEAR(number_in(f), expected[c], six_digits) << "Text4(" << c << ")";
  }
}

}  // namespace
}  // namespace kinelab
