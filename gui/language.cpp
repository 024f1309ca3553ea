#include "gui/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QProcessEnvironment>
#include <QTranslator>

namespace kinelab {

namespace {

ui_language current = ui_language::japanese;

// "en", "en_GB.UTF-8", "en:ja" (LANGUAGE lists several; the first decides).
bool names_english(const QString& value) {
  const QString first = value.section(':', 0, 0).trimmed();
  return first == "en" || first.startsWith("en_") || first.startsWith("en.");
}
bool names_a_language(const QString& value) {
  const QString first = value.section(':', 0, 0).trimmed();
  return !first.isEmpty() && first != "C" && first != "POSIX" && !first.startsWith("C.");
}

}  // namespace

ui_language choose_language(const QStringList& arguments,
                            const std::vector<std::pair<QString, QString>>& environment) {
  for (int i = 0; i < arguments.size(); ++i) {
    QString value;
    if (arguments[i] == "--lang" && i + 1 < arguments.size())
      value = arguments[i + 1];
    else if (arguments[i].startsWith("--lang="))
      value = arguments[i].mid(7);
    else
      continue;
    return names_english(value) ? ui_language::english : ui_language::japanese;
  }
  // The first variable that names a language decides, in the order gettext reads them.
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
    for (const auto& [key, value] : environment)
      if (key == name && names_a_language(value))
        return names_english(value) ? ui_language::english : ui_language::japanese;
  return ui_language::japanese;
}

QStringList without_language_options(const QStringList& arguments) {
  QStringList rest;
  for (int i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--lang")
      ++i;  // and its value
    else if (!arguments[i].startsWith("--lang="))
      rest << arguments[i];
  }
  return rest;
}

ui_language choose_language_from_process(const QStringList& arguments) {
  const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  std::vector<std::pair<QString, QString>> variables;
  for (const QString& key : env.keys()) variables.emplace_back(key, env.value(key));
  return choose_language(arguments, variables);
}

QTranslator* install_language(ui_language lang) {
  current = lang;
  // One translator for the program's lifetime, owned by the application.
  auto* translator = new QTranslator(QCoreApplication::instance());
  const QString file =
      lang == ui_language::english ? ":/i18n/kinelab_en.qm" : ":/i18n/kinelab_ja.qm";
  if (!translator->load(file) || !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  // Qt's own dialogs (file dialogs, message boxes) from Debian's qt6-translations-l10n.
  static QPointer<QTranslator> qt_catalogue;
  if (qt_catalogue) {
    QCoreApplication::removeTranslator(qt_catalogue);
    delete qt_catalogue;
  }
  if (lang == ui_language::japanese) {
    qt_catalogue = new QTranslator(QCoreApplication::instance());
    if (!qt_catalogue->load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(qt_catalogue))
      delete qt_catalogue;
  }
  return translator;
}

ui_language program_language() {
  return current;
}

void set_program_language(ui_language lang) {
  current = lang;
}

QString caption_text(const std::string& caption) {
  return QCoreApplication::translate("caption", caption.c_str());
}

}  // namespace kinelab
