#include "platform/PathParts.h"

QString PathWithoutTrailingSlashes(const QString& path) {
  QString p = path;
  while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
  return p;
}

QString ParentFolderOfPath(const QString& path) {
  const QString p = PathWithoutTrailingSlashes(path);
  const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QStringLiteral(".");
  if (slash == 0) return QStringLiteral("/");
  return p.left(slash);
}

QString LastComponentOfPath(const QString& path) {
  const QString p = PathWithoutTrailingSlashes(path);
  return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}
