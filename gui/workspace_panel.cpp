#include "gui/workspace_panel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

#include "app/atlas/atlas_picture.h"
#include "app/service/window_atlas.h"
#include "app/window/sim_window.h"
#include "core/angles.h"
#include "core/number_text.h"
#include "gui/language.h"
#include "gui/window_widget.h"

namespace kinelab {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

// Samples a sampled mechanism's slice takes in the desktop program: fewer than kinelab-cli's
// default, so that a slider move redraws without a long wait.
constexpr long long interactive_samples = 400'000;
constexpr int default_cells = 100;

}  // namespace

workspace_panel::workspace_panel(window_widget& window, sim_window& model)
    : QFrame(&window), window_(window), model_(model) {
  setObjectName("workspace_panel");
  setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(
      caption_text("作業領域") + " — " + caption_text(model.shown_title(program_language())), this);
  title->setObjectName("workspace_title");
  title->setWordWrap(true);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  auto* form = new QFormLayout;
  mode_ = new QComboBox(this);
  mode_->setObjectName("workspace_mode");
  mode_->addItems({tr("position"), tr("posture")});
  plane_ = new QComboBox(this);
  plane_->setObjectName("workspace_plane");
  plane_->addItems({"xy", "xz", "yz"});
  offset_ = new QLineEdit(this);
  offset_->setObjectName("workspace_offset");
  offset_->setPlaceholderText(tr("the current pose's"));
  cells_ = new QSpinBox(this);
  cells_->setObjectName("workspace_cells");
  cells_->setRange(4, 1000);
  cells_->setValue(default_cells);
  form->addRow(tr("mode"), mode_);
  form->addRow(tr("plane"), plane_);
  form->addRow(tr("offset"), offset_);
  form->addRow(tr("cells"), cells_);
  layout->addLayout(form);
  limits_ = new QTableWidget(0, 3, this);
  limits_->setObjectName("workspace_limits");
  limits_->setHorizontalHeaderLabels({tr("actuator"), tr("low"), tr("high")});
  limits_->verticalHeader()->hide();
  layout->addWidget(new QLabel(tr("limits (lengths, or degrees for a joint)"), this));
  layout->addWidget(limits_);
  auto* defaults = new QPushButton(tr("limits from the Run"), this);
  defaults->setObjectName("workspace_default_limits");
  layout->addWidget(defaults);
  summary_ = new QLabel(this);
  summary_->setObjectName("workspace_summary");
  summary_->setWordWrap(true);
  summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  layout->addWidget(summary_);
  layout->addStretch(1);

  auto changed = [this] { refresh(); };
  connect(mode_, &QComboBox::currentIndexChanged, this, changed);
  connect(plane_, &QComboBox::currentIndexChanged, this, changed);
  connect(offset_, &QLineEdit::editingFinished, this, changed);
  connect(cells_, &QSpinBox::valueChanged, this, changed);
  connect(limits_, &QTableWidget::itemChanged, this, [this] {
    user_limits_ = true;
    refresh();
  });
  connect(defaults, &QPushButton::clicked, this, [this] {
    user_limits_ = false;
    take_run_limits_ = true;
    have_key_ = false;
    refresh();
  });
  watcher_ = new QFutureWatcher<atlas_result>(this);
  connect(watcher_, &QFutureWatcher<atlas_result>::finished, this, [this] { finished(); });
}

workspace_panel::~workspace_panel() {
  stop_computing();
}

bool workspace_panel::computing() const {
  return computing_source_ != nullptr;
}

void workspace_panel::settle() {
  while (computing()) {
    watcher_->waitForFinished();
    QCoreApplication::sendPostedEvents(watcher_);
  }
}

void workspace_panel::stop_computing() {
  if (stop_) stop_->store(true);
}

void workspace_panel::report(const std::string& message, bool is_error) {
  model_.status = message;
  model_.status_is_error = is_error;
  window_.status_line()->setText(qs(message));
  window_.status_line()->setStyleSheet(is_error ? "color: #c00000;" : "");
}

void workspace_panel::no_atlas(const std::string& problem) {
  // An atlas under way is of inputs that no longer stand.
  if (computing()) {
    stop_computing();
    discard_ = true;
  }
  grid_.reset();
  shown_source_.reset();
  summary_->setText(tr("no atlas: %1").arg(qs(problem)));
  report(tr("no workspace atlas: %1").arg(qs(problem)).toStdString(), true);
}

void workspace_panel::end() {
  if (ending_) return;
  ending_ = true;
  stop_computing();
  // The window's own status line again.
  if (source_) report(source_->pose_status, source_->pose_status_is_error);
  hide();
  emit ended();
}

std::string workspace_panel::sliders_key() const {
  std::string key;
  for (const slider_group& g : model_.ctl.sliders)
    for (const slider& s : g.sliders) key += std::to_string(s.value) + '\x1f';
  return key;
}

std::string workspace_panel::fields_key() const {
  std::string key;
  for (const text_group& g : model_.ctl.texts)
    for (const text_field& f : g.fields) key += f.text + '\x1f';
  return key + std::to_string(model_.ctl.option_selected);
}

std::string workspace_panel::panel_key() const {
  std::string key;
  key += std::to_string(mode_->currentIndex()) + std::to_string(plane_->currentIndex()) +
         offset_->text().toStdString() + '\x1f' + std::to_string(cells_->value());
  if (user_limits_)
    for (int r = 0; r < limits_->rowCount(); ++r)
      for (int c = 1; c <= 2; ++c)
        if (const QTableWidgetItem* item = limits_->item(r, c))
          key += '\x1f' + item->text().toStdString();
  return key;
}

void workspace_panel::fill_limits() {
  const QSignalBlocker block(limits_);
  const atlas_source& src = *source_;
  limits_->setRowCount(static_cast<int>(src.actuator_names.size()));
  for (std::size_t k = 0; k < src.actuator_names.size(); ++k) {
    const double scale = shown_limit_scale(src, k);
    const int row = static_cast<int>(k);
    auto* name = new QTableWidgetItem(caption_text(src.actuator_captions[k]));
    name->setFlags(name->flags() & ~Qt::ItemIsEditable);
    limits_->setItem(row, 0, name);
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", src.default_limits[k].lo * scale);
    limits_->setItem(row, 1, new QTableWidgetItem(text));
    std::snprintf(text, sizeof text, "%.6g", src.default_limits[k].hi * scale);
    limits_->setItem(row, 2, new QTableWidgetItem(text));
  }
  limits_->resizeColumnsToContents();
  fit_limits();
}

void workspace_panel::fit_limits() {
  int height = limits_->horizontalHeader()->sizeHint().height() + 2 * limits_->frameWidth();
  for (int r = 0; r < limits_->rowCount(); ++r) height += limits_->rowHeight(r);
  limits_->setFixedHeight(height);
  limits_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  limits_->setMinimumWidth(limits_->horizontalHeader()->length() + 2 * limits_->frameWidth());
}

void workspace_panel::refresh() {
  if (ending_) return;
  // A Run takes the picture back for its animation.
  if (model_.timer_enabled()) return end();
  const std::string sliders = sliders_key(), fields = fields_key(), panel = panel_key();
  const bool same =
      have_key_ && sliders == last_sliders_ && fields == last_fields_ && panel == last_panel_;
  if (same) {
    // Nothing the atlas depends on changed: the picture again (the window may have drawn over
    // it), unless the atlas is still on its way.
    if (grid_ && !computing()) show_atlas();
    return;
  }
  // A field of the window (or its option) changed on its own, not as a pose slider writes the
  // start fields: the Run's limits are taken again.
  if (have_key_ && sliders == last_sliders_ && fields != last_fields_) take_run_limits_ = true;
  have_key_ = true;
  last_sliders_ = sliders, last_fields_ = fields, last_panel_ = panel;

  atlas_source_result s = atlas_source_of(model_);
  model_.stop();  // the Run the defaults come from must not start the animation
  if (!s.source) return no_atlas(s.problem);
  source_ = std::move(s.source);
  {
    const QSignalBlocker block(mode_);
    if (posture_only(*source_)) mode_->setCurrentIndex(1);
    if (source_->mechanism.kind == atlas_kind::sampled) mode_->setCurrentIndex(0);
    mode_->setEnabled(source_->mechanism.position_free());
  }
  const bool fresh_actuators = run_limits_.size() != source_->default_limits.size();
  if (take_run_limits_ || fresh_actuators) {
    run_limits_ = source_->default_limits;
    take_run_limits_ = false;
    if (!user_limits_ || limits_->rowCount() != static_cast<int>(run_limits_.size())) fill_limits();
  }
  workspace_options o;
  atlas_request& r = o.request;
  r.mode = mode_->currentIndex() == 1 ? atlas_mode::posture : atlas_mode::position;
  o.mode_given = true;
  r.plane = *atlas_plane_from(plane_->currentText().toStdString());
  r.cells = cells_->value();
  r.samples = interactive_samples;
  if (!offset_->text().trimmed().isEmpty()) {
    const auto v = parse_number(offset_->text().toStdString());
    if (!v)
      return no_atlas(tr("the offset of the slice is not a number: %1")
                          .arg(qs(quoted_text(model_.language, offset_->text().toStdString())))
                          .toStdString());
    r.offset = *v;
  }
  if (user_limits_) {
    // As typed (degrees for a joint): the atlas's rules take them to the request.
    for (int row = 0; row < limits_->rowCount(); ++row) {
      const auto lo = parse_number(limits_->item(row, 1)->text().toStdString());
      const auto hi = parse_number(limits_->item(row, 2)->text().toStdString());
      if (!lo || !hi)
        return no_atlas(
            tr("a limit of %1 is not a number")
                .arg(caption_text(source_->actuator_captions[static_cast<std::size_t>(row)]))
                .toStdString());
      o.limits.push_back({*lo, *hi});
    }
  }
  atlas_request request;
  if (auto problem = resolve_request(*source_, o, request, model_.language))
    return no_atlas(*problem);
  // The Run's limits as taken, exactly (the table shows them rounded).
  if (!user_limits_) request.limits = run_limits_;
  start(*source_, request);
}

void workspace_panel::start(atlas_source source, atlas_request request) {
  if (computing()) {
    // The one under way is of inputs that no longer stand: it stops, and this starts after.
    stop_computing();
    restart_ = true;
    return;
  }
  restart_ = false;
  discard_ = false;
  stop_ = std::make_shared<std::atomic<bool>>(false);
  computing_source_ = std::make_shared<const atlas_source>(std::move(source));
  const std::string working = tr("computing the workspace atlas…").toStdString();
  summary_->setText(qs(working));
  report(working, false);
  watcher_->setFuture(QtConcurrent::run([source = computing_source_, request, cache = cache_,
                                         stop = stop_, lang = model_.language]() mutable {
    cancellation cancel([stop] { return stop->load(); });
    request.cancel = &cancel;
    return compute_atlas(*source, request, lang, cache.get());
  }));
}

void workspace_panel::finished() {
  const std::shared_ptr<const atlas_source> source = std::move(computing_source_);
  computing_source_.reset();
  if (ending_) return;
  if (restart_) {
    // Whatever changed while this one was computed.
    have_key_ = false;
    refresh();
    return;
  }
  if (discard_) {
    discard_ = false;
    return;
  }
  atlas_result a = watcher_->result();
  if (!a.grid) {
    no_atlas(a.problem);
  } else {
    grid_ = std::move(a.grid);
    shown_source_ = *source;
    summary_->setText(qs(describe_atlas(*grid_, model_.language)));
    show_atlas();
  }
  emit settled();
}

void workspace_panel::show_atlas() {
  model_.show_front_end_picture("作業領域");
  // The title drawn is the window's as it shows it: a file window's comes from the catalogue,
  // not from its declared (English) title.
  const caption_translator title_as_shown = [this](const std::string& c) {
    const std::string shown = c == shown_source_->title ? model_.shown_title(model_.language) : c;
    return model_.translate_caption ? model_.translate_caption(shown) : shown;
  };
  draw_atlas(*model_.picture(), *shown_source_, *grid_, 0, model_.language, title_as_shown);
  report(atlas_status(*shown_source_, *grid_, model_.language),
         shown_source_->pose_status_is_error);
  window_.sync_labels();
  if (window_.picture()) window_.picture()->update();
}

}  // namespace kinelab
