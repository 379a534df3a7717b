#include "support/SharedPreferences.h"

#include <QSettings>
#include <cmath>

#include "support/NumberText.h"

const QString kTindleWickSuite = QStringLiteral("TindleWick");
const QString kAutoUpdateKey = QStringLiteral("autoUpdate");
const QString kAutoUpdateMonthlyKey = QStringLiteral("autoUpdateMonthly");
const QString kAutoNewsCheckKey = QStringLiteral("autoNewsCheck");
const QString kLastNewsCheckKey = QStringLiteral("lastNewsCheck");
const QString kLastNewsDateKey = QStringLiteral("lastNewsDate");
const QString kHelpFontKey = QStringLiteral("helpfont");

namespace {
// QSettings shares one cache per file inside the process, so separate
// instances see each other's writes at once.
class Suite : public QSettings {
 public:
  Suite() : QSettings(QSettings::NativeFormat, QSettings::UserScope, kTindleWickSuite, kTindleWickSuite) {}
};

bool IsNumber(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
      return true;
    default:
      return false;
  }
}
}  // namespace

bool TindleWickBoolean(const QString& key, bool defaultValue) {
  const QVariant v = Suite().value(key);
  if (!v.isValid()) return defaultValue;
  if (v.typeId() == QMetaType::Bool) return v.toBool();
  if (IsNumber(v)) return v.toDouble() != 0;
  // The file stores text; only the texts of a boolean count.
  const QString text = v.toString().trimmed().toLower();
  if (text == QLatin1String("true") || text == QLatin1String("yes") || text == QLatin1String("1")) return true;
  if (text == QLatin1String("false") || text == QLatin1String("no") || text == QLatin1String("0")) return false;
  return defaultValue;
}

int64_t TindleWickInteger(const QString& key) {
  const QVariant v = Suite().value(key);
  if (!v.isValid()) return 0;
  if (IsNumber(v) || v.typeId() == QMetaType::Bool) return VariantLongLongValue(v);
  return LongLongValue(v.toString());
}

QVariant CopyTindleWickObject(const QString& key) {
  return Suite().value(key);
}

void SetTindleWickBoolean(const QString& key, bool value) {
  Suite().setValue(key, value);
}

void SetTindleWickInteger(const QString& key, int64_t value) {
  Suite().setValue(key, qlonglong(value));
}

void SetTindleWickObject(const QString& key, const QVariant& value) {
  Suite suite;
  if (value.isValid())
    suite.setValue(key, value);
  else
    suite.remove(key);
}

bool SyncTindleWickPrefs() {
  Suite suite;
  suite.sync();
  return suite.status() == QSettings::NoError;
}

QString TindleWickPrefsPath() {
  return Suite().fileName();
}
