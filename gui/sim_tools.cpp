#include "gui/sim_tools.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <exception>

#include "app/service/profile_comparison.h"
#include "app/service/window_export.h"
#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "core/number_text.h"
#include "gui/language.h"
#include "gui/qpainter_surface.h"
#include "gui/window_widget.h"
#include "gui/workspace_panel.h"

namespace kinelab {

namespace {

constexpr double inches_per_metre = 1 / 0.0254;
constexpr int table_height_limit_px = 640;
const QColor group_shade(238, 242, 248);

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

QString ask_with_dialog(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter) {
  return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

QString ask_to_open(QWidget* parent, const QString& caption, const QString& suggested,
                    const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, suggested, filter);
}

// The drawing surface as a PNG file: the recording replayed on a white image of the picture's
// size and resolution, so the file shows what the window shows.
std::string drawing_png(recording_surface& recording, const picture_widget& picture) {
  QImage image(picture.size(), QImage::Format_RGB32);
  image.fill(Qt::white);
  image.setDotsPerMeterX(static_cast<int>(std::lround(picture.logicalDpiX() * inches_per_metre)));
  image.setDotsPerMeterY(static_cast<int>(std::lround(picture.logicalDpiY() * inches_per_metre)));
  {
    QPainter painter(&image);
    qpainter_surface target(painter, image.width(), image.height(), picture.logicalDpiX(),
                            picture.logicalDpiY());
    recording.replay(target);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG"))
    throw std::runtime_error(sim_tools::tr("the drawing could not be encoded").toStdString());
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The comparison's table, one row per quantity and profile: figures to six significant
// digits (0 at the rounding level of their column), the full value in each tooltip.
QTableWidget* profile_table(const profile_comparison& c, const sim_window& model, QWidget* parent) {
  const QStringList header = {
      sim_tools::tr("quantity"),
      sim_tools::tr("profile"),
      sim_tools::tr("peak rate (/s)"),
      sim_tools::tr("peak acceleration (/s²)"),
      sim_tools::tr("acceleration jump at the start (/s²)"),
      sim_tools::tr("acceleration jump at the end (/s²)"),
      sim_tools::tr("rate jump at the start (/s)"),
      sim_tools::tr("rate jump at the end (/s)"),
  };
  auto* table = new QTableWidget(static_cast<int>(3 * c.rows.size()),
                                 static_cast<int>(header.size()), parent);
  table->setObjectName("profile_table");
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  table->setHorizontalHeaderLabels(header);
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().lineSpacing() + 6);
  const std::array<double, 6> largest = column_largest(c);
  const auto& profiles = model.ctl.option_captions;
  for (std::size_t q = 0; q < c.rows.size(); ++q) {
    // Every other quantity's rows are shaded, so the three profiles of one read together.
    const bool shaded = q % 2 == 1;
    for (int k = 0; k < 3; ++k) {
      const int r = static_cast<int>(3 * q) + k;
      auto put = [&](int col, const QString& text, const QString& tip) {
        auto* item = new QTableWidgetItem(text);
        item->setToolTip(tip);
        // The quantity and the profile are names; the figures line up on their last digit.
        if (col >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (shaded) item->setBackground(group_shade);
        table->setItem(r, col, item);
      };
      const QString quantity = caption_text(c.rows[q].quantity);
      put(0, quantity, quantity);
      const QString profile =
          static_cast<std::size_t>(k) < profiles.size() ? caption_text(profiles[k]) : QString();
      put(1, profile, profile);
      const std::array<double, 6> v = figures_in_order(c.rows[q].figures[k]);
      for (std::size_t f = 0; f < v.size(); ++f)
        put(static_cast<int>(f) + 2, qs(readable_figure(v[f], largest[f])),
            qs(format_number(v[f])));
    }
  }
  table->resizeColumnsToContents();
  return table;
}

// The table as tab-separated text, as it is shown: the header row, then every row.
QString table_tsv(const QTableWidget& table) {
  QString out;
  for (int col = 0; col < table.columnCount(); ++col)
    out += (col ? "\t" : "") + table.horizontalHeaderItem(col)->text();
  out += '\n';
  for (int r = 0; r < table.rowCount(); ++r) {
    for (int col = 0; col < table.columnCount(); ++col)
      out += (col ? "\t" : "") + (table.item(r, col) ? table.item(r, col)->text() : QString());
    out += '\n';
  }
  return out;
}

}  // namespace

sim_tools::sim_tools(window_widget& window, sim_window& model)
    : QToolBar(&window),
      window_(window),
      model_(model),
      choose_path_(ask_with_dialog),
      choose_open_path_(ask_to_open) {
  setObjectName("sim_tools");
  setMovable(false);
  setFloatable(false);
  setToolButtonStyle(Qt::ToolButtonTextOnly);

  const QString study_filter = tr("kinelab study (*%1)").arg(study_extension);
  QAction* save_study = addAction(tr("save"));
  save_study->setObjectName("save_study");
  save_study->setToolTip(tr("save this window's setup as a study"));
  connect(save_study, &QAction::triggered, this, [this, study_filter] {
    save(tr("study"), study_extension, study_filter,
         [this](const text_out& put) { put(study_document(model_)); });
  });
  QAction* open = addAction(tr("open"));
  open->setObjectName("open_study");
  open->setToolTip(tr("set this window up from a study or an exported CSV"));
  connect(open, &QAction::triggered, this, [this, study_filter] {
    const QString path = choose_open_path_(
        &window_, tr("open a study"), QDir::currentPath(),
        study_filter + ";;" + tr("exported CSV (*.csv)") + ";;" + tr("all files (*)"));
    if (!path.isEmpty()) open_study_file(path);
  });
  addSeparator();

  QAction* diagnostics = addAction(tr("diagnostics"));
  diagnostics->setObjectName("diagnostics");
  connect(diagnostics, &QAction::triggered, this, [this] {
    show_workspace(false);
    window_.button_pressed("diagnostics");
  });

  derivative_check_ = addAction(tr("derivative check"));
  derivative_check_->setObjectName("check_derivatives");
  derivative_check_->setCheckable(true);
  connect(derivative_check_, &QAction::triggered, this,
          [this] { window_.button_pressed("check_derivatives"); });

  workspace_action_ = addAction(caption_text("作業領域"));
  workspace_action_->setObjectName("workspace");
  workspace_action_->setToolTip(tr("workspace and singularity atlas"));
  workspace_action_->setCheckable(true);
  connect(workspace_action_, &QAction::triggered, this, [this](bool on) { show_workspace(on); });
  // The window's own buttons take the picture back before they draw on it.
  for (const button_decl& b : model_.buttons())
    if (QPushButton* button = window_.button(b.name))
      connect(button, &QPushButton::pressed, this, [this] { show_workspace(false); });
  connect(&window_, &window_widget::synced, this, [this] {
    if (workspace_) workspace_->refresh();
  });

  QAction* compare = addAction(tr("compare profiles"));
  compare->setObjectName("compare_profiles");
  connect(compare, &QAction::triggered, this, [this] { compare_profiles(); });

  auto* menu = new QMenu(this);
  menu->setObjectName("export_menu");
  QAction* svg = menu->addAction(tr("drawing as SVG…"));
  svg->setObjectName("export_svg");
  connect(svg, &QAction::triggered, this, [this] {
    save(tr("drawing"), ".svg", "SVG (*.svg)",
         [this](const text_out& put) { write_window_svg(model_, put); });
  });
  QAction* png = menu->addAction(tr("drawing as PNG…"));
  png->setObjectName("export_png");
  connect(png, &QAction::triggered, this, [this] {
    save(tr("drawing"), ".png", "PNG (*.png)", [this](const text_out& put) {
      if (!window_.picture() || !model_.picture())
        throw std::runtime_error(tr("the window has no drawing").toStdString());
      put(drawing_png(*model_.picture(), *window_.picture()));
    });
  });
  QAction* csv = menu->addAction(tr("arrays as CSV…"));
  csv->setObjectName("export_csv");
  connect(csv, &QAction::triggered, this, [this] {
    // Refused before the file dialog: there is nothing to save yet.
    if (const std::string refusal = csv_refusal(model_); !refusal.empty())
      return report(refusal, true);
    save(tr("trajectory arrays"), ".csv", "CSV (*.csv)",
         [this](const text_out& put) { write_window_csv(model_, put); });
  });
  auto* export_button = new QToolButton(this);
  export_button->setObjectName("export");
  export_button->setText(tr("export"));
  export_button->setMenu(menu);
  export_button->setPopupMode(QToolButton::InstantPopup);
  addWidget(export_button);
}

void sim_tools::show_workspace(bool on) {
  if (on == static_cast<bool>(workspace_)) return;
  if (!on) {
    workspace_panel* panel = workspace_;
    workspace_ = nullptr;
    {
      const QSignalBlocker block(workspace_action_);
      workspace_action_->setChecked(false);
    }
    panel->end();
    panel->close();
    panel->deleteLater();
    // The mechanism again, where the atlas stood.
    model_.redraw();
    window_.sync();
    return;
  }
  // The animation would draw the mechanism over the atlas at its next tick.
  model_.stop();
  auto* panel = new workspace_panel(window_, model_);
  workspace_ = panel;
  connect(panel, &workspace_panel::ended, this, [this, panel] {
    if (workspace_ == panel) show_workspace(false);
  });
  {
    const QSignalBlocker block(workspace_action_);
    workspace_action_->setChecked(true);
  }
  window_.dock_beside_picture(panel);
  window_.sync();  // stops the timer; the panel draws on `synced`
}

void sim_tools::sync() {
  const QSignalBlocker block(derivative_check_);
  derivative_check_->setChecked(model_.derivative_check_on());
}

void sim_tools::report(const std::string& message, bool is_error) {
  model_.status = message;
  model_.status_is_error = is_error;
  window_.sync();
}

void sim_tools::save(const QString& what, const QString& suffix, const QString& filter,
                     const std::function<void(const text_out&)>& produce) {
  const QString suggested = QDir::current().filePath(qs(model_.name()) + suffix);
  const QString path = choose_path_(&window_, tr("save the %1").arg(what), suggested, filter);
  if (path.isEmpty()) return;
  const std::string file = path.toStdString();
  std::string error;
  try {
    file_writer out(file);
    produce(out.out());
    if (out.finish()) {
      const std::string saved = tr("%1 saved as %2").arg(what, path).toStdString();
      const std::string note = out.note(model_.language);
      return report(note.empty() ? saved : saved + report_separator(model_.language) + note, false);
    }
    error = out.error(model_.language);
  } catch (const std::exception& e) {
    error = e.what();  // the writer, abandoned, has left the file as it was
  }
  report(tr("%1 was not written: %2").arg(path, qs(error)).toStdString(), true);
}

bool sim_tools::open_study_file(const QString& path) {
  const std::string file = path.toStdString();
  try {
    const study s = read_study(file, model_.language);
    open_study(s, model_);
    // The static pose's report follows, and any note about keys that were skipped.
    std::string message = tr("study opened from %1").arg(path).toStdString();
    const std::string separator = report_separator(model_.language);
    if (!model_.status.empty()) message += separator + model_.status;
    for (const std::string& note : s.notes) message += separator + note;
    report(message, model_.status_is_error);
    return true;
  } catch (const std::exception& e) {  // study_error, or whatever a library let through
    report(e.what(), true);
    return false;
  }
}

void sim_tools::compare_profiles() {
  profile_comparison c;
  try {
    c = kinelab::compare_profiles(model_);
  } catch (const std::exception& e) {
    c.problem = e.what();
  }
  if (!c.problem.empty())
    return report(tr("the profiles were not compared: %1").arg(qs(c.problem)).toStdString(), true);

  // One table per window, filled again on every comparison.
  if (profiles_) delete profiles_;
  auto* dialog = new QDialog(&window_);
  dialog->setObjectName("profile_comparison");
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(tr("%1 — profiles").arg(qs(model_.shown_title(model_.language))));
  auto* layout = new QVBoxLayout(dialog);
  auto* note = new QLabel(tr("start and stop of the window under each profile; N = %1, T = %2 s; "
                             "rates and accelerations per second")
                              .arg(model_.settings.N)
                              .arg(qs(format_number(model_.settings.T))),
                          dialog);
  layout->addWidget(note);
  QTableWidget* table = profile_table(c, model_, dialog);
  layout->addWidget(table);
  auto* copy = new QPushButton(tr("Copy as tab-separated text"), dialog);
  copy->setObjectName("copy_table");
  copy->setAutoDefault(false);
  connect(copy, &QPushButton::clicked, dialog,
          [table] { QGuiApplication::clipboard()->setText(table_tsv(*table)); });
  layout->addWidget(copy, 0, Qt::AlignRight);
  const int width = table->horizontalHeader()->length() + 2 * table->frameWidth() + 24;
  const int height = std::min(table_height_limit_px, table->verticalHeader()->length() +
                                                         table->horizontalHeader()->height() +
                                                         2 * table->frameWidth() + 4);
  table->setMinimumSize(width, height);
  profiles_ = dialog;
  dialog->show();
}

}  // namespace kinelab
