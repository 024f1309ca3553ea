#include "gui/start_menu.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/service/window_service.h"
#include "app/study/open_study.h"
#include "app/study/study_file.h"
#include "app/window/settings.h"
#include "gui/language.h"
#include "gui/qpainter_surface.h"
#include "gui/sim_tools.h"
#include "gui/start_pictures.h"
#include "mechanisms/mechanism_file.h"
#include "mechanisms/registry.h"

namespace kinelab {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

// The recent mechanism files the ファイル menu keeps, and where the settings keep them.
constexpr int recent_mechanism_count = 8;
constexpr const char* recent_mechanisms_key = "recent_mechanisms";

// The settings the desktop program keeps between sessions (~/.config/kinelab/kinelab.conf).
QSettings program_settings() {
  return QSettings(QStringLiteral("kinelab"), QStringLiteral("kinelab"));
}

// Offset in pixels between windows opened one after another, so that a second instance of
// the same window does not hide the first.
constexpr int cascade_px = 32;
constexpr int cascade_steps = 10;

}  // namespace

const std::vector<submenu_decl>& mechanism_menus() {
  static const std::vector<submenu_decl> menus{
      {"sirial",
       "シリアル機構(垂直多関節)",
       {{"jun3r", "直列３R順運動学", "form_3r_jun"},
        {"gyaku3r", "直列３R逆運動学(ニュートンラプソン法)", "form_3r_gyaku"},
        {"jun6r", "直列６R順運動学(DENDO VC-6353)", "form_6r_jun"},
        {"gyaku6r", "直列６R逆運動学(ニュートンラプソン法)", "form_6r_gyaku"}}},
      {"stewart",
       "スチュワート機構(６軸)",
       {{"s_gyaku", "逆運動学", "form_stewart_gyaku"},
        {"s_jun", "順運動学（ニュートンラプソン法）", "form_stewart_jun"}}},
      {"dravik",
       "dravik機構（３軸）",
       {{"d_gyaku", "逆運動学", "form_drav_gyaku"},
        {"d_jun", "順運動学（ニュートンラプソン法）", "form_drav_jun"}}},
      {"selvo",
       "selvo機構（６軸）",
       {{"sel_gyaku", "逆運動学", "form_selvo_gyaku"},
        {"sel_jun", "順運動学（ニュートンラプソン法）", "form_selvo_jun"}}},
      {"orvak1",
       "orvak機構(脊椎型)",
       {{"orv1_gyaku", "ユニット内逆運動学", "form_orvak1_gyaku"},
        {"orv4_jun", "４段順運動学", "Form_orvak4_jun"}}},
      {"zelko_kikou",
       "zelko機構(腕足型)",
       {{"zel_jun", "順運動学", "Form_zelko_jun"},
        {"zel_gyaku", "逆運動学（ニュートンラプソン法）", "Form_zelko_gyaku"}}},
  };
  return menus;
}

const std::vector<menu_item_decl>& test_menu_items() {
  static const std::vector<menu_item_decl> items{
      {"zahyou_t", "座標変換テスト", "test_zahyou"},
      {"kakudo_t", "角度関数テスト", "test_kakudo"},
      {"newton_lapson_t", "ニュートン・ラプソン法", "test_newton"},
  };
  return items;
}

start_menu::start_menu(QWidget* parent) : QMainWindow(parent) {
  setObjectName("start_menu");
  setWindowTitle(application_title);
  setFont(japanese_font());
  build_menu();

  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  row->addWidget(new stacked_units_picture(central), 0, Qt::AlignTop);

  auto* column = new QVBoxLayout;
  column->addWidget(new banner_picture(central), 0, Qt::AlignLeft);

  auto* product = new QLabel(qs(application_title), central);
  product->setObjectName("lblProductName");
  QFont big = product->font();
  big.setPointSize(20);
  big.setBold(true);
  product->setFont(big);
  column->addWidget(product);

  auto* version = new QLabel((caption_text("ﾊﾞｰｼﾞｮﾝ ") + QStringLiteral("%1.%2.%3"))
                                 .arg(KINELAB_VERSION_MAJOR)
                                 .arg(KINELAB_VERSION_MINOR)
                                 .arg(KINELAB_VERSION_PATCH),
                             central);
  version->setObjectName("lblVersion");
  column->addWidget(version);

  auto* platform = new QLabel(QStringLiteral("2003/4/1"), central);
  platform->setObjectName("lblPlatform");
  column->addWidget(platform);

  auto* organisation = new QLabel(tr("kinelab project"), central);
  organisation->setObjectName("lblCompany");
  column->addWidget(organisation);
  auto* author = new QLabel(tr("kinematics study tool for spatial mechanisms"), central);
  author->setObjectName("lblAuthor");
  column->addWidget(author);
  column->addStretch(1);

  auto* exit_button = new QPushButton(caption_text("終了"), central);
  exit_button->setObjectName("Command1");
  connect(exit_button, &QPushButton::clicked, this, &start_menu::quit_all);
  column->addWidget(exit_button, 0, Qt::AlignRight);
  row->addLayout(column);
  setCentralWidget(central);

  adjustSize();
}

start_menu::~start_menu() {
  close_children();
}

void start_menu::build_menu() {
  QMenuBar* bar = menuBar();

  QMenu* file = bar->addMenu(caption_text("file"));
  file->setObjectName("file");
  QAction* open = file->addAction(tr("open"));
  open->setObjectName("open_study");
  connect(open, &QAction::triggered, this, [this] {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("open a study"), QDir::currentPath(),
                                     tr("kinelab study (*%1)").arg(study_extension) + ";;" +
                                         tr("exported CSV (*.csv)") + ";;" + tr("all files (*)"));
    if (!path.isEmpty()) open_study(path);
  });
  QAction* mechanism = file->addAction(tr("open a mechanism…"));
  mechanism->setObjectName("open_mechanism");
  connect(mechanism, &QAction::triggered, this, [this] {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("open a mechanism file"), QDir::currentPath(),
        tr("mechanism file (*.json *.urdf)") + ";;" + tr("all files (*)"));
    if (!path.isEmpty()) open_mechanism(path);
  });
  recent_menu_ = file->addMenu(tr("recent mechanisms"));
  recent_menu_->setObjectName("recent_mechanisms");
  set_recent(program_settings().value(recent_mechanisms_key).toStringList());
  QAction* shuryou = file->addAction(caption_text("終了"));
  shuryou->setObjectName("shuryou");
  connect(shuryou, &QAction::triggered, this, &start_menu::quit_all);

  auto add_item = [this](QMenu* menu, const menu_item_decl& item) {
    QAction* a = menu->addAction(caption_text(item.caption));
    a->setObjectName(item.item);
    // A window this build does not provide stays visible in the menu but cannot be chosen.
    a->setEnabled(find_window(item.window) != nullptr);
    connect(a, &QAction::triggered, this,
            [this, window = std::string(item.window)] { open_window(window); });
  };

  QMenu* select = bar->addMenu(caption_text("機構選択"));
  select->setObjectName("select");
  for (const submenu_decl& sub : mechanism_menus()) {
    QMenu* m = select->addMenu(caption_text(sub.caption));
    m->setObjectName(sub.name);
    for (const menu_item_decl& item : sub.items) add_item(m, item);
  }

  QAction* settei = bar->addAction(caption_text("設定"));
  settei->setObjectName("settei");
  connect(settei, &QAction::triggered, this, [this] { open_settings(); });

  QMenu* tests = bar->addMenu(caption_text("関数テスト"));
  tests->setObjectName("function_test");
  for (const menu_item_decl& item : test_menu_items()) add_item(tests, item);
}

void start_menu::place(QWidget* w) {
  const QPoint origin = frameGeometry().topRight() + QPoint(cascade_px, 0);
  const int k = placed_++ % cascade_steps;
  w->move(origin + QPoint(k * cascade_px, k * cascade_px));
}

namespace {

// Moves a window whose frame runs off the screen back onto it: left and up first, so that its
// title bar stays in reach whatever its size.
void move_onto_screen(QWidget* w) {
  const QRect room = w->screen()->availableGeometry();
  const QRect frame = w->frameGeometry();
  const int x = std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width()));
  const int y = std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height()));
  if (x != frame.left() || y != frame.top()) w->move(x, y);
}

// A window manager frames a window some time after it is shown, and may then place it so that
// its title bar lies above the screen: for a few seconds after it is shown, every move or resize
// of the window is checked again.
class screen_keeper : public QObject {
 public:
  explicit screen_keeper(QWidget* w) : QObject(w), window_(w) {
    w->installEventFilter(this);
    QTimer::singleShot(frame_wait_ms, this, [this] { deleteLater(); });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type t = event->type();
    if (watched == window_ && (t == QEvent::Move || t == QEvent::Resize || t == QEvent::Show ||
                               t == QEvent::WindowActivate)) {
      move_onto_screen(window_);
    }
    return false;
  }

 private:
  static constexpr int frame_wait_ms = 3000;
  QWidget* window_;
};

}  // namespace

// Beside the start window a wide window would run off the screen (a 6R window is most of a
// laptop screen wide): once shown, with its frame known, it moves left and up over the start
// window instead.
void start_menu::keep_on_screen(QWidget* w) {
  move_onto_screen(w);
  new screen_keeper(w);
}

window_widget* start_menu::open_window(const std::string& window) {
  const window_entry* entry = find_window(window);
  if (!entry) return nullptr;
  if (!entry->simulation) {
    if (QPointer<window_widget>& open = single_[window]) {
      open->show();
      open->raise();
      open->activateWindow();
      return open;
    }
  }
  auto* w = new window_widget(entry->make(settings_));
  w->setAttribute(Qt::WA_DeleteOnClose);
  place(w);
  w->show();
  keep_on_screen(w);
  windows_.emplace_back(w);
  if (!entry->simulation) single_[window] = w;
  return w;
}

void start_menu::set_recent(const QStringList& paths) {
  recent_ = paths;
  recent_.removeAll(QString());
  recent_.removeDuplicates();
  while (recent_.size() > recent_mechanism_count) recent_.removeLast();
  QSettings settings = program_settings();
  if (settings.value(recent_mechanisms_key).toStringList() != recent_)
    settings.setValue(recent_mechanisms_key, recent_);
  recent_menu_->clear();
  for (int k = 0; k < recent_.size(); ++k) {
    QString shown = QDir::toNativeSeparators(recent_[k]);
    shown.replace('&', "&&");
    QAction* a = recent_menu_->addAction(QStringLiteral("&%1 %2").arg(k + 1).arg(shown));
    a->setObjectName(QStringLiteral("recent_mechanism_%1").arg(k));
    connect(a, &QAction::triggered, this, [this, k] { open_recent_mechanism(k); });
  }
  recent_menu_->addSeparator();
  QAction* clear = recent_menu_->addAction(tr("clear the list"));
  clear->setObjectName("clear_recent_mechanisms");
  clear->setEnabled(!recent_.isEmpty());
  connect(clear, &QAction::triggered, this, &start_menu::clear_recent_mechanisms);
}

void start_menu::remember_mechanism(const QString& path) {
  QStringList paths = recent_;
  const QString absolute = QFileInfo(path).absoluteFilePath();
  paths.removeAll(absolute);
  paths.prepend(absolute);
  set_recent(paths);
}

void start_menu::clear_recent_mechanisms() {
  set_recent({});
}

std::vector<window_widget*> start_menu::open_recent_mechanism(int index) {
  if (index < 0 || index >= recent_.size()) return {};
  const QString path = recent_[index];
  if (!QFileInfo(path).isFile()) {
    QStringList paths = recent_;
    paths.removeAt(index);
    set_recent(paths);
    statusBar()->showMessage(
        tr("%1 no longer exists: removed from the recent mechanisms").arg(path));
    return {};
  }
  return open_mechanism(path);
}

std::vector<window_widget*> start_menu::open_mechanism(const QString& path) {
  mechanism_file file;
  try {
    file = read_mechanism_file(path.toStdString(), program_language());
  } catch (const arm_file_error& e) {
    if (study_message_) study_message_->close();
    study_message_ = new QMessageBox(
        QMessageBox::Warning, application_title,
        tr("The mechanism file cannot be opened.") + "\n" + qs(e.what()), QMessageBox::Ok, this);
    study_message_->setObjectName("mechanism_message");
    study_message_->setAttribute(Qt::WA_DeleteOnClose);
    study_message_->show();
    return {};
  }
  remember_mechanism(path);
  std::vector<window_widget*> opened;
  for (const arm_window_kind kind : {arm_window_kind::forward, arm_window_kind::inverse}) {
    auto* w = new window_widget(make_mechanism_window(file, kind, settings_));
    w->setAttribute(Qt::WA_DeleteOnClose);
    place(w);
    w->show();
    keep_on_screen(w);
    windows_.emplace_back(w);
    opened.push_back(w);
  }
  return opened;
}

// A study of a file window: the file opened again into the window the study names; a file that
// changed since the study was saved is said.
window_widget* start_menu::open_mechanism_study(const study& s, const QString& path) {
  const auto kind = s.window.rfind("mechanism_", 0) == 0
                        ? arm_window_kind_from(s.window.substr(std::string("mechanism_").size()))
                        : std::nullopt;
  if (!kind)
    throw study_error(s.message(s.window_at, message_id::study_no_simulation_window, {s.window}));
  mechanism_file file;
  try {
    file = read_mechanism_file(s.mechanism_path, s.language);
  } catch (const arm_file_error& e) {
    throw study_error(s.message(s.mechanism_at, e.what()));
  }
  std::unique_ptr<sim_window> model = make_mechanism_window(file, *kind, settings_);
  check_study(s, *model);
  auto* w = new window_widget(std::move(model));
  w->setAttribute(Qt::WA_DeleteOnClose);
  place(w);
  w->show();
  keep_on_screen(w);
  windows_.emplace_back(w);
  if (w->tools()) w->tools()->open_study_file(path);
  if (file.content_hash() != s.mechanism_hash) {
    if (study_message_) study_message_->close();
    study_message_ = new QMessageBox(
        QMessageBox::Information, application_title,
        qs(s.message(s.mechanism_at, message_id::arm_file_changed, {s.mechanism_path})),
        QMessageBox::Ok, this);
    study_message_->setObjectName("mechanism_changed");
    study_message_->setAttribute(Qt::WA_DeleteOnClose);
    study_message_->show();
  }
  return w;
}

window_widget* start_menu::open_study(const QString& path) {
  try {
    // Checked against the window it names before that window opens.
    const study s = read_study(path.toStdString(), program_language());
    if (!s.mechanism_path.empty()) return open_mechanism_study(s, path);
    const window_entry* entry = find_window(s.window);
    if (!entry || !entry->simulation)
      throw study_error(s.message(s.window_at, message_id::study_no_simulation_window, {s.window}));
    const std::unique_ptr<window_model> probe = entry->make(settings_);
    check_study(s, *simulation_of(*probe));  // a simulation: entry->simulation
    window_widget* w = open_window(s.window);
    if (w && w->tools()) w->tools()->open_study_file(path);
    return w;
  } catch (const std::exception& e) {
    // The reader's own refusals (study_error) name the file and line; anything else a library
    // throws is still a refusal, never the program's end.
    if (study_message_) study_message_->close();
    study_message_ = new QMessageBox(QMessageBox::Warning, application_title,
                                     tr("The study cannot be opened.") + "\n" + qs(e.what()),
                                     QMessageBox::Ok, this);
    study_message_->setObjectName("study_message");
    study_message_->setAttribute(Qt::WA_DeleteOnClose);
    study_message_->show();
    return nullptr;
  }
}

form_setting* start_menu::open_settings() {
  if (!setting_) {
    setting_ = new form_setting(settings_);
    place(setting_);
    connect(setting_, &form_setting::applied, this, [this] {
      for (window_widget* w : open_windows()) w->model().settings = settings_;
    });
  }
  setting_->show();
  keep_on_screen(setting_);
  setting_->raise();
  setting_->activateWindow();
  return setting_;
}

std::vector<window_widget*> start_menu::open_windows() const {
  std::vector<window_widget*> open;
  for (const QPointer<window_widget>& w : windows_)
    if (w) open.push_back(w);
  return open;
}

void start_menu::close_children() {
  // Closing deletes each window (WA_DeleteOnClose), which clears its QPointer.
  for (QPointer<window_widget>& w : windows_)
    if (w) w->close();
  windows_.clear();
  single_.clear();
  if (setting_) setting_->close();
}

void start_menu::closeEvent(QCloseEvent* event) {
  close_children();
  QMainWindow::closeEvent(event);
}

void start_menu::quit_all() {
  close();
  QCoreApplication::quit();
}

}  // namespace kinelab
