// The desktop program: the start window, from which every other window opens; a study file
// given on the command line opens its window, a mechanism file its two windows.
#include <QApplication>

#include "app/io/file_writer.h"
#include "gui/language.h"
#include "gui/qpainter_surface.h"
#include "gui/start_menu.h"

int main(int argc, char* argv[]) {
  kinelab::remove_temporaries_on_signals();
  QApplication app(argc, argv);
  QApplication::setApplicationName(kinelab::application_title);
  QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                          .arg(KINELAB_VERSION_MAJOR)
                                          .arg(KINELAB_VERSION_MINOR)
                                          .arg(KINELAB_VERSION_PATCH));
  QApplication::setFont(kinelab::japanese_font());
  // Japanese unless `--lang en` or the environment asks for English.
  kinelab::install_language(kinelab::choose_language_from_process(QApplication::arguments()));
  kinelab::start_menu start;
  start.show();
  // kinelab FILE.kinelab: the window the study names opens with it; kinelab FILE.json (or .urdf):
  // the windows of the mechanism the file describes.
  for (const QString& path : kinelab::without_language_options(QApplication::arguments().mid(1))) {
    if (path.endsWith(".json", Qt::CaseInsensitive) || path.endsWith(".urdf", Qt::CaseInsensitive))
      start.open_mechanism(path);
    else
      start.open_study(path);
  }
  return QApplication::exec();
}
