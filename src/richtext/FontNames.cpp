#include "richtext/FontNames.h"

#include <QFontInfo>
#include <QHash>

#include "support/Fonts.h"

QStringList g_fontNames;

namespace {

// Name to index, kept beside the list so that a document with many fonts
// is not read in quadratic time.
QHash<QString, uint16_t>& FontIndexes() {
  static QHash<QString, uint16_t> indexes;
  if (indexes.size() != g_fontNames.size()) {
    indexes.clear();
    for (qsizetype i = 0; i < g_fontNames.size() && i < qsizetype(kMaxFontNames); ++i)
      indexes.insert(g_fontNames.at(i), uint16_t(i));
  }
  return indexes;
}

}  // namespace

uint16_t IndexOfFont(const QString& name) {
  QString key = name;
  if (key.isEmpty()) key = MapFontName(QStringLiteral("Helvetica"));
  if (key.isEmpty()) return 0;
  QHash<QString, uint16_t>& indexes = FontIndexes();
  const auto found = indexes.constFind(key);
  if (found != indexes.constEnd()) return *found;
  if (uint32_t(g_fontNames.size()) >= kMaxFontNames) return 0;
  const auto index = uint16_t(g_fontNames.size());
  g_fontNames.append(key);
  indexes.insert(key, index);
  return index;
}

QString FontName(const CorvaneDoc*, uint32_t index) {
  if (index >= uint32_t(g_fontNames.size())) return {};
  return g_fontNames.at(qsizetype(index));
}

QString FontDisplayName(const CorvaneDoc* doc, uint32_t index) {
  const QString name = FontName(doc, index);
  if (name.isEmpty() || !FontExists(name)) return name;
  const QFontInfo info(FontWithName(name, 12));
  const QString family = info.family();
  if (family.isEmpty()) return name;
  const QString style = info.styleName();
  if (style.isEmpty() || style == QLatin1String("Regular") || style == QLatin1String("Book") ||
      style == QLatin1String("Roman"))
    return family;
  return family + QLatin1Char(' ') + style;
}
