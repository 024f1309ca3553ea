// Study files through the desktop program: 保存 and 開く in a simulation window's row (the file
// dialogs answered by the test), and 開く of the start window, which opens the window a study
// names.
#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTranslator>
#include <memory>
#include <string>

#include "app/study/study_file.h"
#include "gui/language.h"
#include "gui/sim_tools.h"
#include "gui/start_menu.h"
#include "gui/window_widget.h"
#include "mechanisms/registry.h"
#include "support/result_rows.h"

namespace kinelab {
namespace {

class study_gui : public ::testing::Test {
 protected:
  void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  static std::unique_ptr<window_widget> open(const std::string& name) {
    auto w = std::make_unique<window_widget>(find_window(name)->make());
    w->show();
    return w;
  }
  static QAction* action(window_widget& w, const char* name) {
    return w.tools()->findChild<QAction*>(name);
  }
  static void answer(window_widget& w, const QString& path) {
    auto chooser = [path](QWidget*, const QString&, const QString&, const QString&) {
      return path;
    };
    w.tools()->set_path_chooser(chooser);
    w.tools()->set_open_path_chooser(chooser);
  }
  static std::string run_and_read(window_widget& w) {
    QFile::remove("result.dat");
    w.button("run")->click();
    return test::slurp("result.dat");
  }
};

// A user's edits saved with 保存 come back with 開く in a fresh window: the widgets show them and
// the Run writes the original's bytes.
TEST_F(study_gui, SaveAndOpenThroughTheWindowsRow) {
  std::unique_ptr<window_widget> original = open("form_stewart_jun");
  ASSERT_NE(action(*original, "save_study"), nullptr);
  EXPECT_EQ(action(*original, "save_study")->text(), QStringLiteral("save"));
  EXPECT_EQ(action(*original, "open_study")->text(), QStringLiteral("open"));
  original->text_edited("Text10", 0, "2.7");
  original->slider_moved("HScroll1", 2, 25);
  original->option_chosen(1);
  answer(*original, "gui.kinelab");
  action(*original, "save_study")->trigger();
  EXPECT_EQ(original->status_line()->text(), QStringLiteral("study saved as gui.kinelab"));
  const std::string expected = run_and_read(*original);
  ASSERT_FALSE(expected.empty());

  std::unique_ptr<window_widget> reopened = open("form_stewart_jun");
  answer(*reopened, "gui.kinelab");
  action(*reopened, "open_study")->trigger();
  EXPECT_TRUE(reopened->status_line()->text().startsWith("study opened from gui.kinelab"))
      << reopened->status_line()->text().toStdString();
  EXPECT_EQ(reopened->field("Text10", 0)->text(), QStringLiteral("2.7"));
  EXPECT_EQ(reopened->field("Text9", 2)->text(), QStringLiteral("2.5"));
  EXPECT_EQ(reopened->slider("HScroll1", 2)->value(), 25);
  EXPECT_TRUE(reopened->findChild<QRadioButton*>("Option1(1)")->isChecked());
  EXPECT_TRUE(run_and_read(*reopened) == expected);
}

// In Japanese the row reads 保存 and 開く.
TEST_F(study_gui, TheButtonsInJapanese) {
  std::unique_ptr<QTranslator> japanese(install_language(ui_language::japanese));
  ASSERT_NE(japanese, nullptr);
  std::unique_ptr<window_widget> w = open("form_3r_jun");
  EXPECT_EQ(action(*w, "save_study")->text(), QStringLiteral("保存"));
  EXPECT_EQ(action(*w, "open_study")->text(), QStringLiteral("開く"));
  QCoreApplication::removeTranslator(japanese.get());
}

// A bad file is explained in red and the window keeps every control as it was.
TEST_F(study_gui, BadFileThroughOpenChangesNothing) {
  {
    QFile f("bad.kinelab");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\n  \"format\": \"kinelab study\",\n  \"format_version\": \"7.0\"\n}\n");
  }
  std::unique_ptr<window_widget> w = open("form_3r_jun");
  w->text_edited("Text2", 1, "33");
  const std::string before = study_document(dynamic_cast<sim_window&>(w->model()));
  answer(*w, "bad.kinelab");
  action(*w, "open_study")->trigger();
  EXPECT_EQ(
      w->status_line()->text().toStdString(),
      "bad.kinelab:3: format_version: 形式 7.0 はこのプログラムが読める形式（1.1）より新しいもの"
      "です");
  EXPECT_TRUE(w->model().status_is_error);
  EXPECT_EQ(study_document(dynamic_cast<sim_window&>(w->model())), before);
  EXPECT_EQ(w->field("Text2", 1)->text(), QStringLiteral("33"));
}

// The start window's 開く (and `kinelab FILE`) opens the window the study names, with it; a
// file it cannot open opens nothing and says why.
TEST_F(study_gui, StartWindowOpensTheWindowTheStudyNames) {
  std::unique_ptr<window_widget> source = open("form_orvak1_gyaku");
  source->slider_moved("HScroll1", 1, 40);
  answer(*source, "orvak.kinelab");
  action(*source, "save_study")->trigger();

  start_menu start;
  EXPECT_NE(start.findChild<QAction*>("open_study"), nullptr);
  window_widget* w = start.open_study("orvak.kinelab");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->model().name(), "form_orvak1_gyaku");
  EXPECT_EQ(w->slider("HScroll1", 1)->value(), 40);
  EXPECT_EQ(w->field("Text9", 1)->text(), QStringLiteral("40"));

  EXPECT_EQ(start.open_study("missing.kinelab"), nullptr);
  ASSERT_NE(start.study_message(), nullptr);
  EXPECT_TRUE(start.study_message()->text().contains("missing.kinelab: 読み込めません"));
  EXPECT_EQ(start.open_windows().size(), 1u);
}

// `kinelab FILE` opens its window before the start window is framed; a desktop that frames the
// new window later, with its title bar above the screen (y = -20), sees it moved back onto the
// screen, as a window opened from the menus is.
TEST_F(study_gui, TheWindowOfAStudyOnTheCommandLineStaysOnTheScreen) {
  std::unique_ptr<window_widget> source = open("form_6r_gyaku");
  answer(*source, "six.kinelab");
  action(*source, "save_study")->trigger();
  source.reset();

  start_menu start;
  start.show();
  window_widget* w = start.open_study("six.kinelab");
  ASSERT_NE(w, nullptr);
  const QRect room = w->screen()->availableGeometry();
  QCoreApplication::processEvents();
  EXPECT_TRUE(room.contains(w->frameGeometry()));
  // What the desktop does once it has framed the window.
  w->move(w->frameGeometry().x(), room.top() - 20);
  QCoreApplication::processEvents();
  EXPECT_EQ(w->frameGeometry().top(), room.top());
  EXPECT_TRUE(room.contains(w->frameGeometry()))
      << w->frameGeometry().x() << "," << w->frameGeometry().y() << " "
      << w->frameGeometry().width() << "x" << w->frameGeometry().height();
}

// Studies made to break the reader (a number beyond a double, 200 000 nested objects) opened as
// `kinelab FILE` or with 開く: a message box, or the status line, names the file and the line,
// and the program goes on with no window changed.
TEST_F(study_gui, HostileStudiesAreExplainedAndTheProgramGoesOn) {
  std::unique_ptr<window_widget> source = open("form_3r_jun");
  answer(*source, "plain.kinelab");
  action(*source, "save_study")->trigger();
  const std::string plain = test::slurp("plain.kinelab");
  auto write = [&](const char* name, const std::string& from, const std::string& to) {
    std::string text = plain;
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
  };
  std::string deep = "\"zz\": ";
  for (int k = 0; k < 200000; ++k) deep += "{\"a\":";
  deep += "1" + std::string(200000, '}') + ",\n  \"format\"";
  write("huge.kinelab", "\"T\": 1.0", "\"T\": 1e400");
  write("deep.kinelab", "\"format\"", deep);
  const struct {
    const char* file;
    const char* message;
  } cases[] = {
      {"huge.kinelab", "huge.kinelab:8: T: "},
      {"deep.kinelab", "deep.kinelab:2: a: "},
  };

  start_menu start;
  start.show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(start.open_study(c.file), nullptr);
    ASSERT_NE(start.study_message(), nullptr);
    EXPECT_TRUE(start.study_message()->isVisible());
    EXPECT_TRUE(start.study_message()->text().contains(c.message))
        << start.study_message()->text().toStdString();
    EXPECT_TRUE(start.open_windows().empty());
    EXPECT_TRUE(start.isVisible());

    // The window's own 開く: the status line says the same, and the window is as it was.
    const std::string before = study_document(dynamic_cast<sim_window&>(source->model()));
    answer(*source, c.file);
    action(*source, "open_study")->trigger();
    EXPECT_TRUE(source->status_line()->text().contains(c.message))
        << source->status_line()->text().toStdString();
    EXPECT_EQ(study_document(dynamic_cast<sim_window&>(source->model())), before);
  }
  // The program still opens a good study afterwards.
  EXPECT_NE(start.open_study("plain.kinelab"), nullptr);
}

}  // namespace
}  // namespace kinelab
