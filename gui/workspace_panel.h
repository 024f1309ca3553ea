#pragma once
// The workspace atlas of a simulation window (作業領域), shown in the window's picture while
// this panel stands beside it: the slice to draw (mode, plane, offset, cells) and the actuator
// limits (the defaults from the window's Run, which the user may edit). Every event of the
// window redraws the atlas; its fields and the pose sliders change it, a button of the window
// or a Run ends it.
#include <QFrame>
#include <optional>
#include <string>

#include "app/atlas/atlas.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTableWidget;

namespace kinelab {

class sim_window;
class window_widget;

class workspace_panel : public QFrame {
  Q_OBJECT
 public:
  workspace_panel(window_widget& window, sim_window& model);

  // Computes the atlas again when the window or the panel changed since the last one, and
  // draws it on the window's picture; ends the atlas when the window's animation runs.
  void refresh();
  const std::optional<atlas_grid>& grid() const { return grid_; }
  const std::optional<atlas_source>& source() const { return source_; }
  // Gives the window its own status line back and hides the panel; once.
  void end();

 signals:
  // The panel closed, or the window's own drawing took the picture back.
  void ended();

 private:
  void fill_limits();
  // Tall enough for every row of the limits table.
  void fit_limits();
  // The key of what the atlas depends on: every control of the window and of the panel.
  std::string inputs_key() const;
  void report(const std::string& message, bool is_error);
  // Says why there is no atlas, in the panel and on the status line.
  void no_atlas(const std::string& problem);

  window_widget& window_;
  sim_window& model_;
  QComboBox* mode_ = nullptr;
  QComboBox* plane_ = nullptr;
  QLineEdit* offset_ = nullptr;
  QSpinBox* cells_ = nullptr;
  QTableWidget* limits_ = nullptr;
  QLabel* summary_ = nullptr;
  bool user_limits_ = false;
  bool ending_ = false;
  std::string last_key_;
  std::optional<atlas_source> source_;
  std::optional<atlas_grid> grid_;
};

}  // namespace kinelab
