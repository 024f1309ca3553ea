#pragma once
// One Qt window for any window model: it lays out the model's control grids, option group,
// buttons, labels, drawing surface and status line, forwards every user event to the model and
// then shows the model's state again. The model decides; the widget only forwards and paints.
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/window/window_model.h"

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QSplitter;

namespace kinelab {

class marked_scroll_bar;
class sim_tools;
class sim_window;

// The drawing surface `Picture2`: replays the model's recording and reports pointer movement.
class picture_widget : public QWidget {
  Q_OBJECT
 public:
  // Opens at the default size (157 × 148 mm at the screen's dpi) and follows the window.
  picture_widget(recording_surface& recording, QWidget* parent = nullptr);
  QSize sizeHint() const override { return default_size_; }
  QSize minimumSizeHint() const override;
  double width_mm() const;
  double height_mm() const;

 signals:
  // Device coordinates in pixels, with the left button's state.
  void pointer_moved(double x, double y, bool left_button);
  // The new size in millimetres.
  void resized(double width_mm, double height_mm);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  recording_surface& recording_;
  QSize default_size_;
};

class window_widget : public QWidget {
  Q_OBJECT
 public:
  // Takes the model, builds the controls, opens the model once and shows its state. The
  // window opens at a size that fits `screen` (the available area of a screen; empty: the
  // screen it opens on), its controls laid out for that room.
  explicit window_widget(std::unique_ptr<window_model> model, QWidget* parent = nullptr,
                         QSize screen = {});
  ~window_widget() override;

  window_model& model() { return *model_; }
  // Controls by their names: "Text2(1)", "Text9", "HScroll2(0)", "run", "Picture2".
  QLineEdit* field(const std::string& group, int index = 0) const;
  QScrollBar* slider(const std::string& group, int index = 0) const;
  QPushButton* button(const std::string& name) const;
  picture_widget* picture() const { return picture_; }
  QLabel* status_line() const { return status_; }
  bool timer_running() const { return timer_.isActive(); }
  // A simulation window's additions: the row above its controls and the marked time slider.
  sim_tools* tools() const { return tools_; }
  marked_scroll_bar* time_slider() const { return time_slider_; }

  // Shows the model's state in every control (signals blocked), restarts or stops the timer
  // as the model says, and repaints the picture.
  void sync();
  // Stands `panel` beside the picture, its width taken from the controls (which scroll) so that
  // the picture keeps its size; the controls get their width back when the panel goes.
  void dock_beside_picture(QWidget* panel);
  // Shows the model's labels alone (a caption changed after sync()).
  void sync_labels();

  // The user's actions, as the controls deliver them.
  void text_edited(const std::string& group, int index, const std::string& text);
  void slider_moved(const std::string& group, int index, int value);
  void option_chosen(int index);
  void button_pressed(const std::string& name);
  // How long a Run computes before its progress bar appears (tests shorten it).
  void set_progress_delay_ms(int ms) { progress_delay_ms_ = ms; }
  void pointer_moved(double x, double y, bool left_button);
  void picture_resized(double width_mm, double height_mm);
  void timer_tick();

 signals:
  // After every event has been handled and the controls show the model again.
  void synced();

 private:
  struct field_ref {
    std::string group;
    int index;
    QLineEdit* edit;
  };
  struct slider_ref {
    std::string group;
    int index;
    QScrollBar* bar;
  };
  struct label_ref {
    std::string name;
    QLabel* label;
  };

  QWidget* build_grid(const control_grid& grid, QWidget* parent);
  // The Run button of a simulation window, with its busy cursor and progress bar.
  void run();
  control_grid unplaced_controls() const;
  bool heads_columns(const std::string& caption) const;
  QLabel* caption_label(const std::string& text, QWidget* parent);
  // Runs a model event; an exception becomes an error in the status line, never a crash.
  template <class F>
  void guarded(F&& event);

  std::unique_ptr<window_model> model_;
  sim_window* sim_ = nullptr;  // the model, when it is a simulation window
  sim_tools* tools_ = nullptr;
  marked_scroll_bar* time_slider_ = nullptr;
  std::vector<field_ref> fields_;
  std::vector<slider_ref> sliders_;
  std::vector<label_ref> labels_;           // every widget that shows one of ctl.labels
  std::vector<std::string> spread_labels_;  // labels shown word by word over their columns
  std::map<std::string, QPushButton*> buttons_;
  QButtonGroup* options_ = nullptr;
  picture_widget* picture_ = nullptr;
  QSplitter* body_ = nullptr;  // the controls and the picture side by side
  QLabel* status_ = nullptr;
  QTimer timer_;
  int progress_delay_ms_;
};

}  // namespace kinelab
