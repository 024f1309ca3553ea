#pragma once
// The settings window: cycle time T and number of divisions N for every window opened
// afterwards. OK applies both and closes; a rejected text leaves the window open with the
// reason shown in it, and closing by the frame discards the edits.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kinelab {

class form_setting : public QWidget {
  Q_OBJECT
 public:
  explicit form_setting(QWidget* parent = nullptr);

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
};

}  // namespace kinelab
