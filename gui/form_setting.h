#pragma once
// The settings window: cycle time T and number of divisions N of the start window's settings.
// OK applies both and closes; a rejected text leaves the window open with the reason shown in
// it, and closing by the frame discards the edits.
#include <QWidget>

#include "app/window/settings.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kinelab {

class form_setting : public QWidget {
  Q_OBJECT
 public:
  // `target`: the settings OK writes; it must outlive this window.
  explicit form_setting(run_settings& target, QWidget* parent = nullptr);

  QLineEdit* cycle_time() const { return text1_; }
  QLineEdit* divisions() const { return text2_; }
  QLabel* message() const { return message_; }

  // Command1 "OK".
  void ok();

 signals:
  void applied();

 private:
  QLineEdit* text1_;
  QLineEdit* text2_;
  QPushButton* command1_;
  QLabel* message_;
  run_settings& target_;
};

}  // namespace kinelab
