#include "gui/window_widget.h"

#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

#include "app/service/window_service.h"
#include "app/window/sim_window.h"
#include "gui/language.h"
#include "gui/marked_scroll_bar.h"
#include "gui/qpainter_surface.h"
#include "gui/sim_tools.h"

namespace kinelab {

namespace {

constexpr double mm_per_inch = 25.4;
constexpr int timer_interval_ms = 200;
// What a usual desktop adds around a window: its borders, and a title bar above it.
constexpr int frame_width_px = 16;
constexpr int frame_height_px = 40;
// The rows above and below the columns (the tools row, the status line) and the margins.
constexpr int chrome_height_px = 100;
constexpr int chrome_width_px = 40;
// The controls flow into columns: a column may be as tall as the drawing surface's column,
// and taller when the columns would otherwise grow wider than what the screen leaves beside
// the picture (at most control_block_width_px), up to what the screen leaves for them; beyond
// that the columns grow taller still and the controls scroll.
constexpr int control_block_width_px = 950;
// Without a drawing surface there is nothing to match; columns start at this height, or at
// what the screen leaves below the window's explanations, down to the minimum.
constexpr int default_column_height_px = 600;
constexpr int minimum_column_height_px = 200;
constexpr int column_height_step_px = 20;
// The status line keeps room for two lines, so that a usual report needs no taller window.
constexpr int status_lines = 2;
// A field is wide enough for the longest number form at the normal font size, so that every
// value shows whole; the tooltip holds the text as well.
constexpr char field_sample[] = "-1.23456789012345E-308";
constexpr int field_padding_px = 12;  // the line edit's frame and text margins
// A Run that takes longer than the delay shows a progress bar, repainted this often.
constexpr int default_progress_delay_ms = 500;
constexpr int progress_repaint_ms = 50;
// The width the controls keep beside the picture when the screen is narrow.
constexpr int controls_minimum_width_px = 360;
// A panel docked beside the picture is at least this wide.
constexpr int side_panel_width_px = 260;
// The drawing surface may shrink to this fraction of its default size with the window.
constexpr double picture_minimum_fraction = 0.4;

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

std::string control_name(const std::string& group, int index, bool indexed) {
  return address_text(group, index, indexed);
}

// Blocks of controls placed top to bottom in columns: each column's first block, and the width
// of the columns side by side.
struct column_flow {
  std::vector<int> starts;
  int width = 0;
};

// Fills a column until the next block would make it taller than `height`; a block taller than
// that stands in a column of its own.
column_flow flow_columns(const std::vector<QSize>& blocks, int height, int spacing, int gap) {
  column_flow flow;
  int used = 0;
  int column_width = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const QSize b = blocks[i];
    if (flow.starts.empty() || used + spacing + b.height() > height) {
      if (!flow.starts.empty()) flow.width += column_width + gap;
      flow.starts.push_back(static_cast<int>(i));
      used = b.height();
      column_width = b.width();
    } else {
      used += spacing + b.height();
      column_width = std::max(column_width, b.width());
    }
  }
  flow.width += column_width;
  return flow;
}

// The shortest columns, no shorter than `first_height`, that keep the controls within
// `width_limit`; one column when none do.
std::vector<int> choose_columns(const std::vector<QSize>& blocks, int first_height, int width_limit,
                                int spacing, int gap) {
  for (int height = first_height;; height += column_height_step_px) {
    column_flow flow = flow_columns(blocks, height, spacing, gap);
    if (flow.width <= width_limit || flow.starts.size() <= 1) return flow.starts;
  }
}

// The scrolling area of the controls: it asks for room to show all of them, and gives way down
// to a small part of them when the window is made smaller.
class control_area : public QScrollArea {
 public:
  explicit control_area(QWidget* parent) : QScrollArea(parent) {
    setObjectName("controls");
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
  }
  // Room for a vertical scroll bar as well: on a low screen the controls scroll up and down,
  // and the bar must not cover their right edge.
  QSize sizeHint() const override {
    const QSize inner = widget() ? widget()->sizeHint() : QSize();
    return inner + QSize(2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                         2 * frameWidth());
  }
  QSize minimumSizeHint() const override { return {160, 120}; }
};

// A grid of fixed texts only, such as the lines that explain a function-test window.
bool only_text(const control_grid& grid) {
  for (const auto& row : grid.rows)
    for (const grid_cell& c : row)
      if (c.what != grid_cell::kind::text && c.what != grid_cell::kind::empty) return false;
  return !grid.rows.empty();
}

// The words of a caption that heads several columns ("Px    Py    Pz", "start  stop"), split
// at blanks and ideographic spaces.
QStringList caption_words(const QString& caption) {
  return caption.split(QRegularExpression("[\\s\\x{3000}]+"), Qt::SkipEmptyParts);
}

}  // namespace

// ---- picture_widget ----

picture_widget::picture_widget(recording_surface& recording, QWidget* parent)
    : QWidget(parent), recording_(recording) {
  setObjectName("Picture2");
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  default_size_ =
      QSize(static_cast<int>(std::lround(default_surface_width_mm * logicalDpiX() / mm_per_inch)),
            static_cast<int>(std::lround(default_surface_height_mm * logicalDpiY() / mm_per_inch)));
  resize(default_size_);
}

QSize picture_widget::minimumSizeHint() const {
  return default_size_ * picture_minimum_fraction;
}

void picture_widget::resizeEvent(QResizeEvent*) {
  emit resized(width_mm(), height_mm());
}

double picture_widget::width_mm() const {
  return width() * mm_per_inch / logicalDpiX();
}
double picture_widget::height_mm() const {
  return height() * mm_per_inch / logicalDpiY();
}

void picture_widget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  qpainter_surface target(painter, width(), height(), logicalDpiX(), logicalDpiY());
  recording_.replay(target);
  painter.setPen(QColor(128, 128, 128));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void picture_widget::mouseMoveEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  emit pointer_moved(p.x(), p.y(), (event->buttons() & Qt::LeftButton) != 0);
}

// ---- window_widget ----

window_widget::window_widget(std::unique_ptr<window_model> model, QWidget* parent, QSize screen)
    : QWidget(parent), model_(std::move(model)), sim_(simulation_of(*model_)) {
  setObjectName(qs(model_->name()));
  setWindowTitle(caption_text(model_->shown_title(program_language())));
  setFont(japanese_font());
  if (screen.isEmpty()) screen = this->screen()->availableGeometry().size();

  auto* root = new QVBoxLayout(this);
  if (sim_) {
    tools_ = new sim_tools(*this, *sim_);
    root->setMenuBar(tools_);
  }
  // Everything but the picture and the status line scrolls when the window is too small.
  auto* area = new control_area(this);
  auto* content = new QWidget(area);
  auto* content_layout = new QVBoxLayout(content);
  content_layout->setContentsMargins(0, 0, 0, 0);

  // Every grid of the layout, and a grid for the controls it leaves out. Without a drawing
  // surface, the grids of text that open the layout explain the window: they stand above the
  // columns, across them, as the labels do.
  std::vector<QWidget*> blocks;
  std::vector<QWidget*> explanations;
  std::vector<control_grid> grids = model_->layout();
  if (control_grid rest = unplaced_controls(); !rest.rows.empty()) grids.push_back(rest);
  for (const control_grid& grid : grids) {
    QWidget* block = build_grid(grid, content);
    const bool explains = !model_->picture() && blocks.empty() && only_text(grid);
    (explains ? explanations : blocks).push_back(block);
  }

  // Labels of the window that no grid shows.
  std::vector<QLabel*> free_labels;
  for (const label& l : model_->ctl.labels) {
    const bool shown = std::any_of(labels_.begin(), labels_.end(),
                                   [&](const label_ref& r) { return r.name == l.name; });
    const bool spread =
        std::find(spread_labels_.begin(), spread_labels_.end(), l.name) != spread_labels_.end();
    if (shown || spread || heads_columns(l.caption)) continue;
    QLabel* w = caption_label(l.caption, this);
    w->setObjectName(qs(l.name));
    labels_.push_back({l.name, w});
    free_labels.push_back(w);
  }

  // Option group and buttons, under the scrolling controls: always in reach.
  auto* controls_box = new QWidget(this);
  auto* controls_row = new QHBoxLayout(controls_box);
  controls_row->setContentsMargins(4, 4, 4, 4);
  controls_row->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (!model_->ctl.option_captions.empty()) {
    auto* box = new QGroupBox(controls_box);
    box->setObjectName("Option1");
    auto* v = new QVBoxLayout(box);
    options_ = new QButtonGroup(this);
    for (std::size_t i = 0; i < model_->ctl.option_captions.size(); ++i) {
      auto* r = new QRadioButton(caption_text(model_->ctl.option_captions[i]), box);
      r->setObjectName(qs(address_text("Option1", static_cast<int>(i), true)));
      options_->addButton(r, static_cast<int>(i));
      v->addWidget(r);
    }
    connect(options_, &QButtonGroup::idClicked, this, [this](int id) { option_chosen(id); });
    controls_row->addWidget(box);
  }
  // Buttons stand in a column beside the option group, or in a row when there is none.
  QBoxLayout* button_column = options_ ? static_cast<QBoxLayout*>(new QVBoxLayout)
                                       : static_cast<QBoxLayout*>(new QHBoxLayout);
  button_column->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  for (const button_decl& b : model_->buttons()) {
    auto* w = new QPushButton(caption_text(b.caption), controls_box);
    w->setObjectName(qs(b.name));
    w->setAutoDefault(false);
    buttons_[b.name] = w;
    connect(w, &QPushButton::clicked, this, [this, name = b.name] { button_pressed(name); });
    button_column->addWidget(w);
  }
  controls_row->addLayout(button_column);
  if (!options_ && model_->buttons().empty()) {
    delete controls_box;
    controls_box = nullptr;
  }

  // The drawing surface with the labels that caption it ("動画" or the graph shown).
  QVBoxLayout* picture_column = nullptr;
  if (recording_surface* recording = model_->picture()) {
    picture_ = new picture_widget(*recording, this);
    recording->resize(picture_->width_mm(), picture_->height_mm());
    connect(picture_, &picture_widget::pointer_moved, this,
            [this](double x, double y, bool left_button) { pointer_moved(x, y, left_button); });
    connect(picture_, &picture_widget::resized, this,
            [this](double w_mm, double h_mm) { picture_resized(w_mm, h_mm); });
    picture_column = new QVBoxLayout;
    for (QLabel* l : free_labels) picture_column->addWidget(l);
    picture_column->addWidget(picture_, 1);
  } else {
    // Without a surface the labels explain the window: they go above the controls.
    for (QLabel* l : free_labels) {
      l->setParent(content);
      content_layout->addWidget(l);
    }
  }
  for (QWidget* e : explanations) content_layout->addWidget(e);

  // The blocks flow top to bottom into columns, in the order the window declares them, as
  // wide as the screen leaves beside the picture.
  const int spacing = style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing);
  const int column_gap = style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
  std::vector<QSize> sizes;
  for (QWidget* b : blocks) sizes.push_back(b->sizeHint());
  int labels_height = 0;
  for (QLabel* l : free_labels) labels_height += l->sizeHint().height() + spacing;
  for (QWidget* e : explanations) labels_height += e->sizeHint().height() + spacing;
  const int first_height =
      picture_column
          ? picture_column->sizeHint().height()
          : std::clamp(screen.height() - frame_height_px - chrome_height_px - labels_height,
                       minimum_column_height_px, default_column_height_px);
  const int beside_picture = screen.width() - frame_width_px - chrome_width_px -
                             (picture_column ? picture_column->sizeHint().width() : 0);
  const std::vector<int> starts = choose_columns(
      sizes, first_height,
      picture_column ? std::min(control_block_width_px, beside_picture) : beside_picture, spacing,
      column_gap);

  auto* columns = new QHBoxLayout;
  columns->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  for (std::size_t c = 0; c < starts.size(); ++c) {
    auto* column = new QVBoxLayout;
    column->setAlignment(Qt::AlignTop);
    const std::size_t end =
        c + 1 < starts.size() ? static_cast<std::size_t>(starts[c + 1]) : blocks.size();
    for (std::size_t b = static_cast<std::size_t>(starts[c]); b < end; ++b)
      column->addWidget(blocks[b]);
    columns->addLayout(column);
  }
  // Spare width stays right of the last column, so the columns keep their gaps.
  columns->addStretch(1);
  content_layout->addLayout(columns);
  content_layout->addStretch(1);
  area->setWidget(content);
  auto* left = new QWidget(this);
  left->setObjectName("controls_column");
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->addWidget(area, 1);
  if (controls_box) {
    controls_box->setParent(left);
    left_layout->addWidget(controls_box);
  }

  // The picture takes the room the window gains; the controls keep what they need, and the
  // divider between them can be dragged.
  QSplitter* body = nullptr;
  if (picture_column) {
    body = new QSplitter(Qt::Horizontal, this);
    body->setObjectName("body");
    body->setChildrenCollapsible(false);
    body->addWidget(left);
    auto* picture_box = new QWidget(body);
    picture_column->setContentsMargins(0, 0, 0, 0);
    picture_box->setLayout(picture_column);
    body->addWidget(picture_box);
    body->setStretchFactor(0, 0);
    body->setStretchFactor(1, 1);
    root->addWidget(body, 1);
    body_ = body;
  } else {
    root->addWidget(left, 1);
  }

  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  status_->setMinimumHeight(status_lines * status_->fontMetrics().lineSpacing());
  root->addWidget(status_);

  timer_.setInterval(timer_interval_ms);
  progress_delay_ms_ = default_progress_delay_ms;
  connect(&timer_, &QTimer::timeout, this, [this] { timer_tick(); });

  // The status line speaks the program's language and names fields as the user sees them.
  model_->language = program_language();
  model_->translate_caption = [](const std::string& c) { return caption_text(c).toStdString(); };
  model_->name_controls_in_status = false;
  guarded([this] { model_->open(); });
  sync();
  // Opens at the size that shows everything, as far as the screen allows; where the width
  // does not suffice, the picture keeps its default width as long as the controls keep
  // controls_minimum_width_px beside it.
  const QSize room(screen.width() - frame_width_px, screen.height() - frame_height_px);
  QSize wanted = sizeHint();
  // A splitter's size hint leaves out its handle.
  if (body) wanted.rwidth() += body->handleWidth();
  // Controls cut short across scroll across, and that scroll bar takes its height from them.
  if (wanted.width() > room.width())
    wanted.rheight() += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  resize(wanted.boundedTo(room));
  if (body) {
    layout()->activate();
    const int total = body->width() - body->handleWidth();
    const int picture_width = std::min(body->widget(1)->sizeHint().width(),
                                       std::max(total - controls_minimum_width_px, 0));
    body->setSizes({total - picture_width, picture_width});
  }
}

void window_widget::picture_resized(double width_mm, double height_mm) {
  if (!sim_) return;
  guarded([&] { sim_->picture_resized(width_mm, height_mm); });
  sync();
}

window_widget::~window_widget() = default;

control_grid window_widget::unplaced_controls() const {
  // A field or slider that no grid of the layout shows would be out of the user's reach; such
  // controls get a grid of their own, captioned with their captions or names.
  auto placed = [&](const std::string& group, int index, grid_cell::kind what) {
    for (const control_grid& g : model_->layout())
      for (const auto& row : g.rows)
        for (const grid_cell& c : row)
          if (c.what == what && c.control == group && c.index == index) return true;
    return false;
  };
  control_grid rest;
  for (const text_group& group : model_->ctl.texts)
    for (std::size_t i = 0; i < group.fields.size(); ++i) {
      const int index = static_cast<int>(i);
      if (placed(group.name, index, grid_cell::kind::field)) continue;
      const std::string& caption = group.fields[i].caption;
      rest.row_captions.push_back(caption.empty() ? address_text(group.name, index, group.indexed)
                                                  : caption);
      rest.rows.push_back({grid_cell{grid_cell::kind::field, group.name, index, {}}});
    }
  for (const slider_group& group : model_->ctl.sliders)
    for (std::size_t i = 0; i < group.sliders.size(); ++i) {
      const int index = static_cast<int>(i);
      if (placed(group.name, index, grid_cell::kind::slider)) continue;
      rest.row_captions.push_back(address_text(group.name, index, group.indexed));
      rest.rows.push_back({grid_cell{grid_cell::kind::slider, group.name, index, {}}});
    }
  return rest;
}

QLabel* window_widget::caption_label(const std::string& text, QWidget* parent) {
  auto* l = new QLabel(caption_text(text), parent);
  l->setTextFormat(Qt::PlainText);
  return l;
}

QWidget* window_widget::build_grid(const control_grid& grid, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* g = new QGridLayout(box);
  g->setContentsMargins(4, 4, 4, 4);
  g->setHorizontalSpacing(6);
  g->setVerticalSpacing(2);

  // A fixed text of the grid that one of the window's labels shows is bound to that label,
  // so a caption the model changes later (a graph's name) appears in the same place.
  auto text_at = [&](const std::string& text, int row, int col, int col_span = 1) {
    QLabel* w = caption_label(text, box);
    for (const label& l : model_->ctl.labels) {
      const bool taken = std::any_of(labels_.begin(), labels_.end(),
                                     [&](const label_ref& r) { return r.name == l.name; });
      if (!taken && !text.empty() && l.caption == text) {
        w->setObjectName(qs(l.name));
        labels_.push_back({l.name, w});
        break;
      }
    }
    g->addWidget(w, row, col, 1, col_span);
    return w;
  };
  // A caption of several words that heads as many columns ("Px    Py    Pz", "start  stop",
  // "deg   deg   deg") stands word by word over them; `columns` is the room from `col` on.
  // Returns the first word's label, or null when the text is not spread.
  auto spread_at = [&](const std::string& text, int row, int col, int columns) -> QLabel* {
    const QStringList words = caption_words(caption_text(text));
    if (words.size() < 2 || words.size() > columns) return nullptr;
    QLabel* first = nullptr;
    for (int k = 0; k < words.size(); ++k) {
      auto* w = new QLabel(words[k], box);
      w->setTextFormat(Qt::PlainText);
      w->setAlignment(Qt::AlignCenter);
      g->addWidget(w, row, col + k);
      if (!first) first = w;
    }
    for (const label& l : model_->ctl.labels)
      if (l.caption == text) spread_labels_.push_back(l.name);
    return first;
  };

  std::size_t cell_columns = 0;
  for (const auto& r : grid.rows) cell_columns = std::max(cell_columns, r.size());
  // The first column caption stands over the row captions when there is such a column.
  const bool caption_column =
      !grid.row_captions.empty() || grid.column_captions.size() > cell_columns;
  const int first_cell_col = caption_column ? 1 : 0;

  int row = 0;
  const int grid_columns = static_cast<int>(cell_columns) + first_cell_col;
  if (!grid.title.empty()) {
    const bool spread =
        grid.title.size() > 0 &&
        caption_words(caption_text(grid.title)).size() == static_cast<int>(cell_columns) &&
        spread_at(grid.title, row, first_cell_col, static_cast<int>(cell_columns));
    if (!spread) {
      QLabel* t = text_at(grid.title, row, 0, grid_columns);
      QFont f = t->font();
      f.setBold(true);
      t->setFont(f);
    }
    ++row;
  }
  if (!grid.column_captions.empty()) {
    const auto& captions = grid.column_captions;
    for (std::size_t c = 0; c < captions.size(); ++c) {
      int room = grid_columns - static_cast<int>(c);
      for (std::size_t next = c + 1; next < captions.size(); ++next)
        if (!captions[next].empty()) {
          room = static_cast<int>(next - c);
          break;
        }
      if (!spread_at(captions[c], row, static_cast<int>(c), room))
        text_at(captions[c], row, static_cast<int>(c), 1)->setAlignment(Qt::AlignCenter);
    }
    ++row;
  }

  const QFontMetrics metrics(font());
  const int field_width = metrics.horizontalAdvance(QLatin1String(field_sample)) + field_padding_px;
  for (std::size_t r = 0; r < grid.rows.size(); ++r, ++row) {
    if (caption_column && r < grid.row_captions.size()) text_at(grid.row_captions[r], row, 0);
    for (std::size_t c = 0; c < grid.rows[r].size(); ++c) {
      const grid_cell& cell = grid.rows[r][c];
      const int col = first_cell_col + static_cast<int>(c);
      switch (cell.what) {
        case grid_cell::kind::empty:
          break;
        case grid_cell::kind::text: {
          int room = grid_columns - col;
          for (std::size_t next = c + 1; next < grid.rows[r].size(); ++next)
            if (grid.rows[r][next].what != grid_cell::kind::empty) {
              room = static_cast<int>(next - c);
              break;
            }
          if (!spread_at(cell.text, row, col, room)) text_at(cell.text, row, col);
          break;
        }
        case grid_cell::kind::field: {
          const text_group* group = model_->ctl.find_texts(cell.control);
          auto* edit = new QLineEdit(box);
          edit->setObjectName(
              qs(control_name(cell.control, cell.index, group ? group->indexed : true)));
          edit->setFixedWidth(field_width);
          fields_.push_back({cell.control, cell.index, edit});
          connect(edit, &QLineEdit::textEdited, this,
                  [this, group_name = cell.control, index = cell.index](const QString& t) {
                    text_edited(group_name, index, t.toStdString());
                  });
          g->addWidget(edit, row, col);
          break;
        }
        case grid_cell::kind::slider: {
          const slider_group* group = model_->ctl.find_sliders(cell.control);
          QScrollBar* bar = nullptr;
          if (sim_ && cell.control == sim_->decl().style.time_slider) {
            time_slider_ = new marked_scroll_bar(box);
            bar = time_slider_;
          } else {
            bar = new QScrollBar(Qt::Horizontal, box);
          }
          bar->setObjectName(
              qs(control_name(cell.control, cell.index, group ? group->indexed : true)));
          bar->setMinimumWidth(field_width + metrics.horizontalAdvance(QStringLiteral("0000")));
          bar->setPageStep(1);
          sliders_.push_back({cell.control, cell.index, bar});
          connect(bar, &QScrollBar::valueChanged, this,
                  [this, group_name = cell.control, index = cell.index](int v) {
                    slider_moved(group_name, index, v);
                  });
          g->addWidget(bar, row, col);
          break;
        }
      }
    }
  }
  // Spare width goes to an empty last column, so fields stay beside their captions.
  g->setColumnStretch(first_cell_col + static_cast<int>(cell_columns), 1);
  return box;
}

bool window_widget::heads_columns(const std::string& caption) const {
  // A heading such as "入力　　       　出力" is shown by a grid that carries its words as the
  // captions of its columns; showing it again as well would only repeat them out of place.
  const QStringList words = QString::fromStdString(caption).split(
      QRegularExpression("[\\s\\x{3000}]+"), Qt::SkipEmptyParts);
  if (words.size() < 2) return false;
  for (const control_grid& g : model_->layout()) {
    const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) {
      return std::find(g.column_captions.begin(), g.column_captions.end(), w.toStdString()) !=
             g.column_captions.end();
    });
    if (all) return true;
  }
  return false;
}

template <class F>
void window_widget::guarded(F&& event) {
  try {
    event();
  } catch (const std::exception& e) {
    model_->status = e.what();
    model_->status_is_error = true;
    model_->field_in_error.clear();
  }
}

void window_widget::text_edited(const std::string& group, int index, const std::string& text) {
  guarded([&] { model_->set_text(group, index, text); });
  sync();
}

void window_widget::slider_moved(const std::string& group, int index, int value) {
  guarded([&] { model_->set_slider(group, index, value); });
  sync();
}

void window_widget::option_chosen(int index) {
  guarded([&] { model_->select_option(index); });
  sync();
}

void window_widget::button_pressed(const std::string& name) {
  if (name == "run" && sim_) return run();
  guarded([&] { model_->press(name); });
  sync();
}

void window_widget::run() {
  // A Run stays one synchronous computation. While it lasts the cursor shows it is busy, and
  // beyond progress_delay_ms an application-modal bar shows how far it got; the events the
  // bar needs to paint are processed from the step loop, but no input, so that nothing else
  // of this window (nor of another) happens until the Run ends. The animation timer waits.
  timer_.stop();
  QApplication::setOverrideCursor(Qt::BusyCursor);
  QElapsedTimer clock;
  clock.start();
  QPointer<QProgressDialog> progress;
  qint64 last_paint_ms = -progress_repaint_ms;
  sim_->run_progress = [&](int step, int total) {
    const qint64 elapsed = clock.elapsed();
    if (elapsed < progress_delay_ms_) return;
    if (!progress) {
      progress = new QProgressDialog(this);
      progress->setObjectName("run_progress");
      progress->setWindowTitle(windowTitle());
      progress->setLabelText(tr("Running…"));
      progress->setCancelButton(nullptr);
      progress->setWindowModality(Qt::ApplicationModal);
      progress->setMinimumDuration(0);
      progress->setAutoClose(false);
      progress->setAutoReset(false);
      progress->setRange(0, total);
      progress->show();
    }
    if (elapsed - last_paint_ms < progress_repaint_ms && step < total) return;
    last_paint_ms = elapsed;
    progress->setValue(step);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  guarded([&] { model_->press("run"); });
  // The status line says what the Run wrote, before any note on its steps.
  if (const std::string& written = sim_->run_written();
      !written.empty() && !model_->status_is_error)
    model_->status = model_->status.empty()
                         ? written
                         : written + report_separator(model_->language) + model_->status;
  sim_->run_progress = nullptr;
  delete progress;
  QApplication::restoreOverrideCursor();
  sync();
}

void window_widget::pointer_moved(double x, double y, bool left_button) {
  guarded([&] { model_->pointer_moved(x, y, left_button); });
  sync();
}

void window_widget::timer_tick() {
  if (!model_->timer_enabled()) {
    timer_.stop();
    return;
  }
  guarded([&] { model_->tick(); });
  sync();
}

void window_widget::sync() {
  const controls& ctl = model_->ctl;
  for (const field_ref& f : fields_) {
    const text_group* group = ctl.find_texts(f.group);
    if (!group || f.index < 0 || f.index >= static_cast<int>(group->fields.size())) continue;
    const text_field& tf = group->fields[static_cast<std::size_t>(f.index)];
    const QSignalBlocker block(f.edit);
    // A readout shows rounding noise about zero as 0 (the model keeps the text).
    const QString text =
        qs(tf.readout ? readout_text(tf.text, sim_ ? sim_->draw_size : 1) : tf.text);
    // Rewriting an unchanged text would move the cursor of the field being typed in.
    if (f.edit->text() != text) {
      f.edit->setText(text);
      // Show a long value from its first digit, not scrolled to its end.
      if (!f.edit->hasFocus()) f.edit->setCursorPosition(0);
    }
    // The field is narrower than many values; the tooltip shows the whole text.
    if (f.edit->toolTip() != text) f.edit->setToolTip(text);
    f.edit->setEnabled(tf.enabled);
    if (f.edit->isReadOnly() != tf.readout) f.edit->setReadOnly(tf.readout);
    // A readout takes the window's colour, so that it does not look like a field to type in; the
    // field the status names as not a number is marked until the status changes.
    const bool named = model_->status_is_error && !model_->field_in_error.empty() &&
                       model_->field_in_error == address_text(f.group, f.index, group->indexed);
    const QPalette plain = QApplication::palette(f.edit);
    const QColor base = named        ? QColor(0xff, 0xd0, 0xd0)
                        : tf.readout ? plain.color(QPalette::Window)
                                     : plain.color(QPalette::Base);
    if (f.edit->palette().color(QPalette::Base) != base) {
      QPalette pal = plain;
      pal.setColor(QPalette::Base, base);
      f.edit->setPalette(pal);
    }
  }
  for (const slider_ref& s : sliders_) {
    const slider_group* group = ctl.find_sliders(s.group);
    if (!group || s.index < 0 || s.index >= static_cast<int>(group->sliders.size())) continue;
    const kinelab::slider& sl = group->sliders[static_cast<std::size_t>(s.index)];
    const QSignalBlocker block(s.bar);
    s.bar->setRange(sl.min, sl.max);
    s.bar->setValue(sl.value);
    s.bar->setEnabled(sl.enabled);
  }
  if (time_slider_) {
    std::vector<int> unconverged, jumps;
    if (sim_->has_run()) {
      unconverged = sim_->unconverged_steps();
      for (const branch_jump& j : sim_->branch_jumps()) jumps.push_back(j.step);
    }
    time_slider_->set_marks(std::move(unconverged), std::move(jumps));
  }
  if (tools_) tools_->sync();
  if (options_) {
    const QSignalBlocker block(options_);
    // With no element selected no radio button may stay checked, which an exclusive group
    // does not allow; lift the exclusivity while unchecking.
    options_->setExclusive(false);
    for (QAbstractButton* b : options_->buttons())
      b->setChecked(options_->id(b) == ctl.option_selected);
    options_->setExclusive(true);
  }
  sync_labels();
  status_->setText(qs(model_->status));
  status_->setStyleSheet(model_->status_is_error ? "color: #c00000;" : "");

  if (model_->timer_enabled()) {
    if (!timer_.isActive()) timer_.start();
  } else {
    timer_.stop();
  }
  if (picture_) picture_->update();
  emit synced();
}

void window_widget::dock_beside_picture(QWidget* panel) {
  if (!body_) return panel->show();
  const QList<int> before = body_->sizes();
  body_->addWidget(panel);
  body_->setStretchFactor(body_->indexOf(panel), 0);
  panel->show();
  // As narrow as the panel's contents allow (its texts wrap), so that the controls keep room.
  const int wanted = std::max(panel->minimumSizeHint().width(), side_panel_width_px);
  const int controls =
      std::max(before.value(0) - wanted - body_->handleWidth(), controls_minimum_width_px / 2);
  body_->setSizes({controls, before.value(1), wanted});
  connect(panel, &QObject::destroyed, this, [this, before] {
    if (body_) body_->setSizes(before);
  });
}

void window_widget::sync_labels() {
  for (const label_ref& l : labels_) {
    for (const label& lb : model_->ctl.labels)
      if (lb.name == l.name) {
        const QString caption = caption_text(lb.caption);
        if (l.label->text() != caption) l.label->setText(caption);
        break;
      }
  }
}

QLineEdit* window_widget::field(const std::string& group, int index) const {
  for (const field_ref& f : fields_)
    if (f.group == group && f.index == index) return f.edit;
  return nullptr;
}

QScrollBar* window_widget::slider(const std::string& group, int index) const {
  for (const slider_ref& s : sliders_)
    if (s.group == group && s.index == index) return s.bar;
  return nullptr;
}

QPushButton* window_widget::button(const std::string& name) const {
  const auto it = buttons_.find(name);
  return it == buttons_.end() ? nullptr : it->second;
}

}  // namespace kinelab
