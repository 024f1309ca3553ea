#pragma once
// The workspace atlas of a simulation window (作業領域), shown in the window's picture while
// this panel stands beside it: the slice to draw (mode, plane, offset, cells) and the actuator
// limits (the defaults from the window's Run, which the user may edit). Every event of the
// window redraws the atlas; its fields and the pose sliders change it, a button of the window
// or a Run ends it. The atlas is computed off the GUI thread (the status line says so meanwhile;
// a newer change stops it and starts over), from a cache that keeps what a move of the pose
// leaves as it was. The Run's limits are taken when the atlas opens, when a field of the window
// changes and on "limits from the Run", not when a pose slider moves (whose Run starts where the
// pose stands): the atlas stays put and the pose moves over it.
#include <QFrame>
#include <QFutureWatcher>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
  ~workspace_panel() override;

  // Computes the atlas again when the window or the panel changed since the last one, and
  // draws it on the window's picture; ends the atlas when the window's animation runs.
  void refresh();
  // The atlas shown and the source it was computed from.
  const std::optional<atlas_grid>& grid() const { return grid_; }
  const std::optional<atlas_source>& source() const { return shown_source_; }
  // An atlas is being computed (the picture shows the last one, if any).
  bool computing() const;
  // Waits for the atlas under way (and any that follows it) to be shown: for scripts and tests.
  void settle();
  // What the last atlas took from the window's cache.
  atlas_cache::reuse last_reuse() const { return cache_->last_reuse(); }
  // Gives the window its own status line back and hides the panel; once.
  void end();

 signals:
  // The panel closed, or the window's own drawing took the picture back.
  void ended();
  // A computed atlas (or why there is none) is shown.
  void settled();

 private:
  void fill_limits();
  // Tall enough for every row of the limits table.
  void fit_limits();
  // The keys of what the atlas depends on: the window's sliders, its fields and option, and the
  // panel's controls.
  std::string sliders_key() const;
  std::string fields_key() const;
  std::string panel_key() const;
  void report(const std::string& message, bool is_error);
  // Says why there is no atlas, in the panel and on the status line.
  void no_atlas(const std::string& problem);
  // Starts computing the atlas of `source` off the GUI thread, stopping one under way.
  void start(atlas_source source, atlas_request request);
  void finished();
  // Draws the atlas shown on the window's picture.
  void show_atlas();
  void stop_computing();

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
  std::string last_sliders_, last_fields_, last_panel_;
  bool have_key_ = false;
  // The Run's limits as last taken, as stored.
  std::vector<atlas_limit> run_limits_;
  bool take_run_limits_ = true;
  std::optional<atlas_source> source_;        // the window as last read
  std::optional<atlas_source> shown_source_;  // the one grid_ was computed from
  std::optional<atlas_grid> grid_;
  std::shared_ptr<atlas_cache> cache_ = std::make_shared<atlas_cache>();
  QFutureWatcher<atlas_result>* watcher_ = nullptr;
  std::shared_ptr<std::atomic<bool>> stop_;  // the computation under way stops when set
  std::shared_ptr<const atlas_source> computing_source_;
  bool restart_ = false;  // the inputs changed while computing
  bool discard_ = false;  // what is being computed is not to be shown (the inputs have no atlas)
};

}  // namespace kinelab
