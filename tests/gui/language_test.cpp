// One language at a time: with the English catalogue installed no widget of any window shows
// Japanese text, with the Japanese one the start and settings windows and the workspace atlas
// (panel, summary, picture) show no English words but names, and the language is chosen from the
// command line, then the environment.
#include "gui/language.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTranslator>
#include <functional>
#include <memory>
#include <set>

#include "app/window/sim_window.h"
#include "gui/form_setting.h"
#include "gui/sim_tools.h"
#include "gui/start_menu.h"
#include "gui/window_widget.h"
#include "gui/workspace_panel.h"
#include "mechanisms/registry.h"

namespace kinelab {
namespace {

// The part of a text that is not in the language under test, empty when there is none.
using stray_text = std::function<QString(const QString&)>;

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

// English words in a Japanese text: runs of two or more Latin letters other than the names
// given (quantities, units, planes, the window's own names).
stray_text english_words_but(std::set<QString> names) {
  return [names = std::move(names)](const QString& text) {
    static const QRegularExpression word("[A-Za-z]{2,}");
    QString found;
    for (const auto& m : word.globalMatch(text))
      if (!names.count(m.captured())) found += m.captured() + ' ';
    return found;
  };
}

// Every text a widget shows: labels, buttons, fields and their placeholders, group titles,
// window titles, actions and their menus, tooltips, list choices, table headers.
void expect_none(const QWidget& root, const stray_text& stray) {
  std::vector<const QWidget*> widgets = {&root};
  for (const QWidget* w : root.findChildren<QWidget*>()) widgets.push_back(w);
  for (const QWidget* w : widgets) {
    const std::string name =
        std::string(w->metaObject()->className()) + " \"" + w->objectName().toStdString() + "\"";
    QStringList texts = {w->windowTitle(), w->toolTip()};
    if (auto* l = qobject_cast<const QLabel*>(w)) texts << l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) texts << b->text();
    if (auto* e = qobject_cast<const QLineEdit*>(w)) texts << e->text() << e->placeholderText();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) texts << g->title();
    for (const QAction* a : w->actions()) texts << a->text() << a->toolTip();
    if (auto* m = qobject_cast<const QMenu*>(w)) texts << m->title();
    if (auto* c = qobject_cast<const QComboBox*>(w))
      for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
    if (auto* t = qobject_cast<const QTableWidget*>(w))
      for (int col = 0; col < t->columnCount(); ++col)
        if (const QTableWidgetItem* h = t->horizontalHeaderItem(col)) texts << h->text();
    for (const QString& t : texts)
      EXPECT_TRUE(stray(t).isEmpty()) << name << " shows " << t.toStdString();
  }
}

void expect_no_japanese(const QWidget& root) {
  expect_none(root, japanese_in);
}

// The workspace panel of a simulation window, opened from its tools row.
workspace_panel& open_workspace(window_widget& w) {
  w.tools()->findChild<QAction*>("workspace")->trigger();
  workspace_panel* panel = w.tools()->workspace();
  EXPECT_NE(panel, nullptr);
  panel->settle();
  return *panel;
}

// The panel, the window's status line and every text drawn on the picture.
void expect_none_in_atlas(window_widget& w, const workspace_panel& panel, const stray_text& stray) {
  expect_none(panel, stray);
  EXPECT_TRUE(stray(w.status_line()->text()).isEmpty()) << w.status_line()->text().toStdString();
  for (const draw_op& op : w.model().picture()->ops()) {
    if (op.what == draw_op::kind::text) {
      EXPECT_TRUE(stray(QString::fromStdString(op.text)).isEmpty()) << "drawn: " << op.text;
    }
  }
}

// The names a Japanese atlas may show in Latin letters: planes, units, the quantities (σmin,
// log10, the actuators) and the window's own names (its title, "Run").
stray_text names_of_atlas(window_widget& w, const workspace_panel& panel) {
  std::set<QString> names = {"xy", "xz", "yz", "deg", "log", "min", "Run"};
  QStringList sources = {caption_text(w.model().title())};
  if (panel.source())
    for (const std::string& a : panel.source()->actuator_captions)
      sources << QString::fromStdString(a);
  static const QRegularExpression word("[A-Za-z]{2,}");
  for (const QString& text : sources)
    for (const auto& m : word.globalMatch(text)) names.insert(m.captured());
  return english_words_but(std::move(names));
}

// The program in one language, its catalogue installed for the test.
class program_in : public ::testing::Test {
 protected:
  void install(ui_language lang) {
    translator_.reset(install_language(lang));
    ASSERT_NE(translator_, nullptr);
  }
  void TearDown() override {
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
    set_program_language(ui_language::japanese);  // as the other tests find the windows
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  std::unique_ptr<QTranslator> translator_;
};

class english_program : public program_in {
 protected:
  void SetUp() override { install(ui_language::english); }
};

class japanese_program : public program_in {
 protected:
  void SetUp() override { install(ui_language::japanese); }
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
      expect_none_in_atlas(*w, open_workspace(*w), japanese_in);
    }
    expect_no_japanese(*w);
  }
}

// The start window, its menus and the settings window: no English words but the program's
// name and the words of the menus' own captions ("file", "dravik機構（３軸）", "DENDO VC-6353").
// Qt's own file dialogs and message boxes speak Japanese too; the English program drops them.
TEST_F(japanese_program, QtsOwnDialogsSpeakJapanese) {
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Save As"), "Save As");
  EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
  translator_.reset(install_language(ui_language::english));
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Save As"), "Save As");
}

TEST_F(japanese_program, TheStartAndSettingsWindowsShowNoEnglish) {
  std::set<QString> names = {application_title, "file", "OK"};
  std::vector<const char*> captions;
  for (const submenu_decl& sub : mechanism_menus()) {
    captions.push_back(sub.caption);
    for (const menu_item_decl& item : sub.items) captions.push_back(item.caption);
  }
  for (const menu_item_decl& item : test_menu_items()) captions.push_back(item.caption);
  static const QRegularExpression word("[A-Za-z]{2,}");
  for (const char* c : captions)
    for (const auto& m : word.globalMatch(QString::fromUtf8(c))) names.insert(m.captured());
  start_menu start;
  start.show();
  expect_none(start, english_words_but(names));
  expect_none(*start.open_settings(), english_words_but(names));
}

TEST_F(japanese_program, TheWorkspaceAtlasOfEveryWindowShowsNoEnglish) {
  for (const window_entry& entry : window_registry()) {
    std::unique_ptr<window_model> model = entry.make();
    if (!dynamic_cast<sim_window*>(model.get())) continue;
    SCOPED_TRACE(entry.name);
    window_widget w(std::move(model));
    const workspace_panel& panel = open_workspace(w);
    expect_none_in_atlas(w, panel, names_of_atlas(w, panel));
  }
}

// What the atlas says when it cannot be drawn or holds nothing, in each language.
TEST_F(program_in, TheWorkspaceAtlasProblemsSpeakTheProgramsLanguage) {
  const struct {
    const char* what;
    int limit_row;  // the limits of this row set to lo..hi, or -1 for the offset
    const char *lo, *hi, *offset;
    bool error;
  } cases[] = {
      {"nothing reachable", 0, "0", "0.001", "", false},
      {"limits not a range", 1, "2", "1", "", true},
      {"limit not a number", 2, "1..2", "3", "", true},
      {"offset not a number", -1, "", "", "1..2", true},
  };
  for (ui_language lang : {ui_language::english, ui_language::japanese}) {
    install(lang);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (lang == ui_language::english ? " (en)" : " (ja)"));
      window_widget w(find_window("form_stewart_gyaku")->make());
      workspace_panel& panel = open_workspace(w);
      if (c.limit_row >= 0) {
        auto* limits = panel.findChild<QTableWidget*>("workspace_limits");
        limits->item(c.limit_row, 1)->setText(c.lo);
        limits->item(c.limit_row, 2)->setText(c.hi);
      } else {
        auto* offset = panel.findChild<QLineEdit*>("workspace_offset");
        offset->setText(c.offset);
        emit offset->editingFinished();
      }
      panel.settle();
      EXPECT_EQ(w.model().status_is_error, c.error) << w.status_line()->text().toStdString();
      if (lang == ui_language::english)
        expect_none_in_atlas(w, panel, japanese_in);
      else
        expect_none_in_atlas(w, panel, names_of_atlas(w, panel));
    }
    QCoreApplication::removeTranslator(translator_.get());
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

// The language options are not studies to open; everything else is.
TEST(language_choice, TheLanguageOptionsAreNotStudies) {
  const struct {
    QStringList arguments, studies;
  } cases[] = {
      {{"--lang", "en"}, {}},
      {{"--lang=en", "a.kinelab"}, {"a.kinelab"}},
      {{"a.kinelab", "--lang", "ja", "b.csv"}, {"a.kinelab", "b.csv"}},
      {{"--lang"}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(without_language_options(c.arguments), c.studies)
        << c.arguments.join(' ').toStdString();
}

}  // namespace
}  // namespace kinelab
