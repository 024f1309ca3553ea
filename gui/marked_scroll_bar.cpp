#include "gui/marked_scroll_bar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace kinelab {

namespace {
// Thin and short, so that a run marked at every step still leaves the handle in sight.
constexpr int mark_length_px = 4;
const QColor unconverged_colour(220, 0, 0);
const QColor jump_colour(200, 0, 200);
}  // namespace

marked_scroll_bar::marked_scroll_bar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

void marked_scroll_bar::set_marks(std::vector<int> unconverged, std::vector<int> jumps) {
  if (unconverged == unconverged_ && jumps == jumps_) return;
  unconverged_ = std::move(unconverged);
  jumps_ = std::move(jumps);
  update();
}

void marked_scroll_bar::paintEvent(QPaintEvent* event) {
  QScrollBar::paintEvent(event);
  if ((unconverged_.empty() && jumps_.empty()) || maximum() <= minimum()) return;

  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect groove =
      style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
  const int span = groove.width() - handle.width();
  if (span <= 0) return;

  QPainter painter(this);
  // Unconverged steps hang from the groove's bottom edge, jumps from its top edge.
  auto draw = [&](const std::vector<int>& steps, const QColor& colour, bool at_top) {
    painter.setPen(QPen(colour, 1));
    const int y0 = at_top ? groove.top() : groove.bottom() - mark_length_px + 1;
    for (int step : steps) {
      if (step < minimum() || step > maximum()) continue;
      const int x = groove.left() + handle.width() / 2 +
                    QStyle::sliderPositionFromValue(minimum(), maximum(), step, span);
      painter.drawLine(x, y0, x, y0 + mark_length_px - 1);
    }
  };
  draw(unconverged_, unconverged_colour, false);
  draw(jumps_, jump_colour, true);
}

}  // namespace kinelab
