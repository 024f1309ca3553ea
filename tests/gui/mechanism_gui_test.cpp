// Mechanism files through the desktop program: the start window opens a file's forward and
// inverse windows, which run as kinelab-cli's do; a bad file is explained and opens nothing; a
// study of a file window opens its file again.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <fstream>
#include <string>

#include "gui/language.h"
#include "gui/sim_tools.h"
#include "gui/start_menu.h"
#include "gui/window_widget.h"
#include "support/result_rows.h"

namespace kinelab {
namespace {

const QString examples = QStringLiteral(KINELAB_SOURCE_DIR "/examples/mechanisms/");

class mechanism_gui : public ::testing::Test {
 protected:
  void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  static std::string run_and_read(window_widget& w) {
    QFile::remove("result.dat");
    w.button("run")->click();
    return test::slurp("result.dat");
  }
};

TEST_F(mechanism_gui, StartWindowOpensBothWindowsOfAFile) {
  set_program_language(ui_language::japanese);
  const struct {
    const char *file, *forward_title, *inverse_title, *header;
  } cases[] = {
      {"arm7.json", "7R 順運動学", "7R 逆運動学", "i, deg(the1(i)),"},
      {"hexapod_650_250.json", "hexapod 650/250 順運動学", "hexapod 650/250 逆運動学",
       "i, pp(i).x, pp(i).y, pp(i).z, the1(i),"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    start_menu start;
    ASSERT_NE(start.findChild<QAction*>("open_mechanism"), nullptr);
    const std::vector<window_widget*> opened = start.open_mechanism(examples + c.file);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0]->model().name(), "mechanism_forward");
    EXPECT_EQ(opened[1]->model().name(), "mechanism_inverse");
    EXPECT_EQ(opened[0]->windowTitle().toStdString(), c.forward_title);
    EXPECT_EQ(opened[1]->windowTitle().toStdString(), c.inverse_title);
    const std::string result = run_and_read(*opened[1]);
    const auto lines = test::lines_of(result);
    ASSERT_EQ(lines.size(), 52u);
    EXPECT_EQ(lines[0].rfind(c.header, 0), 0u) << lines[0];
    EXPECT_TRUE(test::rows_are_finite(result));
    EXPECT_EQ(start.open_windows().size(), 2u);
  }
}

TEST_F(mechanism_gui, BadFileIsExplainedAndOpensNothing) {
  std::ofstream("bad.json")
      << "{\"format\": \"kinelab mechanism\",\n \"format_version\": \"9.0\"}\n";
  start_menu start;
  EXPECT_TRUE(start.open_mechanism("bad.json").empty());
  ASSERT_NE(start.study_message(), nullptr);
  EXPECT_TRUE(start.study_message()->text().contains("bad.json:2: format_version: "))
      << start.study_message()->text().toStdString();
  EXPECT_TRUE(start.open_windows().empty());
}

TEST_F(mechanism_gui, StudyOfAFileWindowOpensTheFileAgain) {
  QFile::remove("arm.json");
  ASSERT_TRUE(QFile::copy(examples + "planar_rp.json", "arm.json"));
  set_program_language(ui_language::japanese);
  start_menu start;
  const std::vector<window_widget*> opened = start.open_mechanism("arm.json");
  ASSERT_EQ(opened.size(), 2u);
  auto chooser = [](QWidget*, const QString&, const QString&, const QString&) {
    return QStringLiteral("arm.kinelab");
  };
  opened[1]->tools()->set_path_chooser(chooser);
  opened[1]->tools()->findChild<QAction*>("save_study")->trigger();
  const std::string expected = run_and_read(*opened[1]);

  window_widget* reopened = start.open_study("arm.kinelab");
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->model().name(), "mechanism_inverse");
  EXPECT_EQ(run_and_read(*reopened), expected);
  EXPECT_EQ(start.study_message(), nullptr);

  std::ofstream("arm.json", std::ios::app) << "\n";
  ASSERT_NE(start.open_study("arm.kinelab"), nullptr);
  ASSERT_NE(start.study_message(), nullptr);
  EXPECT_EQ(start.study_message()->objectName(), QStringLiteral("mechanism_changed"));
  EXPECT_TRUE(start.study_message()->text().contains(
      QStringLiteral("arm.json はスタディの保存後に変更されています")))
      << start.study_message()->text().toStdString();
}

}  // namespace
}  // namespace kinelab
