// 作業領域 in the tools row: the atlas in the picture, redrawn as the pose sliders move, ended
// by the window's own buttons.
#include "gui/workspace_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <memory>

#include "app/window/sim_window.h"
#include "gui/sim_tools.h"
#include "gui/window_widget.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

class workspace_panel_test : public ::testing::Test {
 protected:
  void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

bool shows_atlas(window_widget& w) {
  for (const draw_op& op : w.model().picture()->ops())
    if (op.what == draw_op::kind::text && op.text.rfind("作業領域", 0) == 0) return true;
  return false;
}

TEST_F(workspace_panel_test, follows_the_pose_sliders_and_ends_with_a_run) {
  window_widget w(find_window("form_stewart_gyaku")->make());
  w.show();
  sim_window& sim = dynamic_cast<sim_window&>(w.model());
  w.button("run")->click();
  ASSERT_TRUE(w.timer_running());

  QAction* workspace = w.tools()->findChild<QAction*>("workspace");
  ASSERT_NE(workspace, nullptr);
  EXPECT_EQ(workspace->text().toStdString(), "作業領域");
  workspace->trigger();
  workspace_panel* panel = w.tools()->workspace();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(workspace->isChecked());
  EXPECT_FALSE(w.timer_running());  // the animation stops, as for the diagnostics
  EXPECT_TRUE(shows_atlas(w));
  EXPECT_TRUE(w.status_line()->text().startsWith("到達できる面積")) << sim.status;
  ASSERT_TRUE(panel->source());
  EXPECT_EQ(panel->source()->pose[2], 1.5);
  EXPECT_EQ(panel->findChild<QTableWidget*>("workspace_limits")->rowCount(), 6);

  // The height slider moves the slice with the pose.
  w.slider_moved("HScroll1", 2, 20);
  EXPECT_TRUE(shows_atlas(w));
  EXPECT_EQ(panel->source()->pose[2], 2.0);
  EXPECT_EQ(panel->grid()->w0, 2.0);
  // So does the plane.
  panel->findChild<QComboBox*>("workspace_plane")->setCurrentText("xz");
  EXPECT_EQ(panel->grid()->plane, atlas_plane::xz);
  EXPECT_TRUE(shows_atlas(w));

  // An edited limit that admits nothing says so.
  QTableWidget* limits = panel->findChild<QTableWidget*>("workspace_limits");
  limits->item(0, 1)->setText("0");
  limits->item(0, 2)->setText("0.1");
  EXPECT_TRUE(w.status_line()->text().startsWith("この制限では"))
      << w.status_line()->text().toStdString();
  panel->findChild<QPushButton*>("workspace_default_limits")->click();
  EXPECT_TRUE(w.status_line()->text().startsWith("到達できる面積"));

  // Run takes the picture back for its animation.
  w.button("run")->click();
  EXPECT_EQ(w.tools()->workspace(), nullptr);
  EXPECT_FALSE(workspace->isChecked());
  EXPECT_TRUE(w.timer_running());
  EXPECT_FALSE(shows_atlas(w));
}

// On a laptop screen the panel stands beside the picture inside the window: it covers neither
// the picture (with the atlas's y axis) nor the controls, shows every limit row and its whole
// title; closed, it gives the controls their width back.
TEST_F(workspace_panel_test, stands_beside_the_picture_with_every_limit_row) {
  for (const char* name : {"form_stewart_gyaku", "form_6r_gyaku", "Form_orvak4_jun"}) {
    SCOPED_TRACE(name);
    window_widget w(find_window(name)->make(), nullptr, QSize(1366, 768));
    w.show();
    QWidget* controls = w.findChild<QWidget*>("controls_column");
    ASSERT_NE(controls, nullptr);
    const int controls_width = controls->width();
    const QSize window_size = w.size();
    QAction* workspace = w.tools()->findChild<QAction*>("workspace");
    workspace->trigger();
    workspace_panel* panel = w.tools()->workspace();
    ASSERT_NE(panel, nullptr);
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel->isWindow());
    EXPECT_EQ(w.size(), window_size);
    auto in_window = [&](const QWidget* c) { return QRect(c->mapTo(&w, QPoint(0, 0)), c->size()); };
    const QRect p = in_window(panel);
    EXPECT_TRUE(w.rect().contains(p));
    EXPECT_FALSE(p.intersects(in_window(w.picture())));
    EXPECT_FALSE(p.intersects(in_window(controls)));
    EXPECT_GE(w.picture()->width(), w.picture()->minimumSizeHint().width());

    auto* limits = panel->findChild<QTableWidget*>("workspace_limits");
    ASSERT_NE(limits, nullptr);
    ASSERT_GT(limits->rowCount(), 0);
    for (int r = 0; r < limits->rowCount(); ++r)
      for (int c = 0; c < limits->columnCount(); ++c)
        EXPECT_TRUE(limits->viewport()->rect().contains(limits->visualItemRect(limits->item(r, c))))
            << "row " << r << " column " << c;
    const QLabel* title = panel->findChild<QLabel*>("workspace_title");
    ASSERT_NE(title, nullptr);
    EXPECT_GE(title->height(), title->heightForWidth(title->width()));

    workspace->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.tools()->workspace(), nullptr);
    EXPECT_EQ(controls->width(), controls_width);
  }
}

// Closed, the panel gives the window its own status line back, in its own colour: here the
// static pose's failure, in place of the atlas's summary.
TEST_F(workspace_panel_test, closed_gives_the_window_its_own_status_line_back) {
  window_widget w(find_window("form_6r_gyaku")->make());
  w.show();
  w.slider_moved("HScroll2", 2, 2);
  const QString own = w.status_line()->text();
  ASSERT_TRUE(own.startsWith("静止姿勢が許容誤差に達しませんでした")) << own.toStdString();
  const QString own_style = w.status_line()->styleSheet();

  QAction* workspace = w.tools()->findChild<QAction*>("workspace");
  workspace->trigger();
  ASSERT_NE(w.tools()->workspace(), nullptr);
  EXPECT_TRUE(shows_atlas(w));
  workspace->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.tools()->workspace(), nullptr);
  EXPECT_EQ(w.status_line()->text(), own) << w.status_line()->text().toStdString();
  EXPECT_EQ(w.status_line()->styleSheet(), own_style);
}

}  // namespace
}  // namespace kinelab
