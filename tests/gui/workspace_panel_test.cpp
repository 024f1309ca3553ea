// 作業領域 in the tools row: the atlas in the picture, redrawn as the pose sliders move, ended
// by the window's own buttons; computed off the GUI thread, and reused where a move of the pose
// leaves it as it was.
#include "gui/workspace_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
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
  panel->settle();
  EXPECT_TRUE(shows_atlas(w));
  EXPECT_TRUE(w.status_line()->text().startsWith("到達できる面積")) << sim.status;
  ASSERT_TRUE(panel->source());
  EXPECT_EQ(panel->source()->pose[2], 1.5);
  EXPECT_EQ(panel->findChild<QTableWidget*>("workspace_limits")->rowCount(), 6);

  // The height slider moves the slice with the pose.
  w.slider_moved("HScroll1", 2, 20);
  panel->settle();
  EXPECT_TRUE(shows_atlas(w));
  EXPECT_EQ(panel->source()->pose[2], 2.0);
  EXPECT_EQ(panel->grid()->w0, 2.0);
  // So does the plane.
  panel->findChild<QComboBox*>("workspace_plane")->setCurrentText("xz");
  panel->settle();
  EXPECT_EQ(panel->grid()->plane, atlas_plane::xz);
  EXPECT_TRUE(shows_atlas(w));

  // An edited limit that admits nothing says so.
  QTableWidget* limits = panel->findChild<QTableWidget*>("workspace_limits");
  limits->item(0, 1)->setText("0");
  limits->item(0, 2)->setText("0.1");
  panel->settle();
  EXPECT_TRUE(w.status_line()->text().startsWith("この制限では"))
      << w.status_line()->text().toStdString();
  panel->findChild<QPushButton*>("workspace_default_limits")->click();
  panel->settle();
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
  w.tools()->workspace()->settle();
  EXPECT_TRUE(shows_atlas(w));
  workspace->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.tools()->workspace(), nullptr);
  EXPECT_EQ(w.status_line()->text(), own) << w.status_line()->text().toStdString();
  EXPECT_EQ(w.status_line()->styleSheet(), own_style);
}

// What a picture of the atlas shows but the pose's marker (the ringed cross) and the Run's path
// (which starts where the pose stands): the cells, the key and every word.
std::vector<draw_op> without_marker_and_path(const std::vector<draw_op>& ops) {
  std::vector<draw_op> kept;
  for (const draw_op& op : ops)
    if (op.what == draw_op::kind::rect || op.what == draw_op::kind::text ||
        (op.what == draw_op::kind::line && op.width == 1))
      kept.push_back(op);
  return kept;
}

bool same_op(const draw_op& a, const draw_op& b) {
  return a.what == b.what && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 &&
         a.text == b.text && a.colour == b.colour && a.fill.r == b.fill.r && a.fill.g == b.fill.g &&
         a.fill.b == b.fill.b;
}

bool same_ops(const std::vector<draw_op>& a, const std::vector<draw_op>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), same_op);
}

const draw_op* marker(const std::vector<draw_op>& ops) {
  for (const draw_op& op : ops)
    if (op.what == draw_op::kind::circle) return &op;
  return nullptr;
}

// A pose slider moved: the atlas is reused (samples or grid from the cache) under the limits taken
// when it opened. A sampled atlas is then the one computed afresh for the pose moved (whose slice
// follows the output point, which a solve places within its tolerance); a platform's grid, whose
// slice stays, is the same and so is its picture but for the marker, which moved. An edit of a
// geometry field computes it again, with the Run's limits taken anew.
TEST_F(workspace_panel_test, a_pose_slider_moves_only_the_marker_a_field_computes_again) {
  const struct {
    const char* window;
    const char* sliders;
    int index, value;
    atlas_cache::reuse reuse;
  } cases[] = {
      {"form_6r_gyaku", "HScroll2", 0, 20, atlas_cache::reuse::samples},
      {"Form_zelko_gyaku", "HScroll1", 0, 4, atlas_cache::reuse::samples},
      {"form_stewart_gyaku", "HScroll1", 0, 4, atlas_cache::reuse::grid},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window);
    window_widget w(find_window(c.window)->make());
    w.show();
    w.tools()->findChild<QAction*>("workspace")->trigger();
    workspace_panel* panel = w.tools()->workspace();
    ASSERT_NE(panel, nullptr);
    panel->settle();
    ASSERT_TRUE(panel->grid()) << w.status_line()->text().toStdString();
    const atlas_grid before = *panel->grid();
    const std::vector<atlas_limit> limits = before.limits;
    const std::vector<draw_op> ops = w.model().picture()->ops();
    ASSERT_NE(marker(ops), nullptr);

    w.slider_moved(c.sliders, c.index, c.value);
    panel->settle();
    ASSERT_TRUE(panel->grid());
    EXPECT_EQ(panel->last_reuse(), c.reuse);
    const atlas_grid& after = *panel->grid();
    const std::vector<draw_op> moved = w.model().picture()->ops();
    ASSERT_NE(marker(moved), nullptr);
    if (c.reuse == atlas_cache::reuse::grid) {
      EXPECT_TRUE(after.state == before.state);
      EXPECT_TRUE(after.sigma_min == before.sigma_min);
      EXPECT_TRUE(same_ops(without_marker_and_path(moved), without_marker_and_path(ops)));
      EXPECT_NE(marker(moved)->x1, marker(ops)->x1);
    } else {
      atlas_request r;
      r.cells = after.nu;
      r.samples = after.samples;
      r.limits = limits;
      const atlas_result fresh = compute_atlas(*panel->source(), r);
      ASSERT_TRUE(fresh.grid);
      EXPECT_TRUE(after.state == fresh.grid->state);
      EXPECT_TRUE(after.sigma_min == fresh.grid->sigma_min);
      EXPECT_TRUE(after.condition == fresh.grid->condition);
    }

    // A field of the mechanism: computed again, the limits the Run's as it now stands.
    sim_window& sim = dynamic_cast<sim_window&>(w.model());
    const std::string identity = panel->source()->mechanism.identity;
    for (text_group& g : sim.ctl.texts) {
      for (std::size_t i = 0;
           i < g.fields.size() && panel->source()->mechanism.identity == identity; ++i) {
        const text_field& f = g.fields[i];
        if (f.readout || !f.enabled || f.text.empty()) continue;
        const std::string kept = f.text;
        w.text_edited(g.name, static_cast<int>(i), kept + "1");
        panel->settle();
        if (panel->source() && panel->source()->mechanism.identity == identity)
          w.text_edited(g.name, static_cast<int>(i), kept);
      }
      if (panel->source() && panel->source()->mechanism.identity != identity) break;
    }
    panel->settle();
    ASSERT_TRUE(panel->source() && panel->grid());
    EXPECT_NE(panel->source()->mechanism.identity, identity);
    EXPECT_EQ(panel->last_reuse(), atlas_cache::reuse::none);
    const std::vector<atlas_limit>& now = panel->grid()->limits;
    const std::vector<atlas_limit>& run = panel->source()->default_limits;
    ASSERT_EQ(now.size(), run.size());
    for (std::size_t k = 0; k < now.size(); ++k)
      EXPECT_TRUE(now[k].lo == run[k].lo && now[k].hi == run[k].hi) << k;
  }
}

// The atlas is computed off the GUI thread: while it is, the status line says so and the window
// answers its events; a slider moved meanwhile stops it, and the atlas shown is of the last pose.
TEST_F(workspace_panel_test, computes_off_the_gui_thread_and_starts_over_on_a_move) {
  window_widget w(find_window("form_6r_gyaku")->make());
  w.show();
  w.tools()->findChild<QAction*>("workspace")->trigger();
  workspace_panel* panel = w.tools()->workspace();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(panel->computing());
  EXPECT_EQ(w.status_line()->text(), workspace_panel::tr("computing the workspace atlas…"));
  bool answered = false;
  QTimer::singleShot(0, &w, [&] { answered = true; });
  QCoreApplication::processEvents();
  EXPECT_TRUE(answered);

  w.slider_moved("HScroll2", 1, -10);
  panel->settle();
  ASSERT_TRUE(panel->grid());
  EXPECT_FALSE(panel->computing());
  sim_window& sim = dynamic_cast<sim_window&>(w.model());
  EXPECT_EQ(panel->source()->pose, [&] { return atlas_source_of(sim).source->pose; }());
  EXPECT_TRUE(w.status_line()->text().startsWith("到達できる面積"))
      << w.status_line()->text().toStdString();

  // An offset that is not a number while an atlas is computed: no atlas, and the one under way
  // does not come back over the message.
  w.slider_moved("HScroll2", 1, -12);
  ASSERT_TRUE(panel->computing());
  auto* offset = panel->findChild<QLineEdit*>("workspace_offset");
  offset->setText("1..2");
  emit offset->editingFinished();
  panel->settle();
  EXPECT_FALSE(panel->grid());
  EXPECT_TRUE(sim.status_is_error);
  EXPECT_TRUE(w.status_line()->text().contains("1..2")) << w.status_line()->text().toStdString();
}

}  // namespace
}  // namespace kinelab
