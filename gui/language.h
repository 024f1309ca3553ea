#pragma once
// The desktop program speaks one language at a time: Japanese unless it is started with
// `--lang en` or the environment asks for English (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG).
// The program's own texts are written in English in the code and translated to Japanese by
// kinelab_ja.ts; the captions the windows declare are Japanese (or the words the users know,
// "Run", "hx") and translated to English by kinelab_en.ts. Both catalogues are compiled by
// lrelease at build time and built into the program.
#include <QString>
#include <QStringList>
#include <QTranslator>
#include <string>

#include "app/text/messages.h"

namespace kinelab {

// The language asked for by the arguments (`--lang en`, `--lang=ja`) or, failing that, by the
// environment's variables as given (name → value); Japanese when neither says English.
ui_language choose_language(const QStringList& arguments,
                            const std::vector<std::pair<QString, QString>>& environment);
ui_language choose_language_from_process(const QStringList& arguments);
// The arguments without the language options (`--lang en`, `--lang=en`): what remains names
// study files.
QStringList without_language_options(const QStringList& arguments);

// Makes `lang` the program's language and loads its catalogue into the application; the
// translator installed (owned by the application), null when the catalogue is missing.
QTranslator* install_language(ui_language lang);
ui_language program_language();
// The language windows opened from now on report in, without loading a catalogue.
void set_program_language(ui_language lang);

// A caption declared by a window or a menu, in the program's language.
QString caption_text(const std::string& caption);

}  // namespace kinelab
