#pragma once
// The start window: the menu from which every window opens, the exit button, and the
// program's title, version and pictures. It resets N and T when it opens and lives as long as
// the program; closing it closes every other window.
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

#include "app/study/study_file.h"
#include "gui/form_setting.h"
#include "gui/window_widget.h"

namespace kinelab {

inline constexpr const char* application_title = "kinelab";

// One item of the 機構選択 and 関数テスト menus: its name, caption and the window it opens.
struct menu_item_decl {
  const char* item;
  const char* caption;
  const char* window;
};
struct submenu_decl {
  const char* name;
  const char* caption;
  std::vector<menu_item_decl> items;
};
// The mechanism submenus in menu order, and the function-test items.
const std::vector<submenu_decl>& mechanism_menus();
const std::vector<menu_item_decl>& test_menu_items();

class start_menu : public QMainWindow {
  Q_OBJECT
 public:
  explicit start_menu(QWidget* parent = nullptr);
  ~start_menu() override;

  // Opens the window named `window` as its menu item does: a new instance of a simulation
  // window, the single instance of a function-test window. Null when it is not available.
  window_widget* open_window(const std::string& window);
  // Opens the window a study names (a .kinelab file or an exported CSV) with the study in it,
  // as 開く does. A file that cannot be opened changes nothing and is explained in a message
  // box (study_message()); then null.
  window_widget* open_study(const QString& path);
  QMessageBox* study_message() const { return study_message_; }
  // Opens the forward and the inverse window of the arm a mechanism file (or a .urdf)
  // describes; returns them, or none when the file cannot be read (said in a message box,
  // study_message()). A file opened becomes the first of the recent mechanism files.
  std::vector<window_widget*> open_mechanism(const QString& path);
  // The recent mechanism files, most recent first, as absolute paths; kept in the program's
  // settings between sessions.
  QStringList recent_mechanisms() const { return recent_; }
  // Opens the recent file at `index` as 最近使った機構 does: one that no longer exists leaves the
  // list, said on the status line.
  std::vector<window_widget*> open_recent_mechanism(int index);
  void clear_recent_mechanisms();
  // Shows the single settings window, bringing it forward when it is already open.
  form_setting* open_settings();
  // "終了": closes every window at once and ends the program.
  void quit_all();

  // The windows opened from this one that are still open, oldest first.
  std::vector<window_widget*> open_windows() const;
  form_setting* settings_window() const { return setting_; }
  // The N and T every window opened from here runs with; the settings window changes them,
  // for the open windows too (from their next Run on).
  const run_settings& settings() const { return settings_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  window_widget* open_mechanism_study(const study& s, const QString& path);
  void build_menu();
  void remember_mechanism(const QString& path);
  void set_recent(const QStringList& paths);
  void close_children();
  void place(QWidget* w);
  void keep_on_screen(QWidget* w);

  std::vector<QPointer<window_widget>> windows_;
  std::map<std::string, QPointer<window_widget>> single_;
  QPointer<form_setting> setting_;
  QPointer<QMessageBox> study_message_;
  QStringList recent_;
  QMenu* recent_menu_ = nullptr;
  run_settings settings_;  // N = 50 and T = 1 while the start window is open
  int placed_ = 0;
};

}  // namespace kinelab
