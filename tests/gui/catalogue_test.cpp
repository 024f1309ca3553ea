#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

namespace kinelab {
namespace {

// Every source text of a catalogue that has a finished, non-empty translation.
QSet<QString> translated_sources(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  QSet<QString> found;
  QXmlStreamReader xml(&file);
  QString source;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("source")) {
      source = xml.readElementText();
    } else if (xml.name() == QLatin1String("translation")) {
      const bool unfinished = xml.attributes().value("type") == QLatin1String("unfinished");
      if (!xml.readElementText().isEmpty() && !unfinished) found.insert(source);
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return found;
}

// The program's source texts are English, so the Japanese catalogue must hold every one of them;
// the English catalogue holds only the captions declared in Japanese (the windows' own words).
TEST(Catalogue, EveryTextTheGuiTranslatesHasAJapaneseEntry) {
  const QString root = KINELAB_SOURCE_DIR;
  const QSet<QString> japanese = translated_sources(root + "/gui/translations/kinelab_ja.ts");
  // tr( followed by one string literal or several that the compiler joins.
  const QRegularExpression call(R"re(\btr\(\s*((?:"(?:[^"\\]|\\.)*"\s*)+))re");
  const QRegularExpression literal(R"re("((?:[^"\\]|\\.)*)")re");
  int texts = 0;
  const QDir gui(root + "/gui");
  for (const QString& name : gui.entryList({"*.cpp", "*.h"}, QDir::Files)) {
    QFile file(gui.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString code = QString::fromUtf8(file.readAll());
    for (auto it = call.globalMatch(code); it.hasNext();) {
      QString text;
      const QString literals = it.next().captured(1);
      for (auto part = literal.globalMatch(literals); part.hasNext();)
        text += part.next().captured(1);
      text.replace("\\n", "\n").replace("\\\"", "\"").replace("\\\\", "\\");
      ++texts;
      EXPECT_TRUE(japanese.contains(text))
          << name.toStdString() << ": tr(\"" << text.toStdString() << "\") has no Japanese entry";
    }
  }
  EXPECT_GT(texts, 40);  // the walk found the sources
}

}  // namespace
}  // namespace kinelab
