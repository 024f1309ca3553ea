#pragma once
// The time slider with the steps of the last Run that need a look marked along its groove:
// steps whose solve did not converge (red) and steps where the solution jumped to another
// branch (magenta). The marks sit where the handle's centre stands at that step.
#include <QScrollBar>
#include <vector>

namespace kinelab {

class marked_scroll_bar : public QScrollBar {
  Q_OBJECT
 public:
  explicit marked_scroll_bar(QWidget* parent = nullptr);

  // Repaints only when the marks change.
  void set_marks(std::vector<int> unconverged, std::vector<int> jumps);
  const std::vector<int>& unconverged_marks() const { return unconverged_; }
  const std::vector<int>& jump_marks() const { return jumps_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<int> unconverged_, jumps_;
};

}  // namespace kinelab
