#pragma once
// What a simulation window offers beside its own controls, in a row above them: saving its
// setup as a study and opening one (保存, 開く), the pages of "diagnostics", the derivative check
// on the graphs, the comparison of the three profiles, and the export of the drawing (SVG, PNG) and
// of the trajectory arrays (CSV). Every outcome, a file not written included, goes to the window's
// status line.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QToolBar>
#include <functional>
#include <string>

#include "app/io/file_writer.h"
#include "gui/workspace_panel.h"

class QAction;

namespace kinelab {

class sim_window;
class window_widget;

class sim_tools : public QToolBar {
  Q_OBJECT
 public:
  // Asks where to save: (parent, dialog caption, suggested path, name filter) → the chosen
  // path, empty when the user cancelled. A file dialog unless replaced.
  using path_chooser =
      std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;

  sim_tools(window_widget& window, sim_window& model);

  void set_path_chooser(path_chooser chooser) { choose_path_ = std::move(chooser); }
  // The same for the file to open: a file dialog unless replaced.
  void set_open_path_chooser(path_chooser chooser) { choose_open_path_ = std::move(chooser); }
  // Opens the study (a .kinelab file or an exported CSV) at `path` into the window, as 開く does;
  // the outcome goes to the status line. False when the file was refused (the window is as it
  // was).
  bool open_study_file(const QString& path);
  // Shows the model's state: whether the derivative check is on.
  void sync();
  // The open profile table, if any.
  QDialog* profile_dialog() const { return profiles_; }
  // The workspace atlas's panel while the picture shows the atlas, else null.
  workspace_panel* workspace() const { return workspace_; }
  // Shows the atlas (作業領域) in the picture, or ends it.
  void show_workspace(bool on);

 private:
  void compare_profiles();
  // Asks for a path and writes what `produce` puts out there (file_writer); an exception from
  // `produce` is reported and leaves the file as it was.
  void save(const QString& what, const QString& suffix, const QString& filter,
            const std::function<void(const text_out&)>& produce);
  void report(const std::string& message, bool is_error);

  window_widget& window_;
  sim_window& model_;
  QAction* derivative_check_ = nullptr;
  path_chooser choose_path_;
  path_chooser choose_open_path_;
  QPointer<QDialog> profiles_;
  QAction* workspace_action_ = nullptr;
  QPointer<workspace_panel> workspace_;
};

}  // namespace kinelab
