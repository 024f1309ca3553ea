// One language at a time: with the English catalogue installed no widget of any window shows
// Japanese text, and the language is chosen from the command line, then the environment.
#include "gui/language.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTranslator>
#include <memory>

#include "app/sim_window.h"
#include "gui/form_setting.h"
#include "gui/sim_tools.h"
#include "gui/start_menu.h"
#include "gui/window_widget.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

// Kana, CJK punctuation and ideographs, and the full-width and half-width forms.
bool is_japanese(char32_t c) {
  return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) ||
         (c >= 0xFF00 && c <= 0xFFEF);
}

QString japanese_in(const QString& text) {
  for (char32_t c : text.toUcs4())
    if (is_japanese(c)) return text;
  return {};
}

// Every text a widget shows: labels, buttons, fields, group titles, window titles, actions
// and their menus, tooltips.
void expect_no_japanese(const QWidget& root) {
  std::vector<const QWidget*> widgets = {&root};
  for (const QWidget* w : root.findChildren<QWidget*>()) widgets.push_back(w);
  for (const QWidget* w : widgets) {
    const std::string name =
        std::string(w->metaObject()->className()) + " \"" + w->objectName().toStdString() + "\"";
    QStringList texts = {w->windowTitle(), w->toolTip()};
    if (auto* l = qobject_cast<const QLabel*>(w)) texts << l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) texts << b->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) texts << e->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) texts << g->title();
    for (const QAction* a : w->actions()) texts << a->text() << a->toolTip();
    if (auto* m = qobject_cast<const QMenu*>(w)) texts << m->title();
    for (const QString& t : texts)
      EXPECT_TRUE(japanese_in(t).isEmpty()) << name << " shows " << t.toStdString();
  }
}

class english_program : public ::testing::Test {
 protected:
  void SetUp() override {
    translator_.reset(install_language(ui_language::english));
    ASSERT_NE(translator_, nullptr);
  }
  void TearDown() override {
    QCoreApplication::removeTranslator(translator_.get());
    set_program_language(ui_language::japanese);  // as the other tests find the windows
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  std::unique_ptr<QTranslator> translator_;
};

TEST_F(english_program, NoWidgetOfAnyWindowShowsJapanese) {
  start_menu start;
  start.show();
  expect_no_japanese(start);
  expect_no_japanese(*start.open_settings());
  for (const window_entry& entry : window_registry()) {
    SCOPED_TRACE(entry.name);
    window_widget* w = start.open_window(entry.name);
    ASSERT_NE(w, nullptr);
    expect_no_japanese(*w);
    // After the buttons and every graph as well: the captions the window writes later.
    for (const button_decl& b : w->model().buttons())
      if (b.name != "run" && b.name != "stop") w->button_pressed(b.name);
    if (w->button("run")) w->button_pressed("run");
    if (auto* sim = dynamic_cast<sim_window*>(&w->model())) {
      for (std::size_t g = 0; g < sim->decl().graphs.size(); ++g) {
        w->button_pressed("next");
        expect_no_japanese(*w);
      }
      w->button_pressed("diagnostics");
      w->button_pressed("diagnostics");
    }
    expect_no_japanese(*w);
  }
}

TEST(language_choice, CommandLineFirstThenTheEnvironment) {
  using env = std::vector<std::pair<QString, QString>>;
  const struct {
    QStringList arguments;
    env environment;
    ui_language expected;
  } cases[] = {
      {{"kinelab"}, {}, ui_language::japanese},
      {{"kinelab", "--lang", "en"}, {}, ui_language::english},
      {{"kinelab", "--lang=en"}, {{"LANG", "ja_JP.UTF-8"}}, ui_language::english},
      {{"kinelab", "--lang", "ja"}, {{"LANG", "en_US.UTF-8"}}, ui_language::japanese},
      {{"kinelab"}, {{"LANG", "en_US.UTF-8"}}, ui_language::english},
      {{"kinelab"}, {{"LANG", "C.UTF-8"}}, ui_language::japanese},
      {{"kinelab"}, {{"LANGUAGE", "en:ja"}, {"LANG", "ja_JP.UTF-8"}}, ui_language::english},
      {{"kinelab"}, {{"LANGUAGE", "ja"}, {"LANG", "en_GB.UTF-8"}}, ui_language::japanese},
      {{"kinelab"}, {{"LC_ALL", "en_GB.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, ui_language::english},
      {{"kinelab"}, {{"LANG", "de_DE.UTF-8"}}, ui_language::japanese},
  };
  for (const auto& c : cases)
    EXPECT_EQ(choose_language(c.arguments, c.environment), c.expected)
        << c.arguments.join(' ').toStdString();
}

}  // namespace
}  // namespace kinelab
