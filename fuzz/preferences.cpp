// The preferences as read from a settings file someone may have edited by
// hand: whatever the file holds, the values taken stay inside the ranges
// the program draws and saves with, and what is written back reads back
// the same.
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

#include "ui/inspector/CSFavoriteColorManager.h"
#include "ui/shell/CSWindowTabManager.h"
#include "ui/shell/DRPrefController.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckRanges(const DRPrefController& prefs) {
  Check(prefs.drawGridSpacing() >= MeasureUnit(DRPrefController::kMinimumSpacingPoints * kMeasurePerPoint));
  Check(prefs.drawGridSpacing() <= MeasureUnit(DRPrefController::kMaximumSpacingPoints * kMeasurePerPoint));
  Check(prefs.jpegCompression() <= DRPrefController::kMaximumJpegCompression);
  Check(prefs.favoriteColorCount() >= -1 && prefs.favoriteColorCount() <= DRPrefController::kMaximumFavoriteCount);
  Check(prefs.distanceUnit() < kCurrentDistanceUnit);
}

// The favourites kept from a file: colours the list would take, none twice,
// no more than the reader's limit.
void CheckFavorites(const QList<Kolor>& favorites) {
  Check(favorites.size() <= CSFavoriteColorManager::kMaximumLoadedColors);
  for (qsizetype i = 0; i < favorites.size(); ++i) {
    const Kolor kolor = favorites[i];
    Check(IsVisibleKolor(kolor) && kolor != g_blackKolor && kolor != g_whiteKolor);
    Check(favorites.indexOf(kolor) == i);
  }
}

const QString kFavoritesKey = QStringLiteral("twdraw.favoriteColors");

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("prefs.ini"));
  const QString again = dir.filePath(QStringLiteral("again.ini"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  QFile::remove(again);
  QSettings stored(path, QSettings::IniFormat);
  DRPrefController prefs(stored);
  CheckRanges(prefs);
  const int tabOverride = CSWindowTabManager::sharedInstance().tabOverride();
  CSFavoriteColorManager::resetForTesting();
  CSFavoriteColorManager::loadColors(stored, kFavoritesKey);
  const QList<Kolor> favorites = CSFavoriteColorManager::favoriteColors();
  CheckFavorites(favorites);

  QSettings written(again, QSettings::IniFormat);
  prefs.savePreferences(written);
  CSFavoriteColorManager::saveColors(written);
  written.sync();
  QSettings reread(again, QSettings::IniFormat);
  DRPrefController back(reread);
  CSFavoriteColorManager::resetForTesting();
  CSFavoriteColorManager::loadColors(reread, kFavoritesKey);
  Check(CSFavoriteColorManager::favoriteColors() == favorites);
  CheckRanges(back);
  Check(back.drawGridSpacing() == prefs.drawGridSpacing());
  Check(back.drawGridKolor() == prefs.drawGridKolor());
  Check(back.jpegCompression() == prefs.jpegCompression());
  Check(back.favoriteColorCount() == prefs.favoriteColorCount());
  Check(back.distanceUnit() == prefs.distanceUnit());
  Check(back.autosave() == prefs.autosave() && back.showDrawGrid() == prefs.showDrawGrid());
  Check(back.keepBackups() == prefs.keepBackups() && back.scaleGrabDots() == prefs.scaleGrabDots());
  Check(CSWindowTabManager::sharedInstance().tabOverride() == tabOverride);
  return 0;
}
