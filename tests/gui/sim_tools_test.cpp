// The additions of the simulation windows: the row of diagnostics, derivative check, profile
// comparison and export above the controls, and the marks on the time slider.
#include "gui/sim_tools.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "app/service/profile_comparison.h"
#include "app/service/window_export.h"
#include "core/number_text.h"
#include "gui/marked_scroll_bar.h"
#include "gui/window_widget.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

class sim_tools_test : public ::testing::Test {
 protected:
  void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  // A shown window of the registry, or null (the test then skips).
  std::unique_ptr<window_widget> open(const std::string& name) {
    const window_entry* entry = find_window(name);
    if (!entry) return nullptr;
    auto w = std::make_unique<window_widget>(entry->make());
    w->show();
    return w;
  }

  static sim_window& sim(window_widget& w) { return dynamic_cast<sim_window&>(w.model()); }

  static QAction* action(window_widget& w, const char* name) {
    return w.tools() ? w.tools()->findChild<QAction*>(name) : nullptr;
  }

  // Every save dialog of `w` answers `path`.
  static void answer_save_dialogs(window_widget& w, const QString& path) {
    w.tools()->set_path_chooser(
        [path](QWidget*, const QString&, const QString&, const QString&) { return path; });
  }
};

#define OPEN(var, name)                            \
  std::unique_ptr<window_widget> var = open(name); \
  ASSERT_NE(var, nullptr) << name << " is not in the window registry"

TEST_F(sim_tools_test, SimulationWindowsAloneCarryTheRowAndTheMarkedTimeSlider) {
  int simulations = 0, others = 0;
  for (const window_entry& entry : window_registry()) {
    SCOPED_TRACE(entry.name);
    window_widget w(entry.make());
    if (!entry.simulation) {
      ++others;
      EXPECT_EQ(w.tools(), nullptr);
      EXPECT_EQ(w.time_slider(), nullptr);
      continue;
    }
    ++simulations;
    ASSERT_NE(w.tools(), nullptr);
    ASSERT_NE(action(w, "diagnostics"), nullptr);
    EXPECT_EQ(action(w, "diagnostics")->text().toStdString(), "diagnostics");
    EXPECT_TRUE(action(w, "check_derivatives") && action(w, "check_derivatives")->isCheckable());
    for (const char* name : {"compare_profiles", "export_svg", "export_png", "export_csv"})
      EXPECT_NE(action(w, name), nullptr) << name;
    // The marks go on the window's own time slider, which stays where the window put it.
    ASSERT_NE(w.time_slider(), nullptr);
    EXPECT_EQ(w.time_slider(), w.slider(sim(w).decl().style.time_slider, 0));
  }
  EXPECT_GT(simulations, 0);
  EXPECT_GT(others, 0);
}

TEST_F(sim_tools_test, DiagnosticsPagesAndTheDerivativeCheckReachTheCaptionAndStatusLine) {
  OPEN(w, "form_3r_jun");
  const std::string caption_label = sim(*w).decl().style.caption_label;
  QLabel* caption = w->findChild<QLabel*>(QString::fromStdString(caption_label));
  ASSERT_NE(caption, nullptr);
  w->button("run")->click();

  action(*w, "diagnostics")->trigger();
  EXPECT_EQ(caption->text().toStdString(),
            message(sim(*w).language, message_id::diagnostics_singularity_caption));
  EXPECT_TRUE(w->status_line()->text().contains("σmin")) << w->model().status;
  EXPECT_FALSE(w->model().status_is_error);

  QAction* check = action(*w, "check_derivatives");
  check->trigger();
  EXPECT_TRUE(sim(*w).derivative_check_on());
  EXPECT_TRUE(check->isChecked());
  w->button("next")->click();
  const QString status = w->status_line()->text();
  EXPECT_TRUE(status.startsWith("微分の検査") && status.contains("速度")) << status.toStdString();

  check->trigger();
  EXPECT_FALSE(sim(*w).derivative_check_on());
  EXPECT_FALSE(check->isChecked());
}

// The caption above the picture names what the picture shows: the mechanism again once the
// animation after a Run has drawn over a diagnostics page, 作業領域 over the atlas, and after the
// atlas what stood there before it (a graph's title stays until the next Run).
TEST_F(sim_tools_test, TheCaptionAboveThePictureGoesWithWhatItShows) {
  for (const char* name : {"form_3r_gyaku", "form_stewart_gyaku"}) {
    SCOPED_TRACE(name);
    OPEN(w, name);
    const window_style& style = sim(*w).decl().style;
    QLabel* caption = w->findChild<QLabel*>(QString::fromStdString(style.caption_label));
    ASSERT_NE(caption, nullptr);
    const QString view = QString::fromStdString(style.view_caption);
    const QString diagnostics = QString::fromStdString(
        message(sim(*w).language, message_id::diagnostics_singularity_caption));
    QAction* workspace = action(*w, "workspace");
    ASSERT_NE(workspace, nullptr);
    // The atlas, computed off the GUI thread, shown.
    auto settle = [&] {
      if (workspace_panel* panel = w->tools()->workspace()) panel->settle();
    };

    w->button("run")->click();
    action(*w, "diagnostics")->trigger();
    EXPECT_EQ(caption->text(), diagnostics);
    w->button("run")->click();
    ASSERT_TRUE(w->timer_running());
    w->timer_tick();
    EXPECT_EQ(caption->text(), view);

    action(*w, "diagnostics")->trigger();
    workspace->trigger();
    ASSERT_NE(w->tools()->workspace(), nullptr);
    settle();
    EXPECT_EQ(caption->text(), QStringLiteral("作業領域"));
    w->slider_moved(style.pose_sliders, 2, 20);  // the atlas redrawn keeps its caption
    settle();
    EXPECT_EQ(caption->text(), QStringLiteral("作業領域"));
    workspace->trigger();
    EXPECT_EQ(w->tools()->workspace(), nullptr);
    EXPECT_EQ(caption->text(), view);

    w->button("next")->click();
    const QString graph = QString::fromStdString(sim(*w).decl().graphs.front().caption);
    EXPECT_EQ(caption->text(), graph);
    workspace->trigger();
    settle();
    EXPECT_EQ(caption->text(), QStringLiteral("作業領域"));
    workspace->trigger();
    EXPECT_EQ(caption->text(), graph);
  }
}

TEST_F(sim_tools_test, ExportsWriteWhatTheCommandLineWritesAndReportFailures) {
  OPEN(w, "form_3r_jun");
  w->button("run")->click();
  w->button("stop")->click();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());

  struct export_case {
    const char* action;
    const char* file;
  };
  const export_case cases[] = {
      {"export_svg", "drawing.svg"}, {"export_png", "drawing.png"}, {"export_csv", "arrays.csv"}};
  for (const export_case& c : cases) {
    SCOPED_TRACE(c.action);
    const QString path = dir.filePath(c.file);
    answer_save_dialogs(*w, path);
    action(*w, c.action)->trigger();
    EXPECT_FALSE(w->model().status_is_error) << w->model().status;
    EXPECT_TRUE(w->status_line()->text().contains(path)) << w->model().status;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (QString(c.action) == "export_png") {
      // The picture as the window shows it: its size, and the arm drawn in colour.
      const QImage image = QImage::fromData(bytes, "PNG");
      EXPECT_EQ(image.size(), w->picture()->size());
      int coloured = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
          const QColor p = image.pixelColor(x, y);
          if (p.red() != p.green() || p.green() != p.blue()) ++coloured;
        }
      EXPECT_GT(coloured, 100) << "the PNG is blank";
    } else {
      const std::string expected =
          QString(c.action) == "export_svg" ? window_svg(sim(*w)) : window_csv(sim(*w));
      EXPECT_EQ(bytes.toStdString(), expected);
    }

    // A folder that does not exist: an error naming the file, and no file.
    const QString unwritable = dir.filePath(QString("missing/") + c.file);
    answer_save_dialogs(*w, unwritable);
    action(*w, c.action)->trigger();
    EXPECT_TRUE(w->model().status_is_error);
    EXPECT_TRUE(w->status_line()->text().contains(unwritable)) << w->model().status;
    EXPECT_TRUE(w->status_line()->styleSheet().contains("color"));
    EXPECT_FALSE(QFile::exists(unwritable));
  }

  // A cancelled dialog writes nothing and says nothing.
  w->model().status.clear();
  answer_save_dialogs(*w, QString());
  action(*w, "export_csv")->trigger();
  EXPECT_TRUE(w->model().status.empty()) << w->model().status;
}

// Before any Run the arrays hold no trajectory: the CSV export says so instead of asking where
// to save one.
TEST_F(sim_tools_test, CsvExportBeforeAnyRunIsRefused) {
  OPEN(w, "form_3r_jun");
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("arrays.csv");
  answer_save_dialogs(*w, path);
  action(*w, "export_csv")->trigger();
  EXPECT_TRUE(w->model().status_is_error);
  EXPECT_TRUE(w->status_line()->text().contains("まだ Run していません")) << w->model().status;
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(sim_tools_test, ProfileComparisonShowsTheTableOrTheProblem) {
  OPEN(w, "form_3r_jun");
  action(*w, "compare_profiles")->trigger();
  ASSERT_NE(w->tools()->profile_dialog(), nullptr);
  const QTableWidget* table = w->tools()->profile_dialog()->findChild<QTableWidget*>();
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(w->tools()->profile_dialog()->isVisible());

  // A row per quantity and profile: the window's profile names, figures to six significant
  // digits with rounding noise shown as 0, the full value in the tooltip.
  const profile_comparison c = compare_profiles(sim(*w));
  ASSERT_FALSE(c.rows.empty());
  ASSERT_EQ(table->rowCount(), static_cast<int>(3 * c.rows.size()));
  ASSERT_EQ(table->columnCount(), 8);
  EXPECT_EQ(table->horizontalHeaderItem(2)->text().toStdString(), "peak rate (/s)");
  const auto largest = column_largest(c);
  int zeros = 0;
  for (std::size_t q = 0; q < c.rows.size(); ++q)
    for (int k = 0; k < 3; ++k) {
      const int row = 3 * static_cast<int>(q) + k;
      EXPECT_EQ(table->item(row, 0)->text().toStdString(), c.rows[q].quantity);
      EXPECT_EQ(table->item(row, 1)->text().toStdString(), sim(*w).ctl.option_captions[k]);
      const auto v = figures_in_order(c.rows[q].figures[k]);
      for (int f = 0; f < 6; ++f) {
        const QTableWidgetItem* item = table->item(row, f + 2);
        EXPECT_EQ(item->toolTip().toStdString(), format_number(v[f]));
        const std::string shown = item->text().toStdString();
        EXPECT_EQ(shown, readable_figure(v[f], largest[f]));
        if (shown == "0") ++zeros;
      }
    }
  // The quintic profile starts and ends at rest: its acceleration jumps are 0 in every row.
  EXPECT_GE(zeros, 4 * static_cast<int>(c.rows.size()));

  // The copy button puts the table, as shown, on the clipboard as tab-separated text.
  QPushButton* copy = w->tools()->profile_dialog()->findChild<QPushButton*>("copy_table");
  ASSERT_NE(copy, nullptr);
  copy->click();
  const QStringList lines = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), table->rowCount() + 1);
  EXPECT_TRUE(lines[0].startsWith("quantity\tprofile\tpeak rate (/s)\t")) << lines[0].toStdString();
  EXPECT_EQ(lines[1].split('\t').size(), 8);
  EXPECT_EQ(lines[1].split('\t')[3], table->item(0, 3)->text());

  // A stop that is not a number: the problem in red in the status line, and no new table.
  w->tools()->profile_dialog()->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  w->model().ctl.set_text("Text2", 1, "abc");
  action(*w, "compare_profiles")->trigger();
  EXPECT_EQ(w->tools()->profile_dialog(), nullptr);
  EXPECT_TRUE(w->model().status_is_error);
  EXPECT_TRUE(w->status_line()->text().startsWith("the profiles were not compared"))
      << w->model().status;
}

TEST_F(sim_tools_test, TimeSliderMarksTheUnconvergedStepsOfTheLastRun) {
  OPEN(w, "form_3r_gyaku");
  marked_scroll_bar* time = w->time_slider();
  ASSERT_NE(time, nullptr);
  EXPECT_TRUE(time->unconverged_marks().empty()) << "marks before any Run";

  // A stop point out of reach: the steps from 18 on do not converge.
  QLineEdit* stop_x = w->field("Text2", 1);
  ASSERT_NE(stop_x, nullptr);
  stop_x->selectAll();
  QTest::keyClicks(stop_x, "9");
  w->button("run")->click();
  w->button("stop")->click();
  EXPECT_EQ(time->unconverged_marks(), sim(*w).unconverged_steps());
  EXPECT_EQ(time->unconverged_marks().size(), 33u);
  std::vector<int> jumps;
  for (const branch_jump& j : sim(*w).branch_jumps()) jumps.push_back(j.step);
  EXPECT_EQ(time->jump_marks(), jumps);

  // The marks are painted: red appears on the slider, which the style draws in greys.
  const QImage image = time->grab().toImage();
  int red = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor p = image.pixelColor(x, y);
      if (p.red() > 150 && p.green() < 80 && p.blue() < 80) ++red;
    }
  EXPECT_GT(red, 20);
}

}  // namespace
}  // namespace kinelab
