// Mechanism files through the desktop program: the start window opens a file's forward and
// inverse windows, which run as kinelab-cli's do; a bad file is explained and opens nothing; a
// study of a file window opens its file again.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <fstream>
#include <memory>
#include <string>

#include "gui/language.h"
#include "gui/sim_tools.h"
#include "gui/start_menu.h"
#include "gui/window_widget.h"
#include "gui/workspace_panel.h"
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
    EXPECT_EQ(start.recent_mechanisms().value(0), QFileInfo(examples + c.file).absoluteFilePath());
    const std::string result = run_and_read(*opened[1]);
    const auto lines = test::lines_of(result);
    ASSERT_EQ(lines.size(), 52u);
    EXPECT_EQ(lines[0].rfind(c.header, 0), 0u) << lines[0];
    EXPECT_TRUE(test::rows_are_finite(result));
    EXPECT_EQ(start.open_windows().size(), 2u);
  }
}

// The place as the file has it, the problem in the program's language.
TEST_F(mechanism_gui, BadFileIsExplainedAndOpensNothing) {
  std::ofstream("bad.json")
      << "{\"format\": \"kinelab mechanism\",\n \"format_version\": \"9.0\"}\n";
  for (const auto& [lang, text] :
       {std::pair{ui_language::english,
                  "bad.json:2: format_version: version 9.0 is not one this kinelab reads (1.x)"},
        {ui_language::japanese,
         "bad.json:2: format_version: 版 9.0 はこの kinelab が読める版（1.x）ではありません"}}) {
    set_program_language(lang);
    start_menu start;
    EXPECT_TRUE(start.open_mechanism("bad.json").empty());
    ASSERT_NE(start.study_message(), nullptr);
    EXPECT_TRUE(start.study_message()->text().endsWith(QString("\n") + text))
        << start.study_message()->text().toStdString();
    EXPECT_TRUE(start.open_windows().empty());
    EXPECT_FALSE(start.recent_mechanisms().contains(QFileInfo("bad.json").absoluteFilePath()));
  }
  set_program_language(ui_language::japanese);
}

// 最近使った機構: most recent first, at most eight, kept between sessions; a file gone since is
// taken off with a word on the status line; 履歴を消去 empties the list.
TEST_F(mechanism_gui, RecentFilesAreKeptBetweenSessions) {
  const std::unique_ptr<QTranslator> japanese(install_language(ui_language::japanese));
  start_menu start;
  start.clear_recent_mechanisms();
  QStringList expected;
  for (int k = 0; k < 9; ++k) {
    const QString name = QStringLiteral("recent%1.json").arg(k);
    QFile::remove(name);
    ASSERT_TRUE(QFile::copy(examples + "planar_rp.json", name));
    ASSERT_EQ(start.open_mechanism(name).size(), 2u);
    expected.prepend(QFileInfo(name).absoluteFilePath());
  }
  // Opened again it moves to the front, once.
  ASSERT_EQ(start.open_mechanism("recent3.json").size(), 2u);
  expected.move(expected.indexOf(QFileInfo("recent3.json").absoluteFilePath()), 0);
  expected.removeLast();
  EXPECT_EQ(start.recent_mechanisms(), expected);
  QMenu* recent = start.findChild<QMenu*>("recent_mechanisms");
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(recent->title().toStdString(), "最近使った機構");
  const QAction* first = start.findChild<QAction*>("recent_mechanism_0");
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->text().endsWith("recent3.json")) << first->text().toStdString();

  start_menu next_session;
  EXPECT_EQ(next_session.recent_mechanisms(), expected);
  const std::size_t open = next_session.open_windows().size();
  next_session.findChild<QAction*>("recent_mechanism_1")->trigger();
  EXPECT_EQ(next_session.open_windows().size(), open + 2);
  EXPECT_EQ(next_session.recent_mechanisms().front(), expected[1]);

  // A file gone since: taken off, said, nothing opened and no crash.
  ASSERT_TRUE(QFile::remove("recent8.json"));
  const QStringList before = next_session.recent_mechanisms();
  const int gone = before.indexOf(QFileInfo("recent8.json").absoluteFilePath());
  ASSERT_GE(gone, 0);
  EXPECT_TRUE(next_session.open_recent_mechanism(gone).empty());
  EXPECT_EQ(next_session.recent_mechanisms().size(), before.size() - 1);
  EXPECT_FALSE(next_session.recent_mechanisms().contains(before[gone]));
  EXPECT_TRUE(next_session.statusBar()->currentMessage().contains(before[gone]));
  EXPECT_EQ(next_session.study_message(), nullptr);

  QAction* clear = next_session.findChild<QAction*>("clear_recent_mechanisms");
  ASSERT_NE(clear, nullptr);
  EXPECT_EQ(clear->text().toStdString(), "履歴を消去");
  clear->trigger();
  EXPECT_TRUE(next_session.recent_mechanisms().isEmpty());
  EXPECT_FALSE(clear->isEnabled());
  EXPECT_TRUE(start_menu().recent_mechanisms().isEmpty());
  QCoreApplication::removeTranslator(japanese.get());
}

// The atlas of a file window draws the title the window shows, in the program's language.
TEST_F(mechanism_gui, AtlasTitleIsTheShownTitle) {
  set_program_language(ui_language::japanese);
  start_menu start;
  const std::vector<window_widget*> opened = start.open_mechanism(examples + "arm7.json");
  ASSERT_EQ(opened.size(), 2u);
  QAction* workspace = opened[0]->tools()->findChild<QAction*>("workspace");
  ASSERT_NE(workspace, nullptr);
  workspace->trigger();
  ASSERT_NE(opened[0]->tools()->workspace(), nullptr);
  opened[0]->tools()->workspace()->settle();
  std::vector<std::string> titles;
  for (const draw_op& op : opened[0]->model().picture()->ops())
    if (op.what == draw_op::kind::text && op.text.rfind("作業領域", 0) == 0)
      titles.push_back(op.text);
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0].rfind("作業領域 7R 順運動学: ", 0), 0u) << titles[0];
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
