#pragma once
// The preferences suite shared by the maker's applications: a second
// settings file, named for the suite, beside the application's own. Safe to
// call from any thread (each call opens its own QSettings on the file).

#include <QString>
#include <QVariant>
#include <cstdint>

// The suite's name: the file is <config>/TindleWick/TindleWick.conf.
extern const QString kTindleWickSuite;

// Keys of the shared suite.
extern const QString kAutoUpdateKey;         // "autoUpdate"
extern const QString kAutoUpdateMonthlyKey;  // "autoUpdateMonthly"
extern const QString kAutoNewsCheckKey;      // "autoNewsCheck"
extern const QString kLastNewsCheckKey;      // "lastNewsCheck"
extern const QString kLastNewsDateKey;       // "lastNewsDate"
extern const QString kHelpFontKey;           // "helpfont"

// The suite's boolean; `defaultValue` when the key is absent or not a boolean.
bool TindleWickBoolean(const QString& key, bool defaultValue);
// The suite's integer; 0 when absent or not a number.
int64_t TindleWickInteger(const QString& key);
// The stored value; an invalid QVariant when absent.
QVariant CopyTindleWickObject(const QString& key);
void SetTindleWickBoolean(const QString& key, bool value);
void SetTindleWickInteger(const QString& key, int64_t value);
// An invalid value removes the key.
void SetTindleWickObject(const QString& key, const QVariant& value);
// Writes the suite to disk; answers whether that succeeded.
bool SyncTindleWickPrefs();
// The suite's file, for diagnostics and tests.
QString TindleWickPrefsPath();
